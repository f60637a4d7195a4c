// Splitting a text into lines and joining it back through TCommonStringRecordList::Text, and
// the same split into line views (SplitLines), which the engine uses.
// The per-line cost must stay flat from 100,000 to 1,000,000 lines; 3,000,000 shows where it
// levels off once the list no longer fits in the caches.
// Validating about 40 MB of UTF-8 (ASCII, mixed, Japanese), the same text as UTF-16 in both byte
// orders and as much code page 932, with each implementation of each validator.
#include <benchmark/benchmark.h>

#include <bit>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "cli/io/TextCodec.h"
#include "library/CodePage932/Cp932.h"
#include "library/UtfUnit/Utf16Validate.h"
#include "library/UtfUnit/Utf8Validate.h"
#include "library/UtfUnit/UtfUnit.h"
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

// Runs Validate over Text, which must be valid, as the implementation of Level: the bytes a
// second it judges.
template <typename TValidate>
void ValidateBytes(benchmark::State& State, std::string_view TextName, std::string_view Text,
                   TSimdLevel Level, bool (*Available)(TSimdLevel), TValidate Validate) {
  State.SetLabel(std::string(TextName) + ", " + SimdLevelName(Level));
  if (!Available(Level)) {
    State.SkipWithError("this CPU or this algorithm has no such implementation");
    return;
  }
  if (!Validate(Level, Text)) {
    State.SkipWithError("the text is not valid");
    return;
  }
  for (auto _ : State) benchmark::DoNotOptimize(Validate(Level, Text));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) *
                          static_cast<int64_t>(Text.size()));
}

const char* const TextNames[] = {"ASCII", "mixed", "", "Japanese"};

// Arguments: non-ASCII characters in three (0, 1, 3) and the TSimdLevel.
void BM_ValidateUtf8(benchmark::State& State) {
  static std::string Texts[4];
  std::string& Text = Texts[State.range(0)];
  if (Text.empty()) Text = MakeUtf8(State.range(0));
  ValidateBytes(State, TextNames[State.range(0)], Text, static_cast<TSimdLevel>(State.range(1)),
                Utf8ValidatorAvailable, [](TSimdLevel Level, std::string_view T) {
                  size_t Bad;
                  return ValidateUtf8With(Level, T, Bad);
                });
}

// The UTF-8 texts above as UTF-16 in either byte order. Arguments: non-ASCII characters in
// three (0, 1, 3), the TSimdLevel, and 1 for big-endian.
void BM_ValidateUtf16(benchmark::State& State) {
  static std::string Texts[4][2];
  const auto Order = State.range(2) ? std::endian::big : std::endian::little;
  std::string& Text = Texts[State.range(0)][State.range(2)];
  if (Text.empty()) {
    std::u16string Units;
    (void)Utf8ToUtf16(MakeUtf8(State.range(0)), Units);
    EncodeText(Units, Order == std::endian::big ? teUtf16BE : teUtf16LE, Text);
  }
  ValidateBytes(State, TextNames[State.range(0)], Text, static_cast<TSimdLevel>(State.range(1)),
                Utf16ValidatorAvailable, [Order](TSimdLevel Level, std::string_view T) {
                  return FirstUnpairedSurrogateWith(Level, T, Order) == T.size() / 2;
                });
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

// Arguments: non-ASCII characters in three (0, 1, 3) and the TSimdLevel.
void BM_ValidateCp932(benchmark::State& State) {
  static std::string Texts[4];
  std::string& Text = Texts[State.range(0)];
  if (Text.empty()) Text = MakeCp932(State.range(0));
  ValidateBytes(State, TextNames[State.range(0)], Text, static_cast<TSimdLevel>(State.range(1)),
                Cp932ValidatorAvailable, [](TSimdLevel Level, std::string_view T) {
                  size_t Bad;
                  return ValidateCp932With(Level, T, Bad);
                });
}

}  // namespace

BENCHMARK(BM_ValidateCp932)
    ->ArgsProduct({{0, 1, 3}, {slScalar, slSse2, slAvx2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidateUtf8)
    ->ArgsProduct({{0, 1, 3}, {slScalar, slSsse3, slAvx2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidateUtf16)
    ->ArgsProduct({{0, 1, 3}, {slScalar, slSse2, slAvx2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitText)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLines)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JoinText)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
