#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

// The library's one assertion-failure exception. Message() is the formatted text
// "<message> (<file>, <line> 行)"; what() gives the same text in UTF-8.
class EAssertionFailed : public std::exception {
 public:
  explicit EAssertionFailed(std::u16string Message);

  [[nodiscard]] const std::u16string& Message() const noexcept { return FMessage; }
  [[nodiscard]] const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  std::u16string FMessage;
  std::string FWhat;
};

// Raises EAssertionFailed with "%s (%s, %d 行)" filled from Msg, File and Line.
// AssertionFailed(u"Listエラー", u"TemplateList/ListClone", 127)
//   -> u"Listエラー (TemplateList/ListClone, 127 行)"
[[noreturn]] void AssertionFailed(std::u16string_view Msg, std::u16string_view File, int32_t Line);
