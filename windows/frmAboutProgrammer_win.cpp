#include "windows/frmMainHandlers_win.h"

// The programmer's card arrives with the information windows.
void Command6_Click(frmMain&) {}
