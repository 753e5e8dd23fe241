#include "web/WebsiteRoute.h"

WebsiteRoute OpenWebsiteWith(WebsiteSystem& system, std::wstring_view address) {
  if (system.OpenThroughDesktopShell(address)) {
    return WebsiteRoute::DesktopShell;
  }
  system.OpenFromThisProgram(address);
  return WebsiteRoute::ThisProgram;
}
