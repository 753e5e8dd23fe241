// A program like ours that imports GetTickCount64 (Windows Vista and later), as the winpthreads
// of the posix-thread MinGW compilers once made ours do: the import check must refuse it.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return static_cast<int>(GetTickCount64() % 2);
}
