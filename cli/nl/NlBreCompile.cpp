// The pBRE matcher's compiler: a parser of GNU's BRE grammar into a tree, and a code generator
// from the tree into TBre's program.

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

constexpr int32_t DupMax = 0x7FFF;  // RE_DUP_MAX of GNU regex
constexpr size_t MaxProgram = size_t{1} << 20;
constexpr size_t MaxNameSize = 32;  // of a class, equivalence class or collating element
constexpr const char* ClassNames[] = {"alnum", "alpha", "blank", "cntrl", "digit", "graph",
                                      "lower", "print", "punct", "space", "upper", "xdigit"};

constexpr const char* BadPattern = "Invalid regular expression";
constexpr const char* UnmatchedBracket = "Unmatched [, [^, [:, [., or [=";
constexpr const char* BadCollation = "Invalid collation character";
constexpr const char* BadInterval = "Invalid content of \\{\\}";
constexpr const char* TooBig = "Regular expression too big";

struct TNode {
  enum TKind : uint8_t { nkChar, nkAny, nkSet, nkAssert, nkGroup, nkBackref, nkRepeat, nkConcat };
  TKind Kind = nkConcat;
  char32_t Code = 0;
  int32_t Index = 0;  // set, group, back-reference or assertion
  int32_t Min = 0;
  int32_t Max = 0;  // -1: no limit
  // nkGroup: its alternatives (each an nkConcat); nkConcat: its pieces; nkRepeat: the piece.
  std::vector<TNode> Children;
};

// Recursive descent over GNU's BRE grammar; the whole pattern is group 0.
class TParser {
 public:
  TParser(std::string_view Pattern, bool Utf8, std::vector<TBre::TSet>& Sets)
      : P(Pattern), FUtf8(Utf8), FSets(Sets) {}

  bool Parse(TNode& Root) {
    Root.Kind = TNode::nkGroup;
    Root.Index = 0;
    return ParseAlternatives(Root, 0);
  }
  const char* Error = nullptr;
  int32_t Groups = 1;  // group 0 is the whole match
  bool Backrefs = false;
  uint32_t Closed = 0;  // bit N: group N (of 1 to 9) is closed and may be referred to

 private:
  bool At(std::string_view Token) const { return P.substr(Pos, Token.size()) == Token; }
  bool Fail(const char* Why) {
    Error = Why;
    return false;
  }

  char32_t NextChar() {
    char32_t Code = static_cast<unsigned char>(P[Pos]);
    const size_t Length = FUtf8 ? DecodeUtf8(P, Pos, Code) : 1;
    if (Length == 0) {
      Code = InvalidByte + static_cast<unsigned char>(P[Pos]);
      ++Pos;
    } else {
      Pos += Length;
    }
    return Code;
  }

  // Each alternative sees the groups closed before the alternation; after it, all are closed.
  bool ParseAlternatives(TNode& Group, int Depth) {
    const uint32_t Before = Closed;
    uint32_t After = Closed;
    for (;;) {
      Group.Children.emplace_back();
      if (!ParseBranch(Group.Children.back(), Depth)) return false;
      After |= Closed;
      if (!At("\\|")) break;
      Pos += 2;
      Closed = Before;
    }
    Closed = After;
    return true;
  }

  bool ParseBranch(TNode& Branch, int Depth) {
    bool Start = true;    // nothing before in this branch: '^' anchors
    bool Literal = true;  // '*' and intervals stand for themselves: first, after an anchor
    int Stacked = 0;      // repetitions applied to the last piece
    while (Pos < P.size() && !At("\\|")) {
      if (At("\\)")) {
        if (Depth == 0) return Fail("Unmatched ) or \\)");
        break;
      }
      const char C = P[Pos];
      const bool Repeats = !Literal && (C == '*' || At("\\{") || At("\\+") || At("\\?"));
      if (Repeats) {
        if (++Stacked > TBre::MaxNesting) return Fail(TooBig);
        if (!ParseRepeat(Branch.Children.back())) return false;
        continue;
      }
      Stacked = 0;
      TNode Atom;
      const bool Caret = Start && C == '^';
      if (Caret) {
        Atom.Kind = TNode::nkAssert;
        Atom.Index = asLineStart;
        ++Pos;
      } else if (!ParseAtom(Atom, Depth)) {
        return false;
      }
      Literal = Atom.Kind == TNode::nkAssert;
      Branch.Children.push_back(std::move(Atom));
      Start = false;
    }
    return true;
  }

