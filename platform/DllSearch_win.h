#pragma once

// Keeps the loader from taking DLLs from the program's own folder or the current directory
// (a Downloads folder is where a planted DLL waits): only the system folder is searched.
void RestrictDllSearchToSystemFolder() noexcept;
