#include "web/Website_win.h"

#include <shellapi.h>

#include "platform/Com_win.h"
#include "web/Website.h"

void OpenWebsite(HWND owner) noexcept {
  // The shell may hand the address to a browser through COM.
  EnsureComApartment();
  // The view spans a whole string literal, so its characters end with the literal's null.
  // A missing browser or association is not the user's problem here: the result is ignored.
  ShellExecuteW(owner, L"open", kWebsiteAddress.data(), nullptr, L"C:\\", SW_SHOWNORMAL);
}
