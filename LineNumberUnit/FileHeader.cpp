#include "LineNumberUnit/FileHeader.h"

std::u16string CopyHeader(std::u16string_view Path, std::u16string_view Break) {
  const size_t Cut = Path.find_last_of(u"\\/:");
  const size_t NameStart = Cut == std::u16string_view::npos ? 0 : Cut + 1;
  std::u16string Header(Path.substr(0, NameStart));
  Header += Break;
  Header += u"  ";
  Header += Path.substr(NameStart);
  Header += Break;
  return Header;
}
