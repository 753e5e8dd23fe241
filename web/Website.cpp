#include "web/Website.h"

std::wstring_view HostName(std::wstring_view address) {
  const std::size_t schemeEnd = address.find(L"://");
  if (schemeEnd != std::wstring_view::npos) {
    address.remove_prefix(schemeEnd + 3);
  }
  // User information ("user@host") is not part of the host.
  const std::size_t authorityEnd = address.find_first_of(L"/?#");
  std::wstring_view authority = address.substr(0, authorityEnd);
  const std::size_t at = authority.rfind(L'@');
  if (at != std::wstring_view::npos) {
    authority.remove_prefix(at + 1);
  }
  return authority.substr(0, authority.find(L':'));
}

std::wstring_view DomainName(std::wstring_view address) {
  std::wstring_view host = HostName(address);
  constexpr std::wstring_view kWww = L"www.";
  // Only a "www." followed by more than one label is dropped: "www.com" stays as it is.
  if (host.size() > kWww.size() && host.substr(0, kWww.size()) == kWww &&
      host.find(L'.', kWww.size()) != std::wstring_view::npos) {
    host.remove_prefix(kWww.size());
  }
  return host;
}
