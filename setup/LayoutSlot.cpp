#include "setup/LayoutSlot.h"

#include <algorithm>
#include <cwchar>
#include <map>

#include "platform/SystemError.h"

namespace {

constexpr unsigned kFirstCustomLayoutId = 0x00c0;
// The layout's handle carries 0xF000 | Layout Id in a 16-bit word.
constexpr unsigned kLastLayoutId = 0x0fff;
constexpr unsigned kVariants = 0x1000;  // three hex digits between the prefix and the language
constexpr unsigned kErrorNoMoreItems = 259;

wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

std::wstring Hex(unsigned value, int digits) {
  wchar_t buffer[16];
  std::swprintf(buffer, std::size(buffer), L"%0*x", digits, value);
  return buffer;
}

std::optional<unsigned> ParseHex(std::wstring_view text) {
  if (text.empty() || text.size() > 8) {
    return std::nullopt;
  }
  unsigned value = 0;
  for (wchar_t c : text) {
    c = Lower(c);
    unsigned digit;
    if (c >= L'0' && c <= L'9') {
      digit = static_cast<unsigned>(c - L'0');
    } else if (c >= L'a' && c <= L'f') {
      digit = static_cast<unsigned>(c - L'a' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return value;
}

// The first id of the form <prefix>NNN<language> not among `taken`.
std::optional<std::wstring> FirstFree(wchar_t prefix, unsigned first, std::wstring_view language,
                                      const std::vector<std::wstring>& taken) {
  for (unsigned variant = first; variant < kVariants; ++variant) {
    std::wstring candidate = prefix + Hex(variant, 3) + std::wstring(language);
    const bool used = std::any_of(taken.begin(), taken.end(),
                                  [&](const std::wstring& t) { return SameText(t, candidate); });
    if (!used) {
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace

bool SameText(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return Lower(x) == Lower(y); });
}

std::vector<std::wstring> LayoutsUsingFile(const std::vector<RegisteredLayout>& layouts,
                                           std::wstring_view layoutFile) {
  std::vector<std::wstring> result;
  for (const auto& layout : layouts) {
    if (SameText(layout.layoutFile, layoutFile)) {
      result.push_back(layout.klid);
    }
  }
  return result;
}

LayoutSlot ChooseLayoutSlot(const std::vector<RegisteredLayout>& layouts,
                            std::wstring_view layoutFile, std::wstring_view language) {
  const auto ours = std::find_if(layouts.begin(), layouts.end(), [&](const RegisteredLayout& l) {
    return SameText(l.layoutFile, layoutFile);
  });
  if (ours != layouts.end()) {
    return {ours->klid, ours->layoutId, true};
  }
  std::vector<std::wstring> klids;
  unsigned highest = kFirstCustomLayoutId - 1;
  for (const auto& layout : layouts) {
    klids.push_back(layout.klid);
    if (const auto id = ParseHex(layout.layoutId)) {
      highest = std::max(highest, *id);
    }
  }
  const auto klid = FirstFree(L'a', 0, language, klids);
  if (!klid || highest >= kLastLayoutId) {
    throw SystemError(kErrorNoMoreItems, L"Every keyboard layout identifier is in use.",
                      L"the layout's identifier");
  }
  return {*klid, Hex(highest + 1, 4), false};
}

std::wstring ChooseSubstitute(const NamedValues& substitutes, std::wstring_view klid,
                              std::wstring_view language) {
  const auto ours = SubstitutesFor(substitutes, klid);
  if (!ours.empty()) {
    return ours.front();
  }
  std::vector<std::wstring> taken;
  for (const auto& [name, data] : substitutes) {
    taken.push_back(name);
  }
  if (auto free = FirstFree(L'd', 1, language, taken)) {
    return *free;
  }
  throw SystemError(kErrorNoMoreItems, L"Every keyboard layout substitute is in use.",
                    L"your input languages");
}

std::vector<std::wstring> SubstitutesFor(const NamedValues& substitutes, std::wstring_view klid) {
  std::vector<std::wstring> result;
  for (const auto& [name, data] : substitutes) {
    if (SameText(data, klid)) {
      result.push_back(name);
    }
  }
  return result;
}

std::optional<std::pair<std::wstring, std::wstring>> PreloadAddition(const NamedValues& preload,
                                                                     std::wstring_view id) {
  unsigned highest = 0;
  for (const auto& [name, data] : preload) {
    if (SameText(data, id)) {
      return std::nullopt;
    }
    if (const auto number = std::wcstoul(name.c_str(), nullptr, 10); number > highest) {
      highest = static_cast<unsigned>(number);
    }
  }
  return std::pair{std::to_wstring(highest + 1), std::wstring(id)};
}

PreloadRemoval PreloadWithout(const NamedValues& preload, const std::vector<std::wstring>& ids) {
  // Numeric order, as the system reads the list.
  std::map<unsigned long, std::pair<std::wstring, std::wstring>> ordered;
  for (const auto& entry : preload) {
    ordered.emplace(std::wcstoul(entry.first.c_str(), nullptr, 10), entry);
  }
  PreloadRemoval result;
  unsigned next = 1;
  std::vector<std::wstring> kept;
  for (const auto& [number, entry] : ordered) {
    const std::wstring& value = entry.second;
    const bool dropped = std::any_of(
        ids.begin(), ids.end(), [&value](const std::wstring& id) { return SameText(value, id); });
    if (dropped) {
      continue;
    }
    const std::wstring name = std::to_wstring(next++);
    kept.push_back(name);
    if (name != entry.first) {
      result.write.emplace_back(name, entry.second);
    }
  }
  for (const auto& [number, entry] : ordered) {
    if (std::find(kept.begin(), kept.end(), entry.first) == kept.end()) {
      result.remove.push_back(entry.first);
    }
  }
  if (kept.size() == ordered.size()) {
    return {};  // nothing of ours: the user's list stays as it is, gaps and all
  }
  return result;
}
