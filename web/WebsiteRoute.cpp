#include "web/WebsiteRoute.h"

WebsiteRoute OpenWebsiteWith(WebsiteSystem& system, const std::wstring& address) {
  if (system.OpenThroughDesktopShell(address)) {
    return WebsiteRoute::DesktopShell;
  }
  system.OpenFromThisProgram(address);
  return WebsiteRoute::ThisProgram;
}
