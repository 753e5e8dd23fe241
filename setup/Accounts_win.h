#pragma once

#include "setup/SetupEnvironment.h"

// The account setup runs as, against the person at the desktop, and whether anyone else has an
// account on this computer.
struct Accounts {
  UserReach reach = UserReach::ThisAccount;
  bool others = false;
};

// The desktop's person is the owner of the shell window. Elevated by another account (a standard
// user approving with an administrator's password), setup runs as that other account: its own
// HKEY_CURRENT_USER is not the person's. Run as a service (a deployment tool), it has no desktop.
Accounts FindAccounts();
