#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "install/FontName.h"

// A file open for reading; closed when it goes. The font copier reads a font's name from it and
// then copies that same open file, so the bytes it checked are the bytes it installs.
class FileForReading : public FontFileReader {
 public:
  // Copies the whole file to `destination`, replacing a file there: an ordinary file (never
  // read-only) with this file's bytes and last-write time. A copy that fails part way is
  // removed, so no half-written file stays behind.
  virtual void CopyTo(const std::wstring& destination) = 0;
};

// What the install flows ask of the system, one operation per step they take. The Win32 side
// implements it for the real program; the unit tests put a recording stand-in in its place.
// Every operation that fails throws (SystemError on Windows); only the font copier catches.
class InstallSystem {
 public:
  virtual ~InstallSystem() = default;

  // The program's folder, read afresh on every call.
  virtual std::wstring AppFolder() = 0;
  // The system folder (where the script host lives), without a trailing backslash.
  virtual std::wstring SystemFolder() = 0;
  // A modal message box with prompt, button-and-icon code and title; returns the button pressed.
  virtual int ShowMessage(std::wstring_view prompt, unsigned code, std::wstring_view title) = 0;
  // Starts `application` with the full `commandLine` and the show code; never waits for it and
  // keeps no handle to it.
  virtual void Launch(const std::wstring& application, const std::wstring& commandLine,
                      int showCode) = 0;
  // Creates the file afresh with exactly these bytes. Whatever stood at the name (a file, a
  // link) is replaced, never written through; a folder there fails, and so does a file someone
  // holds open, unless it holds exactly these bytes (another copy of the program's). Until the
  // program ends or writes the file again, nobody else can change it.
  virtual void WriteFileBytes(const std::wstring& path, const std::string& bytes) = 0;
  virtual std::unique_ptr<FileForReading> OpenForReading(const std::wstring& path) = 0;
  // Names (no folder) of the ordinary files matching the pattern, in the system's order: no
  // hidden or system files, no folders. A missing folder gives none.
  virtual std::vector<std::wstring> OrdinaryFiles(const std::wstring& pattern) = 0;
  // Whether `path` exists and holds exactly the bytes of `original`: sizes first, contents only
  // when they match. A file that cannot be read, even shared, counts as different.
  virtual bool HoldsSameBytes(const std::wstring& path, const std::wstring& original) = 0;
  // Takes the read-only attribute off a file that has it.
  virtual void ClearReadOnly(const std::wstring& path) = 0;
  // A special folder's path by its identifier; empty when it cannot be resolved.
  virtual std::wstring SpecialFolder(int folderId) = 0;
  // Registers a font already in the Fonts folder for the machine: its registry entry
  // (`valueName` = `fileName`) and loading it for this session from `path`.
  virtual void RegisterFont(const std::wstring& valueName, const std::wstring& fileName,
                            const std::wstring& path) = 0;
  // Tells running programs that the set of fonts changed.
  virtual void AnnounceFontChange() = 0;
  // Ends the program at once.
  [[noreturn]] virtual void End() = 0;
};
