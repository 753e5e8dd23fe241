#include "install/InstallPaths.h"

#include "core/AppFolder.h"

std::wstring SetupProgramPath(std::wstring_view appFolder) {
  return InAppFolder(appFolder, L"\\lyurdu\\setup.exe");
}

std::wstring InstallScriptPath(std::wstring_view appFolder) {
  return InAppFolder(appFolder, L"\\install.vbs");
}

std::wstring FontSourceFolder(std::wstring_view appFolder) {
  return InAppFolder(appFolder, L"\\urdu fonts\\");
}

std::wstring FontSourcePattern(std::wstring_view appFolder) {
  return FontSourceFolder(appFolder) + L"*.ttf";
}

std::wstring ScriptHostPath(std::wstring_view systemFolder) {
  std::wstring path(systemFolder);
  if (path.empty() || path.back() != L'\\') {
    path += L'\\';
  }
  return path + L"wscript.exe";
}

std::wstring QuoteArgument(std::wstring_view argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a quote follows: then each must be doubled, and the
    // quote itself escaped.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  // The closing quote follows: double any trailing backslashes ("C:\" stays one argument).
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

std::wstring CommandLine(std::wstring_view program, std::wstring_view argument) {
  // The program name is read up to the next quote, without escapes; a path holds no quotes.
  std::wstring line = L"\"" + std::wstring(program) + L"\"";
  if (!argument.empty()) {
    line += L' ';
    line += QuoteArgument(argument);
  }
  return line;
}

bool HasTrueTypeExtension(std::wstring_view fileName) {
  constexpr std::wstring_view extension = L".ttf";
  if (fileName.size() < extension.size()) {
    return false;
  }
  const std::wstring_view tail = fileName.substr(fileName.size() - extension.size());
  for (std::size_t i = 0; i < extension.size(); ++i) {
    wchar_t c = tail[i];
    if (c >= L'A' && c <= L'Z') {
      c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    if (c != extension[i]) {
      return false;
    }
  }
  return true;
}
