// The benchmark's install timings, measured inside Wine so that starting Wine is not counted.
//
//   bench_install.exe fonts ROUNDS
//     From its own folder, which holds "urdu fonts" as the distribution does: per round, in
//     turns, a plain loop of CopyFileW of the fonts into the Fonts folder; the program's font
//     copier with registration left out (listing, reading each font's name, copying); and the
//     program's font copier as the install buttons run it (with registration). The fonts are
//     taken out of the Fonts folder again before every run, so each run copies every byte.
//     Beside them: the copier without registration given the Fonts folder and the listing, as
//     the plain loop is given its files and its destination (its work on each font), and the
//     two fixed costs of every run that this leaves out: resolving the Fonts folder through the
//     shell, and listing "urdu fonts".
//     Prints "<round> <plain ms> <copier without registration ms> <copier ms> <bytes>
//     <copier per-font work ms> <resolving ms> <listing ms>".
//   bench_install.exe setup ROUNDS SETUP.exe
//     Per round: "SETUP.exe /quiet", then "SETUP.exe /uninstall /quiet", each to its end.
//     Prints "<round> <install ms> <uninstall ms>".
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include <algorithm>
#include "install/FontName.h"
#include "install/InstallFlows.h"
#include "install/InstallPaths.h"
#include "install/InstallSystem_win.h"

#include "platform/Handles_win.h"
#include "platform/Module1_win.h"

namespace {

std::wstring WindowsPath(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (!path.empty() && path.front() == L'\\') {
    path.insert(0, L"Z:");  // Wine maps the Unix root to drive Z:
  }
  return path;
}

double Milliseconds(const LARGE_INTEGER& begin, const LARGE_INTEGER& end) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

template <typename Work>
double Timed(Work work) {
  LARGE_INTEGER begin{};
  LARGE_INTEGER end{};
  QueryPerformanceCounter(&begin);
  work();
  QueryPerformanceCounter(&end);
  return Milliseconds(begin, end);
}

// The program's copier without the registration: what it does that a plain copy also does,
// plus the listing and the reading of each font's name that decide what is copied. Everything
// else goes to the real system. Given a Fonts folder and a listing, it answers with those
// instead, as a plain loop has them: what is left is the copier's work on each font.
class CopyOnlySystem final : public InstallSystem {
 public:
  CopyOnlySystem() = default;
  CopyOnlySystem(std::wstring fontsFolder, std::vector<std::wstring> listing)
      : fontsFolder_(std::move(fontsFolder)), listing_(std::move(listing)) {}

  std::wstring AppFolder() override { return real_.AppFolder(); }
  std::wstring SystemFolder() override { return real_.SystemFolder(); }
  int ShowMessage(std::wstring_view prompt, unsigned code, std::wstring_view title) override {
    return real_.ShowMessage(prompt, code, title);
  }
  void Launch(const std::wstring& application, const std::wstring& commandLine,
              int showCode) override {
    real_.Launch(application, commandLine, showCode);
  }
  void WriteFileBytes(const std::wstring& path, const std::string& bytes) override {
    real_.WriteFileBytes(path, bytes);
  }
  std::unique_ptr<FileForReading> OpenForReading(const std::wstring& path) override {
    return real_.OpenForReading(path);
  }
  std::vector<std::wstring> OrdinaryFiles(const std::wstring& pattern) override {
    return listing_ ? *listing_ : real_.OrdinaryFiles(pattern);
  }
  bool HoldsSameBytes(const std::wstring& path, const std::wstring& original) override {
    return real_.HoldsSameBytes(path, original);
  }
  void ClearReadOnly(const std::wstring& path) override { real_.ClearReadOnly(path); }
  std::wstring SpecialFolder(int folderId) override {
    return fontsFolder_ ? *fontsFolder_ : real_.SpecialFolder(folderId);
  }
  void RegisterFont(const std::wstring&, const std::wstring&, const std::wstring&) override {}
  void AnnounceFontChange() override {}
  [[noreturn]] void End() override { real_.End(); }

