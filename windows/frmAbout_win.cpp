#include "windows/frmMainHandlers_win.h"

// The About window arrives with the information windows.
void Command5_Click(frmMain&) {}
