#pragma once

#include "platform/WindowsVersion.h"

// The version the running Windows reports. Windows 8.1 and later report at most 6.2 to a program
// whose manifest does not name them; every decision made from it only tells 5.x from 6 and
// later.
WindowsVersion RunningWindows() noexcept;
