#include "LineNumberUnit/FileHeader.h"

namespace {

constexpr bool IsSeparator(char16_t C) {
  return C == u'\\' || C == u'/' || C == u':';
}

template <typename TChar>
std::basic_string<TChar> Assemble(std::basic_string_view<TChar> Path, size_t NameStart,
                                  std::basic_string_view<TChar> Break) {
  std::basic_string<TChar> Header(Path.substr(0, NameStart));
  Header += Break;
  Header += TChar(' ');
  Header += TChar(' ');
  Header += Path.substr(NameStart);
  Header += Break;
  return Header;
}

}  // namespace

std::u16string CopyHeader(std::u16string_view Path, std::u16string_view Break) {
  return Assemble(Path, FileNameStart(Path), Break);
}

std::string CopyHeader(std::string_view Path, std::string_view Break,
                       size_t (*CharLength)(unsigned char Lead)) {
  return Assemble(Path, FileNameStart(Path, CharLength), Break);
}

size_t FileNameStart(std::u16string_view Path) {
  size_t NameStart = 0;
  for (size_t I = 0; I < Path.size(); ++I) {
    if (IsSeparator(Path[I])) NameStart = I + 1;
  }
  return NameStart;
}

size_t FileNameStart(std::string_view Path, size_t (*CharLength)(unsigned char Lead)) {
  size_t NameStart = 0;
  for (size_t I = 0; I < Path.size();) {
    const auto Lead = static_cast<unsigned char>(Path[I]);
    if (IsSeparator(Lead)) NameStart = I + 1;
    I += CharLength(Lead);
  }
  return NameStart;
}
