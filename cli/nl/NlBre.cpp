// The pBRE matcher's search: side by side without back-references, by bounded backtracking
// with them; the character tests of its classes and sets.

#include "cli/nl/NlBre.h"

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <cwctype>
#include <stdexcept>

#include "cli/nl/NlBreProgram.h"
#include "cli/nl/NlText.h"

using namespace nlbre;

namespace {

constexpr uint64_t BacktrackSteps = uint64_t{1} << 24;  // and 64 for each byte of the line
constexpr size_t BacktrackEntries = size_t{1} << 20;    // and one for each 8 bytes of the line

// GNU regex takes a byte that starts no character for the Latin-1 character of its value
// when it asks whether a word begins or ends there.
bool IsWordUnit(char32_t C) {
  return InClass(ccWord, C >= InvalidByte ? C - InvalidByte : C);
}

}  // namespace

namespace nlbre {

bool InClass(uint8_t Class, char32_t C) {
  if (C >= InvalidByte) return false;
  if (Class == ccWord) return C == '_' || InClass(ccAlnum, C);
  if (C < 0x80) {
    const int B = static_cast<int>(C);
    switch (Class) {
      case ccAlnum:
        return std::isalnum(B) != 0;
      case ccAlpha:
        return std::isalpha(B) != 0;
      case ccBlank:
        return B == ' ' || B == '\t';
      case ccCntrl:
        return std::iscntrl(B) != 0;
      case ccDigit:
        return std::isdigit(B) != 0;
      case ccGraph:
        return std::isgraph(B) != 0;
      case ccLower:
        return std::islower(B) != 0;
      case ccPrint:
        return std::isprint(B) != 0;
      case ccPunct:
        return std::ispunct(B) != 0;
      case ccSpace:
        return std::isspace(B) != 0;
      case ccUpper:
        return std::isupper(B) != 0;
      default:
        return std::isxdigit(B) != 0;
    }
  }
  if (C > static_cast<char32_t>(WCHAR_MAX)) return false;
  const auto W = static_cast<wint_t>(C);
  switch (Class) {
    case ccAlnum:
      return std::iswalnum(W) != 0;
    case ccAlpha:
      return std::iswalpha(W) != 0;
    case ccBlank:
      return std::iswblank(W) != 0;
    case ccCntrl:
      return std::iswcntrl(W) != 0;
    case ccDigit:
      return false;
    case ccGraph:
      return std::iswgraph(W) != 0;
    case ccLower:
      return std::iswlower(W) != 0;
    case ccPrint:
      return std::iswprint(W) != 0;
    case ccPunct:
      return std::iswpunct(W) != 0;
    case ccSpace:
      return std::iswspace(W) != 0;
    case ccUpper:
      return std::iswupper(W) != 0;
    default:
      return false;
  }
}

bool SetHas(const TBre::TSet& Set, char32_t C) {
  if (C >= InvalidByte && Set.Negated) return false;
  bool Found = false;
  for (size_t I = 0; I + 1 < Set.Ranges.size() && !Found; I += 2) {
    Found = Set.Ranges[I] <= C && C <= Set.Ranges[I + 1];
  }
  for (size_t I = 0; I < Set.Classes.size() && !Found; ++I) Found = InClass(Set.Classes[I], C);
  return Found != Set.Negated;
}

}  // namespace nlbre

TBre::TUnit TBre::UnitAt(std::string_view Text, size_t Pos) const {
  const auto Byte = static_cast<unsigned char>(Text[Pos]);
  if (!FUtf8 || Byte < 0x80) return {Byte, 1};
  char32_t Code = 0;
  const size_t Length = DecodeUtf8(Text, Pos, Code);
  if (Length == 0) return {InvalidByte + Byte, 1};
  return {Code, static_cast<uint32_t>(Length)};
}

bool TBre::WordBefore(std::string_view Text, size_t Pos) const {
  if (Pos == 0) return false;
  for (size_t Back = 1; FUtf8 && Back <= 4 && Back <= Pos; ++Back) {
    const TUnit Unit = UnitAt(Text, Pos - Back);
    if (Unit.Code < InvalidByte && Unit.Length == Back) return IsWordUnit(Unit.Code);
  }
  return IsWordUnit(UnitAt(Text, Pos - 1).Code);
}

