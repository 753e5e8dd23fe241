#pragma once

// The version of the running Windows (5.1 Windows XP, 5.2 XP x64 and Server 2003, 6.0 Vista,
// 6.1 Windows 7 ...) and the structure sizes it decides. Windows grows some structures with new
// fields and refuses a size it does not know, so a structure is passed at the size the running
// Windows knows, not the size our headers declare.
struct WindowsVersion {
  unsigned major = 0;
  unsigned minor = 0;
};

// NONCLIENTMETRICSW: Windows Vista added iPaddedBorderWidth, 4 bytes at the end (504 bytes);
// Windows XP and Server 2003 fail SystemParametersInfo(SPI_GETNONCLIENTMETRICS) with that size.
constexpr unsigned NonClientMetricsSize(WindowsVersion running) {
  return running.major >= 6 ? 504u : 500u;
}
