#include "install/InstallScript.h"

#include <stdexcept>

std::wstring BuildInstallScript() {
  static constexpr const wchar_t* kLines[] = {
      L"Dim oShell",
      L"Dim oFSO",
      L"Dim sCurDir",
      L"Dim sWinDir",
      L"Set oShell = CreateObject(\"WScript.Shell\")",
      L"Set oFSO = CreateObject(\"Scripting.FileSystemObject\")",
      L"sCurDir = Left(WScript.ScriptFullName, InStrRev(WScript.ScriptFullName, \"\\\") - 1)",
      L"sWinDir = oShell.ExpandEnvironmentStrings(\"%WinDir%\")",
      L"oShell.Run sWinDir & \"\\system32\\rundll32.exe advpack.dll,LaunchINFSection \" & sCurDir "
      L"& "
      L"\"\\intl.inf,LANGUAGE_COLLECTION.COMPLEX.INSTALL\", 1, 1",
      L"oShell.Run sWinDir & \"\\system32\\rundll32.exe advpack.dll,LaunchINFSection \" & sCurDir "
      L"& "
      L"\"\\intl.inf,LANGUAGE_COLLECTION.EXTENDED.INSTALL\", 1, 1",
  };
  std::wstring script;
  for (const wchar_t* line : kLines) {
    script += line;
    script += L"\r\n";
  }
  return script;
}

std::string InstallScriptFileBytes(const std::wstring& installScript) {
  std::string bytes;
  bytes.reserve(installScript.size() + 2);
  for (wchar_t c : installScript) {
    // ASCII is the same in every ANSI code page, so no conversion is needed.
    if (c < 0x20 && c != L'\r' && c != L'\n') {
      throw std::invalid_argument("install script holds a control character");
    }
    if (c > 0x7E) {
      throw std::invalid_argument("install script holds a non-ASCII character");
    }
    bytes += static_cast<char>(c);
  }
  bytes += "\r\n";
  return bytes;
}
