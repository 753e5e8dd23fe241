#include "web/Website_win.h"

#include <shellapi.h>

#include <string>

#include "platform/Com_win.h"
#include "web/Website.h"

void OpenWebsite(HWND owner) noexcept {
  // The shell may hand the address to a browser through COM.
  EnsureComApartment();
  const std::wstring address(kWebsiteAddress);
  // A missing browser or association is not the user's problem here: the result is ignored.
  ShellExecuteW(owner, L"open", address.c_str(), nullptr, L"C:\\", SW_SHOWNORMAL);
}
