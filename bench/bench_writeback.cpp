// WriteBackLines numbering a whole document through the document model behind the fake
// editor window. Reports the host messages per changed line and the time per line; both
// should stay flat from 10,000 to 100,000 lines.

#include <benchmark/benchmark.h>

#include <string>

#include "FakeWin.h"
#include "LineNumberUnit/LineNumberUnit.h"
#include "host/HostDocument.h"
#include "plugin/PluginLibrary2.h"

namespace {

// Lines of varied length from a fixed seed, each ending in Break.
std::u16string MakeDocument(int64_t Lines, std::u16string_view Break) {
  std::u16string Text;
  uint32_t Seed = 12345;
  for (int64_t I = 0; I < Lines; ++I) {
    Seed = Seed * 1103515245u + 12345u;
    Text += u"line of text ";
    Text.append(8 + (Seed >> 16) % 40, u'a' + static_cast<char16_t>(I % 26));
    Text += Break;
  }
  return Text;
}

void Run(benchmark::State& State, std::u16string_view Break, int32_t Wrap, bool Change) {
  const int64_t Lines = State.range(0);
  const std::u16string Text = MakeDocument(Lines, Break);
  int32_t PrefixWidth = 0;
  const std::u16string NewText = Change ? AddLineNumbers(Text, 1, 1, 0, PrefixWidth) : Text;

  FakeWinReset();
  HostDocument Doc;
  Doc.SetLogEnabled(false);  // count only
  Doc.SetWrapWidth(Wrap);
  const HWND Wnd = FakeWinRegisterWindow(
      [&Doc](UINT Msg, WPARAM wParam, LPARAM lParam) { return Doc.Handle(Msg, wParam, lParam); });

  int64_t Messages = 0;
  for (auto _ : State) {
    State.PauseTiming();
    Doc.SetText(Text);
    Doc.Select({0, 0}, {0, static_cast<int32_t>(Lines)});
    Doc.ClearLog();
    State.ResumeTiming();
    WriteBackLines(Wnd, NewText);
    State.PauseTiming();
    Messages = Doc.MessageCount();
    if (Doc.Text() != NewText) State.SkipWithError("the document does not hold the new text");
    State.ResumeTiming();
  }
  // Fixed cost per call: reading the selection and placing the final one (about a dozen).
  State.counters["msgs_per_line"] = static_cast<double>(Messages) / static_cast<double>(Lines);
  State.counters["replaces"] = static_cast<double>(Doc.MessageCount(HostReplaceSel));
  State.counters["per_line"] =
      benchmark::Counter(static_cast<double>(Lines), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
  FakeWinReset();
}

void BM_NumberCrLfLines(benchmark::State& State) {
  Run(State, u"\r\n", 0, true);
}
void BM_NumberLfLines(benchmark::State& State) {
  Run(State, u"\n", 0, true);
}
void BM_NumberCrLfLinesWrapped(benchmark::State& State) {
  Run(State, u"\r\n", 20, true);
}
void BM_UnchangedCrLfLines(benchmark::State& State) {
  Run(State, u"\r\n", 0, false);
}

BENCHMARK(BM_NumberCrLfLines)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberLfLines)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberCrLfLinesWrapped)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnchangedCrLfLines)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
