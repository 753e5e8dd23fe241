#include "setup/SetupArguments.h"

#include <algorithm>
#include <cwctype>

namespace {

std::wstring Lowered(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

}  // namespace

SetupArguments ParseSetupArguments(const std::vector<std::wstring>& arguments) {
  SetupArguments result;
  bool usage = false;
  bool uninstall = false;
  for (const auto& argument : arguments) {
    const std::wstring word = Lowered(argument);
    const bool switchLike = word.size() > 1 && (word[0] == L'/' || word[0] == L'-');
    const std::wstring name = switchLike ? word.substr(1) : std::wstring{};
    if (name == L"uninstall") {
      uninstall = true;
    } else if (name == L"user") {
      result.forUser = true;
    } else if (name == L"elevated") {
      result.elevatedRun = true;
    } else if (name == L"quiet") {
      result.quiet = true;
    } else if (name == L"?" || name == L"help") {
      usage = true;
    } else if (result.unknown.empty()) {
      // Kept as typed, so the message shows the user's own words.
      result.unknown = argument.empty() ? L"\"\"" : argument;
    }
  }
  result.action =
      usage ? SetupAction::Usage : (uninstall ? SetupAction::Uninstall : SetupAction::Install);
  return result;
}