  bool ParseRepeat(TNode& Last) {
    TNode Repeat;
    Repeat.Kind = TNode::nkRepeat;
    if (P[Pos] == '*') {
      Repeat.Max = -1;
      ++Pos;
    } else if (At("\\+")) {
      Repeat.Min = 1;
      Repeat.Max = -1;
      Pos += 2;
    } else if (At("\\?")) {
      Repeat.Max = 1;
      Pos += 2;
    } else if (!ParseInterval(Repeat)) {
      return false;
    }
    Repeat.Children.push_back(std::move(Last));
    Last = std::move(Repeat);
    return true;
  }

  // A number of an interval, read token by token as GNU regex reads it, up to ',' (an
  // escaped one too) or "\\}": Number is -1 for none, -2 for anything but digits or the end
  // of the pattern. Returns what stopped it: 0 the end, 1 "\\}", 2 ','.
  int FetchNumber(int32_t& Number) {
    Number = -1;
    while (Pos < P.size()) {
      const bool Escaped = P[Pos] == '\\' && Pos + 1 < P.size();
      const char C = P[Pos + (Escaped ? 1 : 0)];
      Pos += Escaped ? 2 : 1;
      if (Escaped && C == '}') return 1;
      if (C == ',') return 2;
      Number = Escaped || C < '0' || C > '9' || Number == -2 ? -2
               : Number < 0                                  ? C - '0'
                            : std::min(Number * 10 + (C - '0'), DupMax + 1);
    }
    Number = -2;
    return 0;
  }

  // "\\{m\\}", "\\{m,\\}", "\\{,n\\}", "\\{m,n\\}", with GNU regex's reasons for the faults.
  bool ParseInterval(TNode& Repeat) {
    Pos += 2;
    int32_t Low = 0;
    int Stop = FetchNumber(Low);
    if (Low == -1) {
      if (Stop != 2) return Fail(BadInterval);
      Low = 0;
    }
    int32_t High = Low;
    if (Low != -2 && Stop == 2) Stop = FetchNumber(High);
    if (Low == -2 || High == -2) return Fail(Stop == 0 ? "Unmatched \\{" : BadInterval);
    if ((High != -1 && Low > High) || Stop != 1) return Fail(BadInterval);
    if ((High == -1 ? Low : High) > DupMax) return Fail(TooBig);
    Repeat.Min = Low;
    Repeat.Max = High;  // -1: no limit
    return true;
  }

