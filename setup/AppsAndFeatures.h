#pragma once

#include <cstdint>

#include "setup/SetupEnvironment.h"
#include "setup/SetupSystem.h"
#include "setup/Transaction.h"

// The layout's entry in Apps & features (Add or Remove Programs on Windows XP), and the copy of
// setup.exe in our folder under Program Files that it runs, so that uninstalling works after
// the distribution is gone.

// Puts the copy of setup in our folder (`setupProgram`: the running setup.exe's bytes).
void KeepSetupCopy(Transaction& change, const SetupEnvironment& environment,
                   const Bytes& setupProgram);
// The copy and our folder go; when Apps & features started the copy, that copy is running: it
// and the folder go at the next restart.
void RemoveSetupCopy(Transaction& change, const SetupEnvironment& environment);

// The entry: our name, version and maker, the copy's icon and commands, and `totalBytes`, the
// size of what setup installed.
void RegisterUninstallEntry(Transaction& change, const SetupEnvironment& environment,
                            std::uint64_t totalBytes);
void RemoveUninstallEntry(Transaction& change);
