#pragma once

#include <windows.h>

#include "install/InstallSystem.h"

// The install flows' system: the real Windows, with the main window owning every message box.
class Win32InstallSystem final : public InstallSystem {
 public:
  explicit Win32InstallSystem(HWND owner) noexcept : owner_(owner) {}

  std::wstring AppFolder() override;
  std::wstring SystemFolder() override;
  int ShowMessage(std::wstring_view prompt, unsigned code, std::wstring_view title) override;
  void Launch(const std::wstring& application, const std::wstring& commandLine,
              int showCode) override;
  void WriteFileBytes(const std::wstring& path, const std::string& bytes) override;
  std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path) override;
  std::vector<std::wstring> OrdinaryFiles(const std::wstring& pattern) override;
  void CopyFileOver(const std::wstring& from, const std::wstring& to) override;
  std::wstring SpecialFolder(int folderId) override;
  void RegisterFont(const std::wstring& valueName, const std::wstring& fileName,
                    const std::wstring& path) override;
  void AnnounceFontChange() override;
  [[noreturn]] void End() override;

 private:
  HWND owner_;
};