  bool ParseAtom(TNode& Atom, int Depth) {
    const char C = P[Pos];
    if (C == '.') {
      Atom.Kind = TNode::nkAny;
      ++Pos;
      return true;
    }
    if (C == '[') return ParseBracket(Atom);
    if (C == '$' &&
        (Pos + 1 == P.size() || P.substr(Pos + 1, 2) == "\\)" || P.substr(Pos + 1, 2) == "\\|")) {
      Atom.Kind = TNode::nkAssert;
      Atom.Index = asLineEnd;
      ++Pos;
      return true;
    }
    if (C != '\\') {
      Atom.Kind = TNode::nkChar;
      Atom.Code = NextChar();
      return true;
    }
    if (Pos + 1 == P.size()) return Fail("Trailing backslash");
    const char E = P[Pos + 1];
    Pos += 2;
    if (E == '(') {
      if (Depth >= TBre::MaxNesting) return Fail(TooBig);
      Atom.Kind = TNode::nkGroup;
      Atom.Index = Groups++;
      if (!ParseAlternatives(Atom, Depth + 1)) return false;
      if (!At("\\)")) return Fail("Unmatched ( or \\(");
      Pos += 2;
      if (Atom.Index <= 9) Closed |= 1u << Atom.Index;
      return true;
    }
    if (E >= '1' && E <= '9') {
      // Only a group already closed, and not in another alternative, can be referred to.
      if ((Closed >> (E - '0') & 1) == 0) return Fail("Invalid back reference");
      Atom.Kind = TNode::nkBackref;
      Atom.Index = E - '0';
      Backrefs = true;
      return true;
    }
    constexpr std::string_view Assertions = "`'<>bB";
    constexpr TAssertion AssertionKinds[] = {asLineStart, asLineEnd,      asWordStart,
                                             asWordEnd,   asWordBoundary, asNotWordBoundary};
    if (const size_t A = Assertions.find(E); A != std::string_view::npos) {
      Atom.Kind = TNode::nkAssert;
      Atom.Index = AssertionKinds[A];
      return true;
    }
    if (E == 'w' || E == 'W' || E == 's' || E == 'S') {
      TBre::TSet Set;
      Set.Negated = E == 'W' || E == 'S';
      Set.Classes.push_back(E == 'w' || E == 'W' ? ccWord : ccSpace);
      Atom.Kind = TNode::nkSet;
      Atom.Index = static_cast<int32_t>(FSets.size());
      FSets.push_back(std::move(Set));
      return true;
    }
    --Pos;  // any other escaped character stands for itself
    Atom.Kind = TNode::nkChar;
    Atom.Code = NextChar();
    return true;
  }

  // What ParseElement() read besides a character or a class (its TClass).
  static constexpr int NoClass = -1;
  static constexpr int Equivalence = 100;     // "[=c=]", in Code
  static constexpr int BadClass = 102;        // "[:nope:]"
  static constexpr int BadCollating = 103;    // "[.ab.]"
  static constexpr int BadEquivalence = 104;  // "[=ab=]"

  // One element of a bracket expression: a character, "[.c.]", "[=c=]" or "[:class:]".
  // Names are checked by the caller: at a range's end GNU regex only says it is no range end.
  bool ParseElement(char32_t& Code, int& Class) {
    Class = NoClass;
    if (At("[:") || At("[=") || At("[.")) {
      const char Kind = P[Pos + 1];
      const char End[] = {Kind, ']', '\0'};
      const size_t Close = P.find(End, Pos + 2);
      if (Close == std::string_view::npos) return Fail(UnmatchedBracket);
      const std::string_view Name = P.substr(Pos + 2, Close - Pos - 2);
      if (Name.size() >= MaxNameSize) return Fail(UnmatchedBracket);  // as GNU regex's buffer
      Pos = Close + 2;
      if (Kind == ':') {
        Class = BadClass;
        for (size_t I = 0; I < std::size(ClassNames); ++I) {
          if (Name == ClassNames[I]) Class = static_cast<int>(I);
        }
        return true;
      }
      // nl's regex knows no multi-character collating elements, nor multi-byte ones; the
      // names are checked where GNU regex builds the element, after what a range says.
      if (Kind == '=') Class = Name.size() == 1 ? Equivalence : BadEquivalence;
      if (Kind == '.' && Name.size() != 1) Class = BadCollating;
      Code = Name.empty() ? 0 : static_cast<unsigned char>(Name[0]);
      return true;
    }
    Code = NextChar();
    return true;
  }

  // A bracket element that is no range into Set.
  bool AddElement(char32_t Code, int Class, TBre::TSet& Set) {
    if (Class == BadClass) return Fail("Invalid character class name");
    if (Class == BadCollating || Class == BadEquivalence) return Fail(BadCollation);
    if (Class == NoClass || Class == Equivalence) {
      Set.Ranges.insert(Set.Ranges.end(), {Code, Code});
    } else {
      Set.Classes.push_back(static_cast<uint8_t>(Class));
    }
    return true;
  }

