#pragma once

#include <string>

#include "setup/SetupArguments.h"
#include "setup/SetupEnvironment.h"
#include "setup/SetupSystem.h"
#include "setup/Transaction.h"

// Everyone else on the computer: Windows' Active Setup runs a command once for each person at
// their next sign-in, and runs it again whenever its Version grows.

// Has Windows run the copy of setup in our folder ("/user", with `action`) once for every person
// at their next sign-in: the same command with the same Version runs for nobody again; a new
// command gets a higher Version.
void RegisterPerUserCommand(Transaction& change, SetupSystem& system,
                            const SetupEnvironment& environment, SetupAction action);
bool HasPerUserCommand(SetupSystem& system);
void RemovePerUserCommand(Transaction& change);
