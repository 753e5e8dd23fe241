#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the layout's setup program needs from the system, in words the portable half can decide
// with. The Win32 half implements it with the real file system and registry; unit tests with an
// in-memory machine. Every failure is thrown as SystemError (platform/SystemError.h).

enum class RegRoot { Machine, User };

enum class RegType { String, ExpandString, Number };

struct RegValue {
  RegType type = RegType::String;
  std::wstring text;         // String and ExpandString
  std::uint32_t number = 0;  // Number (REG_DWORD)

  static RegValue String(std::wstring text) { return {RegType::String, std::move(text), 0}; }
  static RegValue Expand(std::wstring text) { return {RegType::ExpandString, std::move(text), 0}; }
  static RegValue Number(std::uint32_t number) { return {RegType::Number, {}, number}; }
  bool operator==(const RegValue&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

class SetupSystem {
 public:
  virtual ~SetupSystem() = default;

  // Files. Paths are full Windows paths; the Win32 half sees past WOW64 file-system redirection,
  // so "...\System32\..." always means the real System32.
  virtual std::optional<Bytes> ReadFile(const std::wstring& path) = 0;  // nullopt: no such file
  virtual void WriteFile(const std::wstring& path, const Bytes& bytes) = 0;
  // Deletes a file; a file in use is scheduled for deletion at the next restart instead, and
  // the result is false.
  virtual bool DeleteFile(const std::wstring& path) = 0;
  virtual bool FolderExists(const std::wstring& path) = 0;
  virtual void CreateFolder(const std::wstring& path) = 0;
  // Removes an empty folder; one that cannot go now is scheduled for the restart (false).
  virtual bool RemoveFolder(const std::wstring& path) = 0;

  // Registry (on 64-bit Windows always the 64-bit view).
  virtual bool KeyExists(RegRoot root, const std::wstring& key) = 0;
  virtual std::vector<std::wstring> SubKeys(RegRoot root, const std::wstring& key) = 0;
  virtual std::vector<std::wstring> ValueNames(RegRoot root, const std::wstring& key) = 0;
  virtual std::optional<RegValue> ReadValue(RegRoot root, const std::wstring& key,
                                            const std::wstring& name) = 0;
  // Creates the key (and its missing parents) when needed.
  virtual void WriteValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                          const RegValue& value) = 0;
  virtual void DeleteValue(RegRoot root, const std::wstring& key, const std::wstring& name) = 0;
  virtual void CreateKey(RegRoot root, const std::wstring& key) = 0;
  // Deletes a key that has no subkeys.
  virtual void DeleteKey(RegRoot root, const std::wstring& key) = 0;

  // The user's input languages through the system's own service (Windows 8 and later);
  // only called when the environment says the service is there.
  virtual void AddUserLanguage(const std::wstring& profile) = 0;
  virtual void RemoveUserLanguage(const std::wstring& profile) = 0;
  // Makes the layout usable at once (by its KLID or substitute id), and lets the one with this
  // "Layout Id" go; best effort, never throws.
  virtual void LoadLayout(const std::wstring& id) noexcept = 0;
  virtual void UnloadLayout(const std::wstring& layoutId) noexcept = 0;
};
