#pragma once

// The layout DLL's identity, shared by its resources, the code and the layout's installer.
// Plain macros, because the resource compiler reads this file too.

#define TIUP_LAYOUT_FILE_NAME "kbdurph.dll"
#define TIUP_LAYOUT_DISPLAY_NAME "Urdu Phonetic"
// String resource holding the display name: "Layout Display Name" is
// @%SystemRoot%\system32\kbdurph.dll,-1000
#define TIUP_LAYOUT_DISPLAY_NAME_ID 1000
#define TIUP_LAYOUT_DESCRIPTION "Urdu Phonetic Keyboard Layout"
#define TIUP_LAYOUT_VERSION_STRING "1.0.0.0"
#define TIUP_LAYOUT_VERSION_BINARY 1, 0, 0, 0
