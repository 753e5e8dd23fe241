#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "setup/LayoutSlot.h"
#include "setup/SetupEnvironment.h"
#include "setup/SetupSystem.h"
#include "setup/Transaction.h"

// The computer-wide layout: its DLLs in the system folders and its registration under the
// machine's keyboard-layouts key, which Windows checks by loading it.

// Whether a layout DLL of ours is built for the processor (x86, x64, ARM64).
bool HasLayoutFor(Processor processor);

// A layout DLL from the distribution and where it goes.
struct LayoutFileCopy {
  std::wstring destination;
  Bytes bytes;
};
// The DLLs this machine needs, read from the distribution beside setup.exe.
std::vector<LayoutFileCopy> ReadLayoutFiles(SetupSystem& system, const SetupEnvironment& e);
void PutLayoutFiles(Transaction& change, const std::vector<LayoutFileCopy>& files);
void RemoveLayoutFiles(Transaction& change, const SetupEnvironment& e);

// A file of our name in a system folder that another maker's version resource claims (or none
// does): setup replaces and deletes only its own.
struct ForeignFile {
  std::wstring path;
  std::wstring maker;  // "CompanyName, ProductName" as far as they are given
};
std::optional<ForeignFile> FindForeignLayoutFile(SetupSystem& system, const SetupEnvironment& e);

// Every subkey of the machine's keyboard-layouts key.
std::vector<RegisteredLayout> RegisteredLayouts(SetupSystem& system);
void RegisterLayout(Transaction& change, const LayoutSlot& slot);
void UnregisterLayouts(Transaction& change, const std::vector<std::wstring>& klids);

// Registered is not yet accepted: Windows reads the file itself and may refuse it. Asks Windows
// to load the layout and throws SystemError (kRefused) when the handle it gives is not ours; a
// layout loaded for the first time is unloaded again on a rollback. False where the system
// cannot load layouts at all (Wine), so Windows was not asked.
bool CheckWindowsLoadsLayout(Transaction& change, SetupSystem& system, const LayoutSlot& slot,
                             bool vistaOrLater);
// Lets go of the layouts of ours Windows has loaded in this session.
void ReleaseLayouts(SetupSystem& system, const std::vector<RegisteredLayout>& layouts);

// Whether a layout file is ours by its version resource (maker, product, description).
bool IsOurLayoutFile(const Bytes& file);
// Whether the handle Windows gave for our layout is ours: the language in the low word and,
// from Windows Vista on, 0xF000 | "Layout Id" in the high word.
bool IsOurLayoutHandle(std::uint32_t handle, const std::wstring& layoutId, bool vistaOrLater);
