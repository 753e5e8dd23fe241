#pragma once

#include <string>

// The Windows Script Host script that has the system's INF installer add the complex-script and
// East Asian language support on Windows XP, from intl.inf beside the script. It finds its own
// folder and the Windows folder when it runs, so its text never depends on the machine.

// The script text: ten lines, each ended by CR LF (572 characters).
std::wstring BuildInstallScript();

// The bytes of install.vbs: the script written as one record, so one more CR LF follows
// (574 bytes, one per character; every character is ASCII).
std::string InstallScriptFileBytes(const std::wstring& installScript);
