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

// A failure of a step the system refused without an error number of its own; `what` says it in
// a full sentence.
inline constexpr std::uint32_t kRefused = 0;

class SetupSystem {
 public:
  virtual ~SetupSystem() = default;

  // Files. Paths are full Windows paths; the Win32 half sees past WOW64 file-system redirection,
  // so "...\System32\..." always means the real System32. No call ever rewrites a file in place:
  // a file is replaced by a complete new one in one step, and the one it replaces is kept beside
  // it until the change is committed or undone, so undoing never has to write a byte.
  virtual std::optional<Bytes> FileContents(const std::wstring& path) = 0;  // nullopt: no such file
  // Puts `bytes` at `path`: written in full to a new file in the same folder and flushed, then
  // put in place of whatever was there. A failure at any point leaves `path` as it was. Returns
  // where the file it replaced is kept (empty when there was none).
  virtual std::wstring ReplaceWithNewFile(const std::wstring& path, const Bytes& bytes) = 0;
  // Moves the file at `path` out of the way, to a new name in the same folder; returns that name.
  virtual std::wstring SetFileAside(const std::wstring& path) = 0;
  // Puts the file kept at `kept` back at `path`, in place of whatever is there now; with `kept`
  // empty, takes away what is at `path`.
  virtual void RestoreFile(const std::wstring& path, const std::wstring& kept) = 0;
  // Deletes a file that was kept or set aside; one still in use is deleted at the next restart
  // instead, and the result is false.
  virtual bool DiscardFile(const std::wstring& path) = 0;
  virtual bool FolderExists(const std::wstring& path) = 0;
  virtual void CreateFolder(const std::wstring& path) = 0;
  // Removes an empty folder; one that cannot go now is scheduled for the restart (false).
  virtual bool RemoveFolder(const std::wstring& path) = 0;

  // Registry (on 64-bit Windows always the 64-bit view). User is the account setup runs as.
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

  // The user's input languages through the system's own service (input.dll's
  // InstallLayoutOrTip, Windows Vista and later); only called when the environment says the
  // service is there. A refusal is thrown, naming the step.
  virtual void AddUserLanguage(const std::wstring& profile) = 0;
  // The service's uninstall flag only disables the entry; setup removes it from the lists itself.
  virtual void DisableUserLanguage(const std::wstring& profile) = 0;

  // Asks Windows to load the registered layout `klid` and gives the handle it returns (its low
  // 32 bits; 0 for none), or nullopt where the system cannot load layouts at all (Wine).
  virtual std::optional<std::uint32_t> LoadLayout(const std::wstring& klid) = 0;
  virtual void UnloadLayout(std::uint32_t handle) noexcept = 0;
  // Makes the layout usable at once for this account (by its KLID or substitute id), and lets
  // the one with this "Layout Id" go; best effort.
  virtual void ActivateLayout(const std::wstring& id) noexcept = 0;
  virtual void ReleaseLayout(const std::wstring& layoutId) noexcept = 0;
};