bool TBre::Holds(int32_t Assertion, std::string_view Text, size_t Pos) const {
  if (Assertion == asLineStart) return Pos == 0;
  if (Assertion == asLineEnd) return Pos == Text.size();
  const bool Before = WordBefore(Text, Pos);
  const bool After = Pos < Text.size() && IsWordUnit(UnitAt(Text, Pos).Code);
  switch (Assertion) {
    case asWordStart:
      return !Before && After;
    case asWordEnd:
      return Before && !After;
    case asWordBoundary:
      return Before != After;
    default:
      return Before == After;
  }
}

bool TBre::Search(std::string_view Text) const {
  return FBackrefs ? Backtrack(Text) : RunThreads(Text);
}

bool TBre::AddThread(int32_t Pc, size_t Pos, std::string_view Text) const {
  std::vector<int32_t>& Pending = FScratch.Pending;
  Pending.assign(1, Pc);
  while (!Pending.empty()) {
    const int32_t P = Pending.back();
    Pending.pop_back();
    uint32_t& Seen = FScratch.Seen[static_cast<size_t>(P)];
    if (Seen == FScratch.Generation) continue;
    Seen = FScratch.Generation;
    const TInst& I = FProgram[static_cast<size_t>(P)];
    switch (I.Op) {
      case opSplit:
        Pending.push_back(I.B);
        Pending.push_back(I.A);
        break;
      case opJmp:
        Pending.push_back(I.A);
        break;
      case opAssert:
        if (Holds(I.A, Text, Pos)) Pending.push_back(P + 1);
        break;
      case opSave:
      case opMark:
        Pending.push_back(P + 1);
        break;
      case opCheck:
        // Whether a match exists does not depend on the loop's registers: a pass that took
        // nothing only comes back to threads already here.
        Pending.push_back(I.B);
        break;
      case opMatch:
        return true;
      default:  // opChar, opAny, opSet; no opBackref in this search
        FScratch.Next.push_back(P);
        break;
    }
  }
  return false;
}

void TBre::FindFirstBytes() {
  std::fill(std::begin(FFirst), std::end(FFirst), false);
  std::vector<bool> Seen(FProgram.size());
  std::vector<int32_t> Pending = {0};
  const auto Allow = [this](unsigned From, unsigned To) {
    std::fill(FFirst + From, FFirst + To + 1, true);
  };
  while (!Pending.empty()) {
    const int32_t P = Pending.back();
    Pending.pop_back();
    if (Seen[static_cast<size_t>(P)]) continue;
    Seen[static_cast<size_t>(P)] = true;
    const TInst& I = FProgram[static_cast<size_t>(P)];
    switch (I.Op) {
      case opSplit:
        Pending.push_back(I.B);
        Pending.push_back(I.A);
        break;
      case opJmp:
        Pending.push_back(I.A);
        break;
      case opCheck:
        Pending.push_back(I.B);
        break;
      case opAssert:
      case opSave:
      case opMark:
        Pending.push_back(P + 1);
        break;
      case opChar:
        if (I.Code < 0x80 || (!FUtf8 && I.Code < 0x100)) {
          FFirst[I.Code] = true;
        } else {
          Allow(0x80, 0xFF);
        }
        break;
      case opSet:
        for (unsigned C = 0; C < 0x80; ++C)
          FFirst[C] = FFirst[C] || SetHas(FSets[static_cast<size_t>(I.A)], C);
        Allow(0x80, 0xFF);
        break;
      default:  // opAny, opBackref, opMatch
        Allow(0, 0xFF);
        break;
    }
  }
  FFirstCount = static_cast<int>(std::count(std::begin(FFirst), std::end(FFirst), true));
}

size_t TBre::SkipToStart(std::string_view Text, size_t Pos) const {
  if (FFirstCount == 1) {
    const auto Byte =
        static_cast<char>(std::find(std::begin(FFirst), std::end(FFirst), true) - FFirst);
    const size_t Found = Text.find(Byte, Pos);
    return Found == std::string_view::npos ? Text.size() : Found;
  }
  // In UTF-8 only whole characters are skipped: ASCII ones, here.
  const unsigned Limit = FUtf8 ? 0x80 : 0x100;
  while (Pos < Text.size()) {
    const auto Byte = static_cast<unsigned char>(Text[Pos]);
    if (Byte >= Limit || FFirst[Byte]) break;
    ++Pos;
  }
  return Pos;
}

