#pragma once

// The application's identity. Plain macros, because the resource compiler reads this file too
// (the version block and the manifest's name).

#define TIUP_APPLICATION_TITLE "TamlorixInstallUrduPhonetic"
#define TIUP_PRODUCT_NAME "Tamlorix Install Urdu Phonetic"
#define TIUP_COMPANY_NAME "Tamlorix Corporation"
#define TIUP_ORIGINAL_FILENAME "Tamlorix Install Urdu Phonetic.exe"
#define TIUP_VERSION_STRING "1.00"
#define TIUP_VERSION_BINARY 1, 0, 0, 0

#define TIUP_WIDE_(text) L##text
#define TIUP_WIDE(text) TIUP_WIDE_(text)

#ifdef __cplusplus
// Caption of every message box that gives no title of its own.
inline constexpr const wchar_t* kApplicationTitle = TIUP_WIDE(TIUP_APPLICATION_TITLE);
#endif
