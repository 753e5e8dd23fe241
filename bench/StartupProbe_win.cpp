// The benchmark's harness: starts each program it is given, in turns, round after round, and
// measures each from outside, the same way for all:
//   start-up  from just before CreateProcess until the process's first visible top-level window
//             and every child of it have no part left to paint;
//   memory    the peak working set and the private bytes (GetProcessMemoryInfo) once the window
//             stands, after a short settling pause that is not counted in the start-up.
// Prints one line per run: "<index> <milliseconds> <peak working set> <private bytes>".
//
//   bench_probe.exe ROUNDS PROGRAM.exe [PROGRAM.exe ...]
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/Handles_win.h"

namespace {

struct Measurement {
  double milliseconds = 0;
  SIZE_T peakWorkingSet = 0;
  SIZE_T privateBytes = 0;
};

std::wstring WindowsPath(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (!path.empty() && path.front() == L'\\') {
    path.insert(0, L"Z:");  // Wine maps the Unix root to drive Z:
  }
  return path;
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK CheckTopLevelWindow(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.processId && IsWindowVisible(window) &&
      GetWindow(window, GW_OWNER) == nullptr) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

HWND VisibleTopLevelWindowOf(DWORD processId) {
  WindowSearch search{processId, nullptr};
  EnumWindows(&CheckTopLevelWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK CheckChildPainted(HWND child, LPARAM context) {
  if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(context) = false;
    return FALSE;
  }
  return TRUE;
}

// True when neither the window nor any of its children has a region waiting to be painted.
bool FullyPainted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) {
    return false;
  }
  bool painted = true;
  EnumChildWindows(window, &CheckChildPainted, reinterpret_cast<LPARAM>(&painted));
  return painted;
}

// Committed private memory, summed over the process's address space: what the system reports as
// private bytes, for where GetProcessMemoryInfo leaves PrivateUsage empty (Wine does).
SIZE_T CommittedPrivateBytes(HANDLE process) {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region{};
  const char* address = nullptr;
  while (VirtualQueryEx(process, address, &region, sizeof(region)) == sizeof(region)) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      total += region.RegionSize;
    }
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) {
      break;
    }
    address = next;
  }
  return total;
}

bool Measure(const std::wstring& exe, Measurement& result) {
  std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  LARGE_INTEGER frequency{};
  LARGE_INTEGER begin{};
  LARGE_INTEGER end{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &started)) {
    std::fwprintf(stderr, L"bench_probe: cannot start %ls (error %lu)\n", exe.c_str(),
                  GetLastError());
    return false;
  }
  const UniqueKernelHandle process(started.hProcess);
  const UniqueKernelHandle thread(started.hThread);

  // Poll tightly: the polling costs both programs alike and keeps the figure's resolution.
  const ULONGLONG deadline = GetTickCount64() + 30000;
  HWND window = nullptr;
  bool done = false;
  while (!done && GetTickCount64() < deadline) {
    if (window == nullptr) {
      window = VisibleTopLevelWindowOf(started.dwProcessId);
    }
    if (window != nullptr) {
      // The round trip makes sure the program's thread has handled what was queued before.
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
      done = FullyPainted(window);
    }
    if (!done) {
      if (WaitForSingleObject(process.Get(), 1) == WAIT_OBJECT_0) {
        break;
      }
    }
  }
  QueryPerformanceCounter(&end);
  if (done) {
    Sleep(300);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters))) {
      result.peakWorkingSet = counters.PeakWorkingSetSize;
      result.privateBytes = counters.PrivateUsage;
    }
    if (result.privateBytes == 0) {
      result.privateBytes = CommittedPrivateBytes(process.Get());
    }
    result.milliseconds = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
  } else {
    std::fwprintf(stderr, L"bench_probe: %ls showed no painted window\n", exe.c_str());
  }
  TerminateProcess(process.Get(), 0);
  WaitForSingleObject(process.Get(), 10000);
  return done;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fwprintf(stderr, L"usage: bench_probe ROUNDS PROGRAM.exe [PROGRAM.exe ...]\n");
    return 2;
  }
  const int rounds = _wtoi(argv[1]);
  std::vector<std::wstring> programs;
  for (int i = 2; i < argc; ++i) {
    programs.push_back(WindowsPath(argv[i]));
  }
  // One unmeasured warm-up run each: the first start of any program pays for cold caches.
  for (const std::wstring& exe : programs) {
    Measurement ignored;
    if (!Measure(exe, ignored)) {
      return 1;
    }
  }
  for (int round = 0; round < rounds; ++round) {
    for (size_t index = 0; index < programs.size(); ++index) {
      Measurement m;
      if (!Measure(programs[index], m)) {
        return 1;
      }
      std::printf("%zu %.1f %llu %llu\n", index, m.milliseconds,
                  static_cast<unsigned long long>(m.peakWorkingSet),
                  static_cast<unsigned long long>(m.privateBytes));
      std::fflush(stdout);
    }
  }
  return 0;
}
