#pragma once

#include <windows.h>

#include "platform/Handles_win.h"
#include "setup/SetupSystem.h"

// The real machine: files past WOW64 file-system redirection, the registry's 64-bit view on
// 64-bit Windows, and the system's input-language service when it has one.
class Win32SetupSystem : public SetupSystem {
 public:
  Win32SetupSystem();
  // Whether the system manages input languages itself (input.dll's InstallLayoutOrTip).
  bool HasInputService() const { return installLayoutOrTip_ != nullptr; }

  std::optional<Bytes> ReadFile(const std::wstring& path) override;
  void WriteFile(const std::wstring& path, const Bytes& bytes) override;
  bool DeleteFile(const std::wstring& path) override;
  bool FolderExists(const std::wstring& path) override;
  void CreateFolder(const std::wstring& path) override;
  bool RemoveFolder(const std::wstring& path) override;
  bool KeyExists(RegRoot root, const std::wstring& key) override;
  std::vector<std::wstring> SubKeys(RegRoot root, const std::wstring& key) override;
  std::vector<std::wstring> ValueNames(RegRoot root, const std::wstring& key) override;
  std::optional<RegValue> ReadValue(RegRoot root, const std::wstring& key,
                                    const std::wstring& name) override;
  void WriteValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                  const RegValue& value) override;
  void DeleteValue(RegRoot root, const std::wstring& key, const std::wstring& name) override;
  void CreateKey(RegRoot root, const std::wstring& key) override;
  void DeleteKey(RegRoot root, const std::wstring& key) override;
  void AddUserLanguage(const std::wstring& profile) override;
  void RemoveUserLanguage(const std::wstring& profile) override;
  void LoadLayout(const std::wstring& id) noexcept override;
  void UnloadLayout(const std::wstring& layoutId) noexcept override;

 private:
  using InstallLayoutOrTipFunction = BOOL(WINAPI*)(LPCWSTR, DWORD);
  UniqueModule inputDll_;
  InstallLayoutOrTipFunction installLayoutOrTip_ = nullptr;
};

// Whether this is 64-bit Windows, whatever this program's own bitness.
bool IsWindows64();
