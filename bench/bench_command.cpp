// The whole command (menu, target text, engine, write-back, caret) on a long document in the
// host document model behind the fake Win32, per line of the document. Run with 10,000 and
// 100,000 lines: the time per line should stay flat.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

#include "Corvane/CommandMenu.h"
#include "host/HostDocument.h"
#include "tests/fakewin/FakeWin.h"

namespace {

// Numbered lines with a shared indentation after the number and some number-only lines, so
// that inserting, deleting and tidying all have work on every line.
std::u16string MakeDocument(int32_t Lines, bool Numbered) {
  std::mt19937 Random(20240514);
  std::uniform_int_distribution<int> Length(0, 60);
  std::uniform_int_distribution<int> Letter(0, 25);
  std::u16string Text;
  for (int32_t i = 0; i < Lines; ++i) {
    const int Chars = Length(Random);
    if (Numbered) {
      std::u16string Number;
      for (int32_t n = i + 1; n > 0; n /= 10)
        Number.insert(Number.begin(), char16_t(u'0' + n % 10));
      Text += Number;
      Text += u':';
      if (Chars % 7 != 0) Text += u"    ";  // every seventh or so holds only its number
    }
    if (!Numbered || Chars % 7 != 0)
      for (int c = 0; c < Chars; ++c) Text += static_cast<char16_t>(u'a' + Letter(Random));
    Text += u"\r\n";
  }
  return Text;
}

void RunCommand(benchmark::State& State, UINT Id, bool Numbered) {
  const auto Lines = static_cast<int32_t>(State.range(0));
  const std::u16string Text = MakeDocument(Lines, Numbered);
  FakeWinReset();
  HostDocument Doc;
  Doc.SetLogEnabled(false);
  HWND Wnd = FakeWinRegisterWindow(
      [&Doc](UINT Msg, WPARAM wParam, LPARAM lParam) { return Doc.Handle(Msg, wParam, lParam); });
  FakeWinSetMenuChooser([Id](const TFakeTrackCall&) -> UINT_PTR { return Id; });
  for (auto _ : State) {
    State.PauseTiming();
    Doc.SetText(Text);
    Doc.ClearLog();
    State.ResumeTiming();
    ExecuteCommandMenu(Wnd);
  }
  if (Doc.Text() == Text && Id != 0) State.SkipWithError("the command changed nothing");
  FakeWinUnregisterWindow(Wnd);
  FakeWinReset();
  State.counters["per_line"] =
      benchmark::Counter(static_cast<double>(Lines), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void BM_NumberFromOne(benchmark::State& State) {
  RunCommand(State, 1, false);
}
void BM_DeleteNumbers(benchmark::State& State) {
  RunCommand(State, 4, true);
}
void BM_TidyAll(benchmark::State& State) {
  RunCommand(State, 11, true);
}

BENCHMARK(BM_NumberFromOne)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteNumbers)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TidyAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
