#include "setup/Accounts_win.h"

#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "platform/Handles_win.h"
#include "platform/RegistryKey_win.h"
#include "platform/SystemError_win.h"

namespace {

// A token's TOKEN_USER, which holds the account's SID.
using AccountOfToken = std::vector<BYTE>;

std::optional<AccountOfToken> TokenUserOf(HANDLE process) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) {
    return std::nullopt;
  }
  const UniqueKernelHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  AccountOfToken user(size);
  if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size)) {
    return std::nullopt;
  }
  return user;
}

PSID SidOf(AccountOfToken& user) { return reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid; }

std::wstring SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) {
    return {};
  }
  std::wstring result(text);
  LocalFree(text);
  return result;
}

bool IsServiceAccount(PSID sid) {
  return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinLocalServiceSid) ||
         IsWellKnownSid(sid, WinNetworkServiceSid);
}

// The shell window's owner; nothing when there is no shell in this session. `readable` is false
// when there is one but its account cannot be read (then it is not this program's own).
std::optional<AccountOfToken> DesktopUser(bool& readable) {
  readable = true;
  const HWND shell = GetShellWindow();
  if (shell == nullptr) {
    return std::nullopt;
  }
  DWORD id = 0;
  GetWindowThreadProcessId(shell, &id);
  constexpr DWORD kQueryLimited = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION, Vista and later
  UniqueKernelHandle process(OpenProcess(kQueryLimited, FALSE, id));
  if (!process) {
    process.Reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id));  // Windows XP
  }
  auto user = process ? TokenUserOf(process.Get()) : std::nullopt;
  readable = user.has_value();
  return user;
}

// Any account with a profile here besides `known` (ordinary accounts only: S-1-5-21-...).
bool OtherProfiles(const std::vector<std::wstring>& known) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                    KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY, &raw) != ERROR_SUCCESS) {
    return false;
  }
  const UniqueRegKey profiles(raw);
  std::vector<std::wstring> sids;
  try {
    sids = SubKeyNames(profiles.Get(), L"the list of profiles");
  } catch (const SystemError&) {
    return false;  // a list that cannot be read counts as no one else, as it always has
  }
  for (const std::wstring& sid : sids) {
    bool isKnown = false;
    for (const auto& account : known) {
      isKnown = isKnown || _wcsicmp(sid.c_str(), account.c_str()) == 0;
    }
    if (sid.rfind(L"S-1-5-21-", 0) == 0 && !isKnown) {
      return true;
    }
  }
  return false;
}

}  // namespace

Accounts FindAccounts() {
  auto own = TokenUserOf(GetCurrentProcess());
  if (!own) {
    ThrowLastError(L"the account setup runs as");
  }
  bool readable = true;
  auto desktop = DesktopUser(readable);
  Accounts accounts;
  if (desktop ? !EqualSid(SidOf(*own), SidOf(*desktop)) : !readable) {
    accounts.reach = UserReach::DesktopUser;
  } else if (!desktop && IsServiceAccount(SidOf(*own))) {
    accounts.reach = UserReach::NextSignIn;
  }
  // The desktop's person, when not this account, is one of the others too.
  accounts.others = OtherProfiles({SidText(SidOf(*own))});
  return accounts;
}
