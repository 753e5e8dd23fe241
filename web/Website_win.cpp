#include "web/Website_win.h"

#include "install/Module1_win.h"
#include "platform/Com_win.h"
#include "platform/SystemError.h"
#include "web/Website.h"

void OpenWebsite(HWND owner) noexcept {
  // A missing browser or association is not the user's problem here: whatever the shell says,
  // and even a shell that cannot be reached, is ignored.
  try {
    // The shell may hand the address to a browser through COM.
    EnsureComApartment();
    // The view spans a whole string literal, so its characters end with the literal's null.
    ShellExecuteFromSystemFolder(owner, L"open", kWebsiteAddress.data(), nullptr, L"C:\\",
                                 SW_SHOWNORMAL);
  } catch (const SystemError&) {
  }
}
