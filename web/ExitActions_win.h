#pragma once

#include <windows.h>

// Every way out of the program (the Close button, and every close of the main window: close
// box, system menu, Alt+F4, the task list, Windows logging off or shutting down): opens the
// website with `owner` as the owner, then ends the program. Only the first way out does so; a
// second one arriving while the first opens the website returns at once.
void OpenWebsiteAndEnd(HWND owner);
