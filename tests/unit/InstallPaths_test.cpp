// Paths into the distribution folder and the command lines the flows start programs with,
// checked by reading each command line back with the system's parsing rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/InstallPaths.h"

namespace {

// The system's rules for splitting a command line (those of CommandLineToArgvW): the program
// name runs to the next quote if it starts with one, else to the first blank; after it, 2n
// backslashes before a quote give n and the quote toggles quoting, 2n+1 give n and a literal
// quote, other backslashes are literal, and blanks outside quotes separate arguments.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> arguments;
  std::size_t i = 0;
  std::wstring program;
  if (!line.empty() && line[0] == L'"') {
    for (i = 1; i < line.size() && line[i] != L'"'; ++i) {
      program += line[i];
    }
    if (i < line.size()) {
      ++i;
    }
  } else {
    for (; i < line.size() && line[i] != L' ' && line[i] != L'\t'; ++i) {
      program += line[i];
    }
  }
  arguments.push_back(program);
  for (;;) {
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) {
      ++i;
    }
    if (i >= line.size()) {
      return arguments;
    }
    std::wstring argument;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
      if (line[i] == L'\\') {
        std::size_t backslashes = 0;
        while (i < line.size() && line[i] == L'\\') {
          ++backslashes;
          ++i;
        }
        if (i < line.size() && line[i] == L'"') {
          argument.append(backslashes / 2, L'\\');
          if (backslashes % 2 == 1) {
            argument += L'"';
            ++i;
          }
        } else {
          argument.append(backslashes, L'\\');
        }
      } else if (line[i] == L'"') {
        if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
          argument += L'"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        argument += line[i++];
      }
    }
    arguments.push_back(argument);
  }
}

const std::vector<std::wstring> kFolders = {
    L"C:\\Tamlorix",
    L"C:\\Program Files\\Tamlorix Install Urdu Phonetic",
    L"D:\\\u0627\u0631\u062F\u0648 \u06A9\u06CC \u0628\u0648\u0631\u0688",  // Urdu, with spaces
    L"E:\\",                                                                // a drive root
    L"\\\\server\\share name\\setup",
    L"C:\\a  b\\tab\there",
};

TEST(DistributionPaths, AreTheFolderFollowedByTheirFixedSuffixes) {
  EXPECT_EQ(SetupProgramPath(L"C:\\A B"), L"C:\\A B\\lyurdu\\setup.exe");
  EXPECT_EQ(InstallScriptPath(L"C:\\A B"), L"C:\\A B\\install.vbs");
  EXPECT_EQ(FontSourceFolder(L"C:\\A B"), L"C:\\A B\\urdu fonts\\");
  EXPECT_EQ(FontSourcePattern(L"C:\\A B"), L"C:\\A B\\urdu fonts\\*.ttf");
  // At a drive root the folder keeps its backslash and the paths carry a doubled one.
  EXPECT_EQ(SetupProgramPath(L"E:\\"), L"E:\\\\lyurdu\\setup.exe");
  EXPECT_EQ(InstallScriptPath(L"E:\\"), L"E:\\\\install.vbs");
}

TEST(DistributionPaths, ScriptHostIsTheOneInTheSystemFolder) {
  EXPECT_EQ(ScriptHostPath(L"C:\\Windows\\system32"), L"C:\\Windows\\system32\\wscript.exe");
  EXPECT_EQ(ScriptHostPath(L"C:\\"), L"C:\\wscript.exe");
}

TEST(CommandLines, ReadBackAsExactlyTheProgramAndItsOneArgument) {
  for (const std::wstring& folder : kFolders) {
    const std::wstring setup = SetupProgramPath(folder);
    EXPECT_EQ(SplitCommandLine(CommandLine(setup)), std::vector<std::wstring>{setup}) << setup;
    const std::wstring host = ScriptHostPath(folder);
    const std::wstring script = InstallScriptPath(folder);
    EXPECT_EQ(SplitCommandLine(CommandLine(host, script)),
              (std::vector<std::wstring>{host, script}))
        << script;
  }
}

TEST(CommandLines, QuoteEveryArgumentAndSurviveBackslashesBeforeQuotes) {
  const std::vector<std::wstring> awkward = {L"",         L"plain",        L"C:\\",
                                             L"C:\\\\",   L"a\\\"b",       L"say \"hi\"",
                                             L"x\\\\\"y", L"trailing\\\\", L"\u0627 \u0628"};
  for (const std::wstring& argument : awkward) {
    const std::wstring quoted = QuoteArgument(argument);
    EXPECT_EQ(quoted.front(), L'"');
    EXPECT_EQ(quoted.back(), L'"');
    EXPECT_EQ(SplitCommandLine(L"p.exe " + quoted), (std::vector<std::wstring>{L"p.exe", argument}))
        << quoted;
  }
  // Unquoted, a path with a space would start "C:\Program.exe" with "Files\..." as arguments.
  EXPECT_EQ(CommandLine(L"C:\\Program Files\\lyurdu\\setup.exe"),
            L"\"C:\\Program Files\\lyurdu\\setup.exe\"");
}

TEST(FontFileNames, OnlyNamesEndingInTtfWhateverTheirCase) {
  EXPECT_TRUE(HasTrueTypeExtension(L"Jameel Noori Nastaleeq.ttf"));
  EXPECT_TRUE(HasTrueTypeExtension(L"NAFEES.TTF"));
  EXPECT_TRUE(HasTrueTypeExtension(L"a.TtF"));
  EXPECT_FALSE(HasTrueTypeExtension(L"font.ttfx"));
  EXPECT_FALSE(HasTrueTypeExtension(L"font.ttc"));
  EXPECT_FALSE(HasTrueTypeExtension(L"ttf"));
  EXPECT_FALSE(HasTrueTypeExtension(L""));
}

}  // namespace
