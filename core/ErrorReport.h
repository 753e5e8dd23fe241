#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text shown when a handler fails with an error nobody catches: the error's number and
// description, and what the failed step concerned (SystemError::Context: "the file C:\\x").
std::wstring ErrorReportText(std::uint32_t number, std::wstring_view description,
                             std::wstring_view context);