  bool ParseBracket(TNode& Atom) {
    TBre::TSet Set;
    ++Pos;
    if (Pos < P.size() && P[Pos] == '^') {
      Set.Negated = true;
      ++Pos;
    }
    if (Pos == P.size()) return Fail(BadPattern);
    for (bool First = true;; First = false) {
      if (Pos == P.size()) return Fail(UnmatchedBracket);
      if (P[Pos] == ']' && !First) break;
      char32_t Low = 0;
      int LowClass = NoClass;
      if (!ParseElement(Low, LowClass)) return false;
      const auto ClassLike = [](int Class) { return Class != NoClass && Class != BadCollating; };
      // GNU regex looks for no range after a class: it builds the class, then wants more of
      // the expression, and a '-' that does not end it is no element of its own.
      if (ClassLike(LowClass)) {
        if (!AddElement(Low, LowClass, Set)) return false;
        if (Pos == P.size()) return Fail(UnmatchedBracket);
        if (P[Pos] == '-' && (Pos + 1 == P.size() || P[Pos + 1] != ']')) {
          return Fail("Invalid range end");
        }
        continue;
      }
      // After anything else it looks for the end of the pattern before at the element.
      if (Pos == P.size()) return Fail(UnmatchedBracket);
      const bool Range = P[Pos] == '-' && (Pos + 1 == P.size() || P[Pos + 1] != ']');
      if (!Range) {
        if (!AddElement(Low, LowClass, Set)) return false;
        continue;
      }
      ++Pos;
      if (Pos == P.size()) return Fail(UnmatchedBracket);
      char32_t High = 0;
      int HighClass = NoClass;
      if (!ParseElement(High, HighClass)) return false;
      // The range is built before the end of the pattern is looked for.
      if (ClassLike(HighClass)) return Fail("Invalid range end");
      if (LowClass == BadCollating || HighClass == BadCollating) return Fail(BadCollation);
      if (Low >= InvalidByte || High >= InvalidByte) return Fail(BadCollation);
      if (Pos == P.size()) return Fail(UnmatchedBracket);
      if (Low <= High) Set.Ranges.insert(Set.Ranges.end(), {Low, High});
      // A range ends an element: "[a-c-e]" has no meaning, nor has "[a-c-" at the end.
      if (P[Pos] == '-' && (Pos + 1 == P.size() || P[Pos + 1] != ']')) {
        return Fail("Invalid range end");
      }
    }
    ++Pos;
    Atom.Kind = TNode::nkSet;
    Atom.Index = static_cast<int32_t>(FSets.size());
    FSets.push_back(std::move(Set));
    return true;
  }

  std::string_view P;
  size_t Pos = 0;
  bool FUtf8;
  std::vector<TBre::TSet>& FSets;
};

// Turns the tree into TBre's program; false when it grows beyond MaxProgram.
class TEmitter {
 public:
  std::vector<TBre::TInst> Program;
  int32_t Marks = 0;

  // The whole pattern, then the final match.
  bool EmitProgram(const TNode& Root) { return Emit(Root, false) && Add({TBre::opMatch}); }

 private:
  // Followed: in a copy after the first, a character of the copy may come after Node.
  bool Emit(const TNode& Node, bool Followed) {
    switch (Node.Kind) {
      case TNode::nkChar:
        return Add({TBre::opChar, 0, 0, Node.Code});
      case TNode::nkAny:
        return Add({TBre::opAny});
      case TNode::nkSet:
        return Add({TBre::opSet, Node.Index});
      case TNode::nkAssert:
        return (FCopy > 0 && Followed) || Add({TBre::opAssert, Node.Index});
      case TNode::nkBackref:
        return Add({TBre::opBackref, Node.Index});
      case TNode::nkConcat:
        for (size_t I = 0; I < Node.Children.size(); ++I) {
          const auto Later = Node.Children.begin() + static_cast<ptrdiff_t>(I) + 1;
          const bool More =
              Followed || (FCopy > 0 && std::any_of(Later, Node.Children.end(),
                                                    [](const TNode& N) { return Consumes(N); }));
          if (!Emit(Node.Children[I], More)) return false;
        }
        return true;
      case TNode::nkGroup:
        return EmitGroup(Node, Followed);
      case TNode::nkRepeat:
        return EmitRepeat(Node, Followed);
    }
    return false;
  }

