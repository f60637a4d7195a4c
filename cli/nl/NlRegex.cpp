// The pBRE numbering style: TBre, with the locale's idea of a character.

#include "cli/nl/NlRegex.h"

#include <stdexcept>

#include "cli/nl/NlBre.h"
#include "cli/nl/NlText.h"

struct TNlRegex::TImpl {
  TBre Bre;
};

bool TNlRegex::Compile(std::string_view Pattern, std::string& Error) {
  FImpl = std::make_unique<TImpl>();
  if (FImpl->Bre.Compile(Pattern, NlUtf8(), Error)) return true;
  Error = NlMessage(Error.c_str());
  return false;
}

bool TNlRegex::Matches(std::string_view Line) {
  try {
    return FImpl->Bre.Search(Line);
  } catch (const std::runtime_error&) {
    throw std::runtime_error(NlMessage("error in regular expression search") + ": " +
                             NlMessage(TBre::TooMuchWork));
  }
}

TNlRegex::TNlRegex() = default;
TNlRegex::~TNlRegex() = default;
