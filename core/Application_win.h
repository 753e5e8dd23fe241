#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "platform/SystemError.h"

// What every part of the program shares at run time: its folder, its message box, its end, and
// the report of an error no handler caught with the one place that turns an error into it.

// The folder of the running program, read afresh on every call.
std::wstring AppFolder();

// Ends the process at once: no window gets a close query and no further handler runs.
[[noreturn]] void End();

// A message box modal to the whole program: every window of the thread waits for it and is
// given back as it was. A null or empty title gives the application title. Returns the button
// pressed (IDYES is 6).
int MsgBox(HWND owner, std::wstring_view prompt, UINT code, std::wstring_view title = {});

// Shows the number and description of an error no handler caught, then ends the process.
[[noreturn]] void ReportUncaughtError(HWND owner, const SystemError& error);
[[noreturn]] void ReportUncaughtError(HWND owner, const std::exception& error);

// The one place where handlers are dispatched: runs one and turns any error that escapes it
// into the report and the end, so no exception ever crosses a window procedure.
template <typename Handler>
void RunHandler(HWND owner, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const SystemError& error) {
    ReportUncaughtError(owner, error);
  } catch (const std::exception& error) {
    ReportUncaughtError(owner, error);
  }
}
