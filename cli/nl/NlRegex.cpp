// The pBRE numbering style: TBre, with the locale's idea of a character.

#include "cli/nl/NlRegex.h"

#include "cli/nl/NlBre.h"
#include "cli/nl/NlText.h"

struct TNlRegex::TImpl {
  TBre Bre;
};

bool TNlRegex::Compile(std::string_view Pattern, std::string& Error) {
  FImpl = std::make_unique<TImpl>();
  return FImpl->Bre.Compile(Pattern, NlUtf8(), Error);
}

bool TNlRegex::Matches(std::string_view Line) {
  return FImpl->Bre.Search(Line);
}

TNlRegex::TNlRegex() = default;
TNlRegex::~TNlRegex() = default;
