#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

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

  // Forgets what was recorded so far.
  void Clear() const;
  // Every address opened since the last Clear, in order.
  std::vector<std::string> Opened() const;
  // The same, each with the process that started the probe.
  std::vector<Opening> Openings() const;
  // Waits until at least `count` addresses arrived, then a moment more so that a surplus opening
  // shows too, and returns them all.
  std::vector<std::string> WaitForOpened(std::size_t count) const;

 private:
  std::wstring log_;
  std::optional<std::wstring> previousCommand_;
};