bool TBre::RunThreads(std::string_view Text) const {
  TScratch& S = FScratch;
  S.Seen.assign(FProgram.size(), 0);
  S.Generation = 0;
  // Each position has its generation: an instruction is added there once.
  const auto NewPosition = [&S] {
    if (++S.Generation == 0) {
      std::fill(S.Seen.begin(), S.Seen.end(), 0);
      S.Generation = 1;
    }
  };
  NewPosition();
  S.Next.clear();
  for (size_t Pos = 0;;) {
    if (S.Next.empty() && FFirstCount < 256) {
      const size_t Start = SkipToStart(Text, Pos);
      // Nothing could start in between: on at once, as a new position.
      if (Start != Pos) {
        Pos = Start;
        NewPosition();
      }
    }
    if (AddThread(0, Pos, Text)) return true;  // a match may start here too
    if (Pos == Text.size()) return false;
    std::swap(S.Current, S.Next);
    S.Next.clear();
    const TUnit Unit = UnitAt(Text, Pos);
    Pos += Unit.Length;
    NewPosition();
    for (const int32_t P : S.Current) {
      if (Takes(FProgram[static_cast<size_t>(P)], Unit.Code) && AddThread(P + 1, Pos, Text)) {
        return true;
      }
    }
  }
}

bool TBre::Backtrack(std::string_view Text) const {
  const size_t N = Text.size();
  FScratch.Captures.assign(2 * static_cast<size_t>(FGroups), Unset);
  FScratch.Marks.assign(static_cast<size_t>(FMarks), Unset);
  std::vector<TEntry>& Stack = FScratch.Stack;
  Stack.clear();
  // Back-references can make backtracking exponential: its work and memory are bounded, in
  // proportion to the line.
  uint64_t Steps = BacktrackSteps + 64 * static_cast<uint64_t>(N);
  const size_t MaxStack = BacktrackEntries + N / 8;
  for (size_t Start = 0; Start <= N; Start += Start < N ? UnitAt(Text, Start).Length : 1) {
    Stack.push_back({0, 0, Start});
    while (!Stack.empty()) {
      if (Stack.size() > MaxStack) throw std::runtime_error(TBre::TooMuchWork);
      const TEntry Entry = Stack.back();
      Stack.pop_back();
      if (Entry.Pc >= 0) {
        if (Run(Entry.Pc, Entry.Pos, Text, Steps)) return true;
      } else {
        (Entry.Pc == -1 ? FScratch.Captures : FScratch.Marks)[static_cast<size_t>(Entry.Slot)] =
            Entry.Pos;
      }
    }
  }
  return false;
}

bool TBre::Takes(const TInst& I, char32_t Code) const {
  switch (I.Op) {
    case opChar:
      return Code == I.Code;
    case opAny:
      return Code != 0 && Code < InvalidByte;
    default:
      return SetHas(FSets[static_cast<size_t>(I.A)], Code);
  }
}

bool TBre::Run(int32_t Pc, size_t Pos, std::string_view Text, uint64_t& Steps) const {
  const size_t N = Text.size();
  std::vector<size_t>& Captures = FScratch.Captures;
  std::vector<size_t>& Marks = FScratch.Marks;
  for (;; --Steps) {
    if (Steps == 0) throw std::runtime_error(TBre::TooMuchWork);
    const TInst& I = FProgram[static_cast<size_t>(Pc)];
    switch (I.Op) {
      case opChar:
      case opAny:
      case opSet: {
        if (Pos == N) return false;
        const TUnit Unit = UnitAt(Text, Pos);
        if (!Takes(I, Unit.Code)) return false;
        Pos += Unit.Length;
        ++Pc;
        break;
      }
      case opAssert:
        if (!Holds(I.A, Text, Pos)) return false;
        ++Pc;
        break;
      case opSplit:
        FScratch.Stack.push_back({I.B, 0, Pos});
        Pc = I.A;
        break;
      case opJmp:
        Pc = I.A;
        break;
      case opSave:
      case opMark: {
        std::vector<size_t>& Slots = I.Op == opSave ? Captures : Marks;
        FScratch.Stack.push_back({I.Op == opSave ? -1 : -2, I.A, Slots[static_cast<size_t>(I.A)]});
        Slots[static_cast<size_t>(I.A)] = Pos;
        ++Pc;
        break;
      }
      case opCheck:
        Pc =
            Pos == Marks[static_cast<size_t>(I.A)] ? FProgram[static_cast<size_t>(I.B) + 1].B : I.B;
        break;
      case opBackref: {
        const size_t From = Captures[2 * static_cast<size_t>(I.A)];
        const size_t To = Captures[2 * static_cast<size_t>(I.A) + 1];
        if (From == Unset || To == Unset || To - From > N - Pos ||
            Text.substr(Pos, To - From) != Text.substr(From, To - From)) {
          return false;
        }
        Pos += To - From;
        ++Pc;
        break;
      }
      case opMatch:
        return true;
    }
  }
}
