#include "web/Website_win.h"

#include <string>

#include "platform/Com_win.h"
#include "platform/DesktopShell_win.h"
#include "platform/Module1_win.h"
#include "platform/SystemError.h"
#include "web/Website.h"
#include "web/WebsiteRoute.h"

namespace {

constexpr wchar_t kOperation[] = L"open";
constexpr wchar_t kDirectory[] = L"C:\\";

class Win32WebsiteSystem final : public WebsiteSystem {
 public:
  explicit Win32WebsiteSystem(HWND owner) noexcept : owner_(owner) {}

  bool OpenThroughDesktopShell(const std::wstring& address) override {
    // Once asked, whatever the shell answers: it may have opened the site all the same, and it
    // must not open twice.
    return ShellExecuteOnDesktop(address, {}, kDirectory, kOperation, SW_SHOWNORMAL) !=
           DesktopShellAnswer::NoShell;
  }
  void OpenFromThisProgram(const std::wstring& address) override {
    ShellExecuteFromSystemFolder(owner_, kOperation, address.c_str(), nullptr, kDirectory,
                                 SW_SHOWNORMAL);
  }

 private:
  HWND owner_;
};

}  // namespace

void OpenWebsite(HWND owner) noexcept {
  // A missing browser or association is not the user's problem here: whatever the shell says,
  // and even a shell that cannot be reached, is ignored.
  try {
    // The desktop's shell is asked through COM, and the shell may hand the address to a browser
    // through COM too.
    EnsureComApartment();
    Win32WebsiteSystem system(owner);
    OpenWebsiteWith(system, std::wstring(kWebsiteAddress));
  } catch (const SystemError&) {
  }
}
