// Splitting a text into lines and joining it back through TCommonStringRecordList::Text, and
// the same split into line views (SplitLines), which the engine uses.
// The per-line cost must stay flat from 100,000 to 1,000,000 lines; 3,000,000 shows where it
// levels off once the list no longer fits in the caches.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace

BENCHMARK(BM_SplitText)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLines)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JoinText)->Arg(100000)->Arg(1000000)->Arg(3000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
