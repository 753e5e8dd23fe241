#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "UiDriver_win.h"

// One address the probe was given, and the process that started the probe.
struct Opening {
  std::string address;
  DWORD starterId = 0;
  std::string starterFile;  // "?" where the starter had ended before the probe looked
};

// Makes the probe program (TIUP_URL_PROBE) the prefix's handler of http addresses for as long as
// it lives, and reads back the addresses the shell handed to it.
class WebsiteProbe {
 public:
  WebsiteProbe();
  WebsiteProbe(const WebsiteProbe&) = delete;
  WebsiteProbe& operator=(const WebsiteProbe&) = delete;
  ~WebsiteProbe();

  // Opens an address once, waits for it and forgets it: the prefix's first opening starts the
  // shell's helpers, which should be done before any test counts openings.
  void WarmUp() const;
  // Forgets what was recorded so far.
  void Clear() const;
  // Every address opened since the last Clear, in order.
  std::vector<std::string> Opened() const;
  // The same, each with the process that started the probe.
  std::vector<Opening> Openings() const;
  // Waits until at least `count` addresses arrived, and then until nothing more can arrive:
  // `program` (where given) has finished what it was doing (see ui::Program::Answers), and no
  // probe is still running (each logs before it ends). Returns them all, a surplus included.
  std::vector<std::string> WaitForOpened(std::size_t count,
                                         const ui::Program* program = nullptr) const;

 private:
  std::wstring log_;
  std::optional<std::wstring> previousCommand_;
};
