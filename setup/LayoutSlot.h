#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Where the layout goes among the layouts a machine already has: its layout identifier (KLID)
// under the machine's keyboard-layouts key, its "Layout Id", and the user's substitute and
// preload entries. Pure decisions over what the registry holds.

// One subkey of the machine's keyboard-layouts key.
struct RegisteredLayout {
  std::wstring klid;        // the subkey's name, e.g. "00000409" or "a0000420"
  std::wstring layoutFile;  // "Layout File"
  std::wstring layoutId;    // "Layout Id"; empty for the system's own layouts
};

struct LayoutSlot {
  std::wstring klid;      // e.g. "a0000420"
  std::wstring layoutId;  // four hex digits, e.g. "00c0"
  bool alreadyRegistered = false;
};

// Our own registration if there is one (same layout file), otherwise the first free KLID of the
// form aNNN<language> and the highest custom Layout Id plus one, from 00c0 up. Throws
// SystemError when every identifier is taken.
LayoutSlot ChooseLayoutSlot(const std::vector<RegisteredLayout>& layouts,
                            std::wstring_view layoutFile, std::wstring_view language);

// Every KLID registered with this layout file (case does not matter in file names).
std::vector<std::wstring> LayoutsUsingFile(const std::vector<RegisteredLayout>& layouts,
                                           std::wstring_view layoutFile);

using NamedValues = std::vector<std::pair<std::wstring, std::wstring>>;  // name, data

// The user's substitute id for `klid`: the one that already maps to it, or the first free
// dNNN<language>.
std::wstring ChooseSubstitute(const NamedValues& substitutes, std::wstring_view klid,
                              std::wstring_view language);

// Names of the substitutes that map to `klid`.
std::vector<std::wstring> SubstitutesFor(const NamedValues& substitutes, std::wstring_view klid);

// The preload entry to add for `id`, or nullopt when the list has it already. Preload names are
// "1", "2", ...: the new one follows the highest.
std::optional<std::pair<std::wstring, std::wstring>> PreloadAddition(const NamedValues& preload,
                                                                     std::wstring_view id);

// The preload list without the entries whose data is one of `ids`, numbered 1..n again in the
// old order: the values to write and the names to delete.
struct PreloadRemoval {
  NamedValues write;
  std::vector<std::wstring> remove;
};
PreloadRemoval PreloadWithout(const NamedValues& preload, const std::vector<std::wstring>& ids);

bool SameText(std::wstring_view a, std::wstring_view b);  // case-insensitive, ASCII letters
