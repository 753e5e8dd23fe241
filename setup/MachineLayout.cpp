#include "setup/MachineLayout.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "core/Identity.h"
#include "platform/SystemError.h"
#include "setup/SetupNames.h"
#include "setup/SystemReads.h"
#include "setup/VersionStrings.h"

namespace {

std::wstring LayoutKey(const std::wstring& klid) {
  return std::wstring(kLayoutsKey) + L'\\' + klid;
}

std::wstring Hex8(std::uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, std::size(text), L"%08x", static_cast<unsigned>(value));
  return text;
}

// The layout DLLs this machine needs, from the distribution beside setup.exe to the system
// folders: the x86 one on 32-bit Windows; on 64-bit Windows the machine's own (x64 or ARM64) in
// System32, for the processes native to it (sign-in, the shell, Settings), and the WOW64 one in
// SysWOW64 for 32-bit programs. None on a processor no DLL of ours is built for.
struct LayoutFile {
  std::wstring source;
  std::wstring destination;
};
std::vector<LayoutFile> LayoutFiles(const SetupEnvironment& e) {
  const std::wstring file = kLayoutFile;
  const wchar_t* native = nullptr;
  switch (e.processor) {
    case Processor::X86:
      return {{Join(e.sourceFolder, L"x86\\" + file), Join(e.systemFolder, file)}};
    case Processor::X64:
      native = L"x64\\";
      break;
    case Processor::Arm64:
      native = L"arm64\\";
      break;
    case Processor::Other:
      return {};
  }
  return {{Join(e.sourceFolder, native + file), Join(e.systemFolder, file)},
          {Join(e.sourceFolder, L"wow64\\" + file), Join(e.wow64Folder, file)}};
}

std::wstring LayoutRefusal(std::uint32_t handle, std::uint32_t expected) {
  return L"Windows did not accept the Urdu Phonetic layout: asked to load it, Windows gave back "
         L"the keyboard layout " +
         Hex8(handle) + L" instead of " + Hex8(expected) +
         L", so the layout would not type. The layout file may be damaged or not made for this "
         L"version of Windows.";
}

std::uint32_t ExpectedHandle(const std::wstring& layoutId) {
  const auto id = static_cast<std::uint32_t>(std::wcstoul(layoutId.c_str(), nullptr, 16));
  const auto language = static_cast<std::uint32_t>(std::wcstoul(kLayoutLanguage, nullptr, 16));
  return ((0xF000u | (id & 0x0FFFu)) << 16) | language;
}

}  // namespace

bool HasLayoutFor(Processor processor) {
  SetupEnvironment machine;
  machine.processor = processor;
  return !LayoutFiles(machine).empty();
}

std::vector<LayoutFileCopy> ReadLayoutFiles(SetupSystem& system, const SetupEnvironment& e) {
  const auto files = LayoutFiles(e);
  std::vector<LayoutFileCopy> copies(files.size());
  std::transform(files.begin(), files.end(), copies.begin(), [&](const LayoutFile& file) {
    return LayoutFileCopy{file.destination, ReadRequiredFile(system, file.source)};
  });
  return copies;
}

void PutLayoutFiles(Transaction& change, const std::vector<LayoutFileCopy>& files) {
  for (const auto& file : files) {
    change.PutFile(file.destination, file.bytes);
  }
}

void RemoveLayoutFiles(Transaction& change, const SetupEnvironment& e) {
  for (const auto& file : LayoutFiles(e)) {
    change.RemoveFile(file.destination);
  }
}

std::optional<ForeignFile> FindForeignLayoutFile(SetupSystem& system, const SetupEnvironment& e) {
  for (const auto& file : LayoutFiles(e)) {
    const auto there = system.FileContents(file.destination);
    if (!there || IsOurLayoutFile(*there)) {
      continue;
    }
    ForeignFile foreign{file.destination, {}};
    if (const auto strings = ReadVersionStrings(*there)) {
      for (const wchar_t* name : {L"CompanyName", L"ProductName"}) {
        if (const auto it = strings->find(name); it != strings->end() && !it->second.empty()) {
          foreign.maker += (foreign.maker.empty() ? L"" : L", ") + it->second;
        }
      }
    }
    return foreign;
  }
  return std::nullopt;
}

