#pragma once

#include <windows.h>

#include "setup/SetupEnvironment.h"
#include "setup/SetupSystem.h"

// The real machine: files past WOW64 file-system redirection, the registry's 64-bit view on
// 64-bit Windows, and the system's input-language service where Windows has one.
class Win32SetupSystem : public SetupSystem {
 public:
  Win32SetupSystem();
  // Whether the system folder has input.dll: Windows Vista and later. Windows XP has none.
  bool HasInputDll() const { return inputDll_; }

  std::optional<Bytes> FileContents(const std::wstring& path) override;
  std::wstring ReplaceWithNewFile(const std::wstring& path, const Bytes& bytes) override;
  std::wstring SetFileAside(const std::wstring& path) override;
  void RestoreFile(const std::wstring& path, const std::wstring& kept) override;
  bool DiscardFile(const std::wstring& path) override;
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
  void DisableUserLanguage(const std::wstring& profile) override;
  std::optional<std::uint32_t> LoadLayout(const std::wstring& klid) override;
  void UnloadLayout(std::uint32_t handle) noexcept override;
  void ActivateLayout(const std::wstring& id) noexcept override;
  void ReleaseLayout(const std::wstring& layoutId) noexcept override;

 private:
  void CallInputService(const std::wstring& profile, DWORD flags, const std::wstring& step);

  bool inputDll_;
};

// The machine's own processor, whatever this program's bitness: IsWow64Process2 where Windows
// has it (Windows 10 1511 and later, the only ones that run on ARM64), GetNativeSystemInfo
// before.
Processor NativeProcessor();
