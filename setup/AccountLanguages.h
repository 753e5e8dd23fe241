#pragma once

#include <string>
#include <vector>

#include "setup/SetupEnvironment.h"
#include "setup/SetupSystem.h"
#include "setup/Transaction.h"

// The layout in one person's input languages: the account setup runs as. Windows XP reads the
// Preload and Substitutes lists; Windows Vista and later have the input service (input.dll),
// and Windows 8 and later a language profile too.

struct UserAddition {
  bool added = false;
  std::wstring activateId;  // what makes the layout usable at once: its substitute or KLID
};

// Adds the registered layout `klid` to this account's languages, unless setup did so before
// (whatever the person has changed in their lists since then stands).
UserAddition AddForThisAccount(Transaction& change, SetupSystem& system, const SetupEnvironment& e,
                               const std::wstring& klid);

// Takes our layouts out of this account's languages and takes setup's record of them away.
// `machineKlids`: the layouts of ours the machine still has (none once it is uninstalled, when
// the account's record names what it was given).
void RemoveForThisAccount(Transaction& change, SetupSystem& system, const SetupEnvironment& e,
                          const std::vector<std::wstring>& machineKlids);