  int32_t Here() const { return static_cast<int32_t>(Program.size()); }
  bool Add(TBre::TInst Inst) {
    if (Program.size() >= MaxProgram) return false;
    Program.push_back(Inst);
    return true;
  }
  bool AddSplit(int32_t Next, int32_t Else) { return Add({TBre::opSplit, Next, Else}); }

  bool EmitGroup(const TNode& Node, bool Followed) {
    if (!Add({TBre::opSave, 2 * Node.Index})) return false;
    std::vector<int32_t> Jumps;
    for (size_t I = 0; I < Node.Children.size(); ++I) {
      const bool Last = I + 1 == Node.Children.size();
      const int32_t Split = Here();
      if (!Last && !AddSplit(Split + 1, 0)) return false;
      if (!Emit(Node.Children[I], Followed)) return false;
      if (Last) break;
      Jumps.push_back(Here());
      if (!Add({TBre::opJmp})) return false;
      Program[Split].B = Here();
    }
    for (const int32_t J : Jumps) Program[J].A = Here();
    return Add({TBre::opSave, 2 * Node.Index + 1});
  }

  // Inside a copy of a repeated piece after the first: there GNU regex drops the anchors that
  // a character of the copy follows ("\\(^a\\)\\{2\\}" matches "aa", "\\(a\\B\\)\\{2\\}" not "aa";
  // nl's regex does the same).
  int FCopy = 0;

  // Whether every match of Node takes a character (a back-reference may take none).
  static bool Consumes(const TNode& Node) {
    switch (Node.Kind) {
      case TNode::nkChar:
      case TNode::nkAny:
      case TNode::nkSet:
        return true;
      case TNode::nkGroup:
        return std::all_of(Node.Children.begin(), Node.Children.end(), Consumes);
      case TNode::nkConcat:
        return std::any_of(Node.Children.begin(), Node.Children.end(), Consumes);
      case TNode::nkRepeat:
        return Node.Min > 0 && Consumes(Node.Children[0]);
      default:
        return false;
    }
  }

  bool EmitCopy(const TNode& Body, int32_t Copy, bool Followed) {
    if (Copy == 0) return Emit(Body, Followed);
    ++FCopy;
    const bool Done = Emit(Body, false);
    --FCopy;
    return Done;
  }

  bool EmitRepeat(const TNode& Node, bool Followed) {
    const TNode& Body = Node.Children[0];
    int32_t Copy = 0;
    for (; Copy < Node.Min; ++Copy) {
      if (!EmitCopy(Body, Copy, Followed)) return false;
    }
    if (Node.Max < 0) {
      // Mark; Split(body, out); body; Check. A pass that takes nothing ends the loop: it still
      // sets the body's groups, as in GNU regex ("\(a*\)*\1" matches "").
      const int32_t Mark = Here();
      const int32_t Register = Marks++;
      if (!Add({TBre::opMark, Register}) || !AddSplit(Mark + 2, 0)) return false;
      if (!EmitCopy(Body, Copy, Followed) || !Add({TBre::opCheck, Register, Mark})) return false;
      Program[Mark + 1].B = Here();
      return true;
    }
    // Each optional copy may be left out, and then so may the rest.
    std::vector<int32_t> Splits;
    for (; Copy < Node.Max; ++Copy) {
      Splits.push_back(Here());
      if (!AddSplit(Here() + 1, 0) || !EmitCopy(Body, Copy, Followed)) return false;
    }
    for (const int32_t S : Splits) Program[S].B = Here();
    return true;
  }
};

}  // namespace

bool TBre::Compile(std::string_view Pattern, bool Utf8, std::string& Error) {
  FUtf8 = Utf8;
  FSets.clear();
  TNode Root;
  TParser Parser(Pattern, Utf8, FSets);
  if (!Parser.Parse(Root)) {
    Error = Parser.Error;
    return false;
  }
  TEmitter Emitter;
  if (!Emitter.EmitProgram(Root)) {
    Error = TooBig;
    return false;
  }
  FProgram = std::move(Emitter.Program);
  FGroups = Parser.Groups;
  FMarks = Emitter.Marks;
  FBackrefs = Parser.Backrefs;
  FindFirstBytes();
  return true;
}
