// The line-number engine on generated texts of 100,000 and 1,000,000 lines (about 40
// characters a line, CR LF breaks, some indentation), with a plain copy of the same text as
// the floor. The ns_per_line counter is what to compare between operations and sizes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <malloc.h>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "LineNumberUnit/LineNumberUnit.h"
#include "library/StringRecordList/StringRecordList.h"

namespace {

enum class TextKind { Plain, Numbered, EveryOtherNumberOnly, IndentedNumbered };

// About 40 characters of code-like text; every fourth line indented by blanks or a tab.
std::u16string PlainText(int64_t Lines) {
  static constexpr char16_t Chars[] = u"abcdefghijklmnopqrstuvwxyz0123456789 _=+-*/(){};,.";
  std::mt19937 Random(12345);
  std::u16string Text;
  Text.reserve(static_cast<size_t>(Lines) * 44);
  for (int64_t L = 0; L < Lines; ++L) {
    if (L % 4 == 0) Text += (Random() % 2 == 0) ? u"    " : u"\t";
    for (uint32_t C = 30 + Random() % 20; C > 0; --C)
      Text += Chars[Random() % (std::size(Chars) - 1)];
    Text += u"\r\n";
  }
  return Text;
}

std::u16string MakeText(TextKind Kind, int64_t Lines) {
  int32_t Width = 0;
  switch (Kind) {
    case TextKind::Plain:
      return PlainText(Lines);
    case TextKind::Numbered:
      return AddLineNumbers(PlainText(Lines), 1, 1, 0, Width);
    case TextKind::EveryOtherNumberOnly: {
      // Half the lines are empty, so after numbering every other line holds a number only.
      std::u16string Plain = PlainText(Lines / 2), Mixed;
      Mixed.reserve(Plain.size() + static_cast<size_t>(Lines));
      for (size_t Begin = 0; Begin < Plain.size();) {
        const size_t End = Plain.find(u"\r\n", Begin) + 2;
        Mixed.append(Plain, Begin, End - Begin);
        Mixed += u"\r\n";
        Begin = End;
      }
      return AddLineNumbers(Mixed, 1, 1, 0, Width);
    }
    case TextKind::IndentedNumbered: {
      // Every line indented by at least two blanks, so there is a common indent to remove.
      std::u16string Plain = PlainText(Lines), Indented;
      Indented.reserve(Plain.size() + 2 * static_cast<size_t>(Lines));
      for (size_t Begin = 0; Begin < Plain.size();) {
        const size_t End = Plain.find(u"\r\n", Begin) + 2;
        Indented += u"  ";
        Indented.append(Plain, Begin, End - Begin);
        Begin = End;
      }
      return AddLineNumbers(Indented, 1, 1, 0, Width);
    }
  }
  return {};
}

// Each text is generated once per process and shared by the benchmarks that read it.
const std::u16string& Text(TextKind Kind, int64_t Lines) {
  static std::map<std::pair<TextKind, int64_t>, std::u16string> Cache;
  auto [It, Added] = Cache.try_emplace({Kind, Lines});
  if (Added) It->second = MakeText(Kind, Lines);
  return It->second;
}

void CountLines(benchmark::State& State) {
  State.counters["ns_per_line"] = benchmark::Counter(
      static_cast<double>(State.range(0)) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CopyFloor(benchmark::State& State) {
  const std::u16string& Input = Text(TextKind::Plain, State.range(0));
  for (auto _ : State) {
    std::u16string Copy(Input);
    benchmark::DoNotOptimize(Copy.data());
  }
  CountLines(State);
}

// The line list alone: the text split into items and the items freed again, which every
// operation pays before its own work.
void BM_ListSplit(benchmark::State& State) {
  const std::u16string& Input = Text(TextKind::Plain, State.range(0));
  for (auto _ : State) {
    TCommonStringRecordList Lines;
    Lines.SetText(Input);
    benchmark::DoNotOptimize(Lines.Count());
  }
  CountLines(State);
}

// The line views alone: what the engine's operations split into instead of the list.
void BM_LineViews(benchmark::State& State) {
  const std::u16string& Input = Text(TextKind::Plain, State.range(0));
  for (auto _ : State) {
    const std::vector<std::u16string_view> Lines = SplitLines(Input);
    benchmark::DoNotOptimize(Lines.data());
  }
  CountLines(State);
}

void BM_AddLineNumbers(benchmark::State& State) {
  const std::u16string& Input = Text(TextKind::Plain, State.range(0));
  for (auto _ : State) {
    int32_t Width = 0;
    std::u16string Result = AddLineNumbers(Input, 1, 1, 0, Width);
    benchmark::DoNotOptimize(Result.data());
  }
  CountLines(State);
}

void BM_AddPaddedLineNumbers(benchmark::State& State) {
  const std::u16string& Input = Text(TextKind::Plain, State.range(0));
  for (auto _ : State) {
    int32_t Width = 0;
    std::u16string Result = AddPaddedLineNumbers(Input, -5, 3, 1, lnoPlusSign, Width);
    benchmark::DoNotOptimize(Result.data());
  }
  CountLines(State);
}

template <std::u16string (*Operation)(std::u16string_view), TextKind Kind>
void BM_TextOperation(benchmark::State& State) {
  const std::u16string& Input = Text(Kind, State.range(0));
  for (auto _ : State) {
    std::u16string Result = Operation(Input);
    benchmark::DoNotOptimize(Result.data());
  }
  CountLines(State);
}

#define ENGINE_SIZES ->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)

BENCHMARK(BM_CopyFloor) ENGINE_SIZES;
BENCHMARK(BM_ListSplit) ENGINE_SIZES;
BENCHMARK(BM_LineViews) ENGINE_SIZES;
BENCHMARK(BM_AddLineNumbers) ENGINE_SIZES;
BENCHMARK(BM_AddPaddedLineNumbers) ENGINE_SIZES;
BENCHMARK(BM_TextOperation<DeleteLineNumbers, TextKind::Numbered>)
    ->Name("BM_DeleteLineNumbers") ENGINE_SIZES;
BENCHMARK(BM_TextOperation<DeleteNumberOnlyLines, TextKind::Numbered>)
    ->Name("BM_DeleteNumberOnlyLines") ENGINE_SIZES;
BENCHMARK(BM_TextOperation<DeleteNumberOnlyLines, TextKind::EveryOtherNumberOnly>)
    ->Name("BM_DeleteNumberOnlyLines_EveryOther") ENGINE_SIZES;
BENCHMARK(BM_TextOperation<DeleteIndentAfterNumber, TextKind::IndentedNumbered>)
    ->Name("BM_DeleteIndentAfterNumber") ENGINE_SIZES;

}  // namespace

int main(int argc, char** argv) {
  // Page faults would otherwise decide the 1,000,000-line figures, and by the order of the
  // benchmarks: a block is mapped afresh or carved from heap memory that an earlier benchmark
  // left behind. So every block comes from the heap (no mmap), freed memory stays there (no
  // trimming), and the heap is grown and faulted in once here, larger than any benchmark
  // needs: then every benchmark, copy floor included, works in memory already faulted in.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
  constexpr size_t HeapBytes = size_t{1} << 30;
  if (void* Heap = std::malloc(HeapBytes)) {
    std::memset(Heap, 1, HeapBytes);
    benchmark::DoNotOptimize(Heap);
    std::free(Heap);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
