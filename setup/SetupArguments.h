#pragma once

#include <string>
#include <vector>

// The setup program's command line: nothing (install), /uninstall, /quiet, /? in any order and
// case, with '/' or '-'.
enum class SetupAction { Install, Uninstall, Usage };

struct SetupArguments {
  SetupAction action = SetupAction::Install;
  bool quiet = false;
  // The first argument that is not understood; empty when every argument was.
  std::wstring unknown;
};

// `arguments` excludes the program's own path.
SetupArguments ParseSetupArguments(const std::vector<std::wstring>& arguments);
