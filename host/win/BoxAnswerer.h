#pragma once

// The message box answerer of the Windows test host (the plug-in's uninstall question).

#include <windows.h>

#include <string>

// Finds the message box the plug-in shows over the owner, records what it says and presses
// Yes or No. Checked on a timer, which the box's modal loop dispatches to the owner.
class TBoxAnswerer {
 public:
  void Arm(HWND Owner, bool AnswerYes);
  void Disarm(HWND Owner);
  void OnTimer(HWND Owner);

  static constexpr UINT_PTR TimerId = 0xC0A2;

  [[nodiscard]] bool Seen() const { return FSeen; }
  [[nodiscard]] const std::u16string& Caption() const { return FCaption; }
  [[nodiscard]] const std::u16string& Text() const { return FText; }
  [[nodiscard]] const std::string& Buttons() const {
    return FButtons;
  }                                                                // ids of the visible buttons
  [[nodiscard]] const std::string& Icon() const { return FIcon; }  // "question", "other", "none"
  [[nodiscard]] int Ticks() const { return FTicks; }

 private:
  bool FArmed = false;
  bool FAnswerYes = false;
  bool FSeen = false;
  int FTicks = 0;
  std::u16string FCaption;
  std::u16string FText;
  std::string FButtons;
  std::string FIcon;
};