 private:
  Win32InstallSystem real_{nullptr};
  std::optional<std::wstring> fontsFolder_;
  std::optional<std::vector<std::wstring>> listing_;
};

struct Font {
  std::wstring name;
  std::wstring registryName;
};

int Fonts(int rounds) {
  Win32InstallSystem system(nullptr);
  const std::wstring appFolder = system.AppFolder();
  const std::wstring source = FontSourceFolder(appFolder);
  const std::wstring fontsFolder = system.SpecialFolder(kCsidlFonts);
  std::vector<Font> fonts;
  unsigned long long bytes = 0;
  for (const std::wstring& name : system.OrdinaryFiles(FontSourcePattern(appFolder))) {
    if (!HasTrueTypeExtension(name)) {
      continue;
    }
    const auto file = system.OpenForReading(source + name);
    const auto registryName = FontRegistryName(*file);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (registryName &&
        GetFileAttributesExW((source + name).c_str(), GetFileExInfoStandard, &data)) {
      fonts.push_back({name, *registryName});
      bytes += static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    }
  }
  if (fonts.empty() || fontsFolder.empty()) {
    std::fwprintf(stderr, L"bench_install: no fonts in %ls\n", source.c_str());
    return 1;
  }
  // Leaves the Fonts folder and its registry key as they were before the benchmark.
  const auto takeOut = [&] {
    for (const Font& font : fonts) {
      const std::wstring path = fontsFolder + L"\\" + font.name;
      RemoveFontResourceW(path.c_str());
      DeleteFileW(path.c_str());
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE,
                         L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                         font.registryName.c_str());
    }
  };
  const auto plain = [&] {
    for (const Font& font : fonts) {
      if (!CopyFileW((source + font.name).c_str(), (fontsFolder + L"\\" + font.name).c_str(),
                     FALSE)) {
        std::fwprintf(stderr, L"bench_install: copy failed (%lu)\n", GetLastError());
      }
    }
  };
  CopyOnlySystem copyOnly;
  CopyOnlySystem perFont(fontsFolder, system.OrdinaryFiles(FontSourcePattern(appFolder)));
  const auto copier = [&] { CopyFontsWith(copyOnly); };
  const auto perFontWork = [&] { CopyFontsWith(perFont); };
  const auto full = [&] { CopyFontsWith(system); };
  // One unmeasured warm-up of each: the first read of a file pays for cold caches.
  takeOut();
  plain();
  takeOut();
  full();
  for (int round = 0; round < rounds; ++round) {
    takeOut();
    const double plainMs = Timed(plain);
    takeOut();
    const double copierMs = Timed(copier);
    takeOut();
    const double fullMs = Timed(full);
    takeOut();
    const double perFontMs = Timed(perFontWork);
    const double resolvingMs = Timed([&] { system.SpecialFolder(kCsidlFonts); });
    const double listingMs = Timed([&] { system.OrdinaryFiles(FontSourcePattern(appFolder)); });
    std::printf("%d %.2f %.2f %.2f %llu %.2f %.3f %.3f\n", round, plainMs, copierMs, fullMs, bytes,
                perFontMs, resolvingMs, listingMs);
    std::fflush(stdout);
  }
  takeOut();
  return 0;
}

// Runs a command line to its end; the exit code, or -1 when it did not start or end in time.
long RunToEnd(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return -1;
  }
  const UniqueKernelHandle process(started.hProcess);
  const UniqueKernelHandle thread(started.hThread);
  if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.Get(), 1);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  return static_cast<long>(code);
}

int Setup(int rounds, const std::wstring& setup) {
  const std::wstring quoted = L"\"" + setup + L"\"";
  // A warm-up install and uninstall, not counted.
  RunToEnd(quoted + L" /quiet");
  RunToEnd(quoted + L" /uninstall /quiet");
  for (int round = 0; round < rounds; ++round) {
    long installCode = 0;
    long uninstallCode = 0;
    const double install = Timed([&] { installCode = RunToEnd(quoted + L" /quiet"); });
    const double uninstall =
        Timed([&] { uninstallCode = RunToEnd(quoted + L" /uninstall /quiet"); });
    if (installCode != 0 || uninstallCode != 0) {
      std::fwprintf(stderr, L"bench_install: setup exited %ld / %ld\n", installCode, uninstallCode);
      return 1;
    }
    std::printf("%d %.1f %.1f\n", round, install, uninstall);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"fonts") == 0) {
    return Fonts(_wtoi(argv[2]));
  }
  if (argc >= 4 && std::wcscmp(argv[1], L"setup") == 0) {
    return Setup(_wtoi(argv[2]), WindowsPath(argv[3]));
  }
  std::fwprintf(stderr, L"usage: bench_install fonts ROUNDS | setup ROUNDS SETUP.exe\n");
  return 2;
}
