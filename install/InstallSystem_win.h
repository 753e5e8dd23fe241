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
  std::unique_ptr<FileForReading> OpenForReading(const std::wstring& path) override;
  std::vector<std::wstring> OrdinaryFiles(const std::wstring& pattern) override;
  bool HoldsSameBytes(const std::wstring& path, const std::wstring& original) override;
  void ClearReadOnly(const std::wstring& path) override;
  std::wstring SpecialFolder(int folderId) override;
  void RegisterFont(const std::wstring& valueName, const std::wstring& fileName,
                    const std::wstring& path) override;
  void AnnounceFontChange() override;
  [[noreturn]] void End() override;

 private:
  HWND owner_;
};
