#pragma once

#include <string>

// Which way the website is opened. The program runs with administrator rights; a browser it
// started itself would have them too, and so would every page and download in it. The desktop's
// own shell runs as the user at the desktop: handed the address, it opens the browser as that
// user.
enum class WebsiteRoute {
  DesktopShell,  // handed to the desktop's shell
  ThisProgram,   // opened by the program itself: there was no desktop shell to hand it to
};

// What opening the website asks of the system.
class WebsiteSystem {
 public:
  virtual ~WebsiteSystem() = default;
  // Hands the address to the desktop's shell to open. False when no desktop shell could be
  // reached, and then nothing was opened. Once the shell has the address, whatever it makes of
  // it is its business: true.
  virtual bool OpenThroughDesktopShell(const std::wstring& address) = 0;
  // Opens the address from this program; whatever the system answers is ignored.
  virtual void OpenFromThisProgram(const std::wstring& address) = 0;
};

// Opens the address once: through the desktop's shell, or only where there is none, from this
// program. Returns the way it went.
WebsiteRoute OpenWebsiteWith(WebsiteSystem& system, const std::wstring& address);
