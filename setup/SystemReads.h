#pragma once

#include <optional>
#include <string>

#include "setup/LayoutSlot.h"
#include "setup/SetupSystem.h"

// Reading what the system holds, in the forms setup's steps decide with.

// A file setup needs (from the distribution): missing is an error (2, file not found).
Bytes ReadRequiredFile(SetupSystem& system, const std::wstring& path);
// A value, or nothing where it or its key is not there.
std::optional<RegValue> ReadIfThere(SetupSystem& system, RegRoot root, const std::wstring& key,
                                    const std::wstring& name);
// The text values of a key (none where the key is not there).
NamedValues ReadNamedValues(SetupSystem& system, RegRoot root, const std::wstring& key);
