// Splitting a text into lines and joining it back through TCommonStringRecordList::Text, and
// the same split into line views (SplitLines), which the engine uses.
// The per-line cost must stay flat from 100,000 to 1,000,000 lines; 3,000,000 shows where it
// levels off once the list no longer fits in the caches.
// Validating about 40 MB of UTF-8 (ASCII, mixed, Japanese) with each ValidateUtf8 implementation,
// and as much code page 932 with ValidateCp932.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "cli/io/TextCodec.h"
#include "library/CodePage932/Cp932.h"
#include "library/UtfUnit/Utf8Validate.h"
#include "library/StringRecordList/StringRecordList.h"

namespace {

// Lines of 0 to 80 characters (Japanese and ASCII), mostly CR LF, some LF and CR,
// and no break after the last line.
std::u16string MakeText(int64_t Lines) {
  std::mt19937 Random(12345);
  const std::u16string_view Alphabet = u"abcdefghij 0123456789:\tあいうえお漢字";
  std::u16string Text;
  Text.reserve(static_cast<size_t>(Lines) * 44);
  for (int64_t i = 0; i < Lines; ++i) {
    const unsigned Length = Random() % 81;
    for (unsigned k = 0; k < Length; ++k) Text += Alphabet[Random() % Alphabet.size()];
    if (i + 1 == Lines) break;
    const unsigned Kind = Random() % 10;
    Text += Kind < 7 ? u"\r\n" : (Kind < 9 ? u"\n" : u"\r");
  }
  return Text;
}

void PerLine(benchmark::State& State, int64_t Lines) {
  State.counters["per_line"] =
      benchmark::Counter(static_cast<double>(Lines), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void BM_SplitText(benchmark::State& State) {
  const int64_t Lines = State.range(0);
  const std::u16string Text = MakeText(Lines);
  for (auto _ : State) {
    TCommonStringRecordList List;
    List.SetText(Text);
    benchmark::DoNotOptimize(List.Count());
  }
  PerLine(State, Lines);
}

// The same lines as views over the text, without a cell or a string per line.
void BM_SplitLines(benchmark::State& State) {
  const int64_t Lines = State.range(0);
  const std::u16string Text = MakeText(Lines);
  for (auto _ : State) {
    const std::vector<std::u16string_view> Views = SplitLines(Text);
    benchmark::DoNotOptimize(Views.data());
  }
  PerLine(State, Lines);
}

void BM_JoinText(benchmark::State& State) {
  const int64_t Lines = State.range(0);
  TCommonStringRecordList List;
  List.SetText(MakeText(Lines));
  for (auto _ : State) {
    std::u16string Joined = List.Text();
    benchmark::DoNotOptimize(Joined.data());
  }
  PerLine(State, Lines);
}

// About 40 MB of UTF-8 lines; NonAsciiThirds of every three characters are kana or kanji.
std::string MakeUtf8(int64_t NonAsciiThirds) {
  constexpr size_t Bytes = 40 << 20;
  std::mt19937 Random(4242);
  const std::u16string_view Ascii = u"abcdefghijklmnopqrstuvwxyz ABCDEFG 0123456789,.";
  std::u16string Text;
  for (size_t Size = 0; Size < Bytes;) {
    const unsigned Length = Random() % 81;
    for (unsigned k = 0; k < Length; ++k) {
      if (static_cast<int64_t>(Random() % 3) < NonAsciiThirds) {
        Text += static_cast<char16_t>(Random() % 2 ? 0x3041 + Random() % 83
                                                   : 0x4E00 + Random() % 20000);
        Size += 3;
      } else {
        Text += Ascii[Random() % Ascii.size()];
        Size += 1;
      }
    }
    Text += u"\r\n";
    Size += 2;
  }
  std::string Utf8;
  EncodeText(Text, teUtf8, Utf8);
  return Utf8;
}

// Arguments: non-ASCII characters in three (0, 1, 3) and the TUtf8Validator.
void BM_ValidateUtf8(benchmark::State& State) {
  static std::string Texts[4];
  std::string& Text = Texts[State.range(0)];
  if (Text.empty()) Text = MakeUtf8(State.range(0));
  const auto Kind = static_cast<TUtf8Validator>(State.range(1));
  const char* const TextNames[] = {"ASCII", "mixed", "", "Japanese"};
  const char* const KindNames[] = {"scalar", "SSSE3", "AVX2"};
  State.SetLabel(std::string(TextNames[State.range(0)]) + ", " + KindNames[Kind]);
  if (!Utf8ValidatorAvailable(Kind)) {
    State.SkipWithError("this CPU cannot run this validator");
    return;
  }
  size_t BadOffset = 0;
  if (!ValidateUtf8With(Kind, Text, BadOffset)) {
    State.SkipWithError("the text is not valid UTF-8");
    return;
  }
  for (auto _ : State) {
    benchmark::DoNotOptimize(ValidateUtf8With(Kind, Text, BadOffset));
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) *
                          static_cast<int64_t>(Text.size()));
}

// About 40 MB of code page 932 lines; NonAsciiThirds of every three characters are Japanese, in
// sixteenths 6 hiragana, 5 kanji, 2 katakana, 2 punctuation and 1 full-width digit (a pair the
// validator looks up in its table rather than judging it in the vector registers).
std::string MakeCp932(int64_t NonAsciiThirds) {
  struct TRange {
    unsigned char Lead, Leads, Trail, Trails;
  };
  constexpr TRange Japanese[] = {
      {0x82, 1, 0x9F, 83},  {0x82, 1, 0x9F, 83},   {0x82, 1, 0x9F, 83},   {0x82, 1, 0x9F, 83},
      {0x82, 1, 0x9F, 83},  {0x82, 1, 0x9F, 83},   {0x83, 1, 0x40, 63},   {0x83, 1, 0x40, 63},
      {0x89, 15, 0x40, 63}, {0x89, 15, 0x80, 125}, {0x89, 15, 0x80, 125}, {0xE0, 10, 0x80, 125},
      {0x81, 1, 0x40, 60},  {0x81, 1, 0x40, 60},   {0x82, 1, 0x4F, 10},   {0x89, 15, 0x40, 63}};
  constexpr size_t Bytes = 40 << 20;
  std::mt19937 Random(932);
  const std::string_view Ascii = "abcdefghijklmnopqrstuvwxyz ABCDEFG 0123456789,.";
  std::string Text;
  Text.reserve(Bytes + 256);
  while (Text.size() < Bytes) {
    for (unsigned Length = Random() % 81; Length > 0; --Length) {
      if (static_cast<int64_t>(Random() % 3) < NonAsciiThirds) {
        const TRange& R = Japanese[Random() % std::size(Japanese)];
        Text += static_cast<char>(R.Lead + Random() % R.Leads);
        Text += static_cast<char>(R.Trail + Random() % R.Trails);
      } else {
        Text += Ascii[Random() % Ascii.size()];
      }
    }
    Text += "\r\n";
  }
  return Text;
}

// Argument: non-ASCII characters in three (0, 1, 3).
void BM_ValidateCp932(benchmark::State& State) {
  const std::string Text = MakeCp932(State.range(0));
  const char* const TextNames[] = {"ASCII", "mixed", "", "Japanese"};
  State.SetLabel(TextNames[State.range(0)]);
  size_t Bad = 0;
  if (!ValidateCp932(Text, Bad)) {
    State.SkipWithError("the text is not valid code page 932");
    return;
  }
  for (auto _ : State) {
    benchmark::DoNotOptimize(ValidateCp932(Text, Bad));
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) *
                          static_cast<int64_t>(Text.size()));
}

}  // namespace

BENCHMARK(BM_ValidateCp932)->Arg(0)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidateUtf8)
    ->ArgsProduct({{0, 1, 3}, {uvScalar, uvSsse3, uvAvx2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitText)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLines)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JoinText)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
