#include "windows/frmMainHandlers_win.h"

// The two install flows arrive with the font copier.
void Command1_Click(frmMain&) {}
void Command2_Click(frmMain&) {}
