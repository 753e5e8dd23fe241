#pragma once

#include <string>
#include <vector>

// The setup program's command line: nothing (install), /uninstall, /user, /quiet, /? in any
// order and case, with '/' or '-'.
enum class SetupAction { Install, Uninstall, Usage };

struct SetupArguments {
  SetupAction action = SetupAction::Install;
  // Only this account's input languages, nothing of the machine's (no administrator needed).
  bool forUser = false;
  bool quiet = false;
  // Setup started itself to get an administrator's rights: it does not ask again, whatever it
  // got (with UAC turned off, Windows may start it without them).
  bool elevatedRun = false;
  // The first argument that is not understood; empty when every argument was.
  std::wstring unknown;
};

// `arguments` excludes the program's own path.
SetupArguments ParseSetupArguments(const std::vector<std::wstring>& arguments);
