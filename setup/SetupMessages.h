#pragma once

#include <string>

#include "setup/Setup.h"

// What the setup program tells its user, and the exit code it ends with.

inline constexpr const wchar_t* kSetupTitle = L"Urdu Phonetic Keyboard Setup";

// Exit codes, in the conventions deployment tools already know (those of Windows Installer).
inline constexpr int kExitSuccess = 0;          // installed / removed, or already so
inline constexpr int kExitBadArguments = 87;    // nothing changed
inline constexpr int kExitFailed = 1603;        // failed; every change was undone
inline constexpr int kExitCancelled = 1602;     // no administrator's approval; nothing changed
inline constexpr int kExitNotAllUndone = 1604;  // failed, and some changes could not be undone
inline constexpr int kExitUnsupportedProcessor = 1633;  // nothing changed
inline constexpr int kExitRestartNeeded = 3010;         // done; some files go at the next restart

std::wstring SetupMessage(const SetupOutcome& outcome);
int SetupExitCode(const SetupOutcome& outcome);
// Whether the message is a warning (failure, bad arguments) rather than information.
bool SetupMessageIsWarning(const SetupOutcome& outcome);
