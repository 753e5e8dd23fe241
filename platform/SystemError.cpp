#include "platform/SystemError.h"

#include <utility>

SystemError::SystemError(std::uint32_t number, std::wstring description, std::wstring context)
    : number_(number), description_(std::move(description)), context_(std::move(context)) {}
