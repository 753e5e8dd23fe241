#pragma once

class frmMain;

// The main window's event handlers, one per control event, each defined beside the subsystem it
// starts. frmMain calls them inside its one dispatch point.

// Install flows (install/InstallFlows_win.cpp).
void Command1_Click(frmMain& form);  // Windows 7
void Command2_Click(frmMain& form);  // Windows XP (SP-2)

// The website and the ways out (web/ExitActions_win.cpp).
void Command3_Click(frmMain& form);  // Close
void Command4_Click(frmMain& form);  // Visit Website
// Every close of the main window other than the Close button: the close box, the system menu,
// Alt+F4, the task list, and Windows logging off or shutting down.
void frmMain_QueryClose(frmMain& form);

// The information windows (windows/frmAbout_win.cpp, windows/frmAboutProgrammer_win.cpp).
void Command5_Click(frmMain& form);  // About Tamlorix Install Urdu Phonetic
void Command6_Click(frmMain& form);  // About Programmer
