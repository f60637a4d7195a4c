#include "Corvane/CommandMenu.h"

namespace {

constexpr UINT HostSetRedrawMessage = 2092;

// Switches the editor's redrawing off for its lifetime and on again on every way out.
class TRedrawGuard {
 public:
  explicit TRedrawGuard(HWND hwnd) : FWnd(hwnd) { SendMessageW(FWnd, HostSetRedrawMessage, 0, 0); }
  ~TRedrawGuard() { SendMessageW(FWnd, HostSetRedrawMessage, 1, 0); }
  TRedrawGuard(const TRedrawGuard&) = delete;
  TRedrawGuard& operator=(const TRedrawGuard&) = delete;

 private:
  HWND FWnd;
};

}  // namespace

void ExecuteCommandMenu(HWND hwnd) {
  TRedrawGuard Redraw(hwnd);
}
