#pragma once

#include <string>
#include <string_view>

// Where the install flows find and put things, and the command lines they start programs with.

inline constexpr int kCsidlFonts = 20;    // the shell's identifier of the Fonts folder
inline constexpr int kShowMinimized = 2;  // minimised, with focus

std::wstring SetupProgramPath(std::wstring_view appFolder);
std::wstring InstallScriptPath(std::wstring_view appFolder);
std::wstring FontSourceFolder(std::wstring_view appFolder);  // ends with a backslash
std::wstring FontSourcePattern(std::wstring_view appFolder);
std::wstring ScriptHostPath(std::wstring_view systemFolder);

// One argument as the system's command-line parser reads it back: always quoted, with
// backslashes doubled where they come before a quote.
std::wstring QuoteArgument(std::wstring_view argument);
// A command line of quoted arguments: the program first, as the system expects it.
std::wstring CommandLine(std::wstring_view program, std::wstring_view argument = {});

// Whether a file name found by the "*.ttf" pattern really ends in ".ttf" (short-name matching
// can report names such as "font.ttfx").
bool HasTrueTypeExtension(std::wstring_view fileName);
