#pragma once

#include <string>
#include <string_view>

// The maker's website: the one address every way out, the Visit Website button and the About
// window's link open. Whoever ships the program changes it here and nowhere else.
inline constexpr std::wstring_view kWebsiteAddress = L"http://www.tamlorix.com/";

// The host of an address: what lies between "scheme://" and the first '/', '?', '#' or ':'
// ("www.tamlorix.com"). An address without a scheme is taken to start with its host.
std::wstring_view HostName(std::wstring_view address);

// The host without a leading "www." ("tamlorix.com"): how people name the site in a sentence.
std::wstring_view DomainName(std::wstring_view address);