std::vector<RegisteredLayout> RegisteredLayouts(SetupSystem& system) {
  std::vector<RegisteredLayout> layouts;
  for (const auto& klid : system.SubKeys(RegRoot::Machine, kLayoutsKey)) {
    RegisteredLayout layout{klid, {}, {}};
    if (auto file = system.ReadValue(RegRoot::Machine, LayoutKey(klid), L"Layout File")) {
      layout.layoutFile = file->text;
    }
    if (auto id = system.ReadValue(RegRoot::Machine, LayoutKey(klid), L"Layout Id")) {
      layout.layoutId = id->text;
    }
    layouts.push_back(std::move(layout));
  }
  return layouts;
}

void RegisterLayout(Transaction& change, const LayoutSlot& slot) {
  const std::wstring key = LayoutKey(slot.klid);
  change.SetValue(RegRoot::Machine, key, L"Layout File", RegValue::String(kLayoutFile));
  change.SetValue(RegRoot::Machine, key, L"Layout Text", RegValue::String(kLayoutText));
  change.SetValue(RegRoot::Machine, key, L"Layout Display Name",
                  RegValue::Expand(kLayoutDisplayName));
  change.SetValue(RegRoot::Machine, key, L"Layout Id", RegValue::String(slot.layoutId));
}

void UnregisterLayouts(Transaction& change, const std::vector<std::wstring>& klids) {
  for (const auto& klid : klids) {
    change.RemoveKey(RegRoot::Machine, LayoutKey(klid));
  }
}

bool CheckWindowsLoadsLayout(Transaction& change, SetupSystem& system, const LayoutSlot& slot,
                             bool vistaOrLater) {
  const auto handle = system.LoadLayout(slot.klid);
  if (!handle) {
    return false;
  }
  if (!IsOurLayoutHandle(*handle, slot.layoutId, vistaOrLater)) {
    throw SystemError(kRefused, {}, LayoutRefusal(*handle, ExpectedHandle(slot.layoutId)));
  }
  if (!slot.alreadyRegistered) {
    change.OnRollback(L"the layout, loaded in this session until you sign out",
                      [&system, loaded = *handle] { system.UnloadLayout(loaded); });
  }
  return true;
}

void ReleaseLayouts(SetupSystem& system, const std::vector<RegisteredLayout>& layouts) {
  for (const auto& layout : layouts) {
    if (SameText(layout.layoutFile, kLayoutFile)) {
      system.ReleaseLayout(layout.layoutId);
    }
  }
}

bool IsOurLayoutFile(const Bytes& file) {
  const auto strings = ReadVersionStrings(file);
  const auto says = [&](const wchar_t* name, const wchar_t* expected) {
    const auto it = strings->find(name);
    return it != strings->end() && it->second == expected;
  };
  return strings && says(L"CompanyName", TIUP_WIDE(TIUP_COMPANY_NAME)) &&
         says(L"ProductName", TIUP_WIDE(TIUP_LAYOUT_DESCRIPTION)) &&
         says(L"FileDescription", TIUP_WIDE(TIUP_LAYOUT_DESCRIPTION));
}

bool IsOurLayoutHandle(std::uint32_t handle, const std::wstring& layoutId, bool vistaOrLater) {
  const std::uint32_t expected = ExpectedHandle(layoutId);
  if ((handle & 0xFFFFu) != (expected & 0xFFFFu)) {
    return false;
  }
  // Windows XP documents no rule for the high word; it is at least not the system's own layout
  // for the language.
  return vistaOrLater ? handle == expected : (handle >> 16) != (handle & 0xFFFFu);
}
