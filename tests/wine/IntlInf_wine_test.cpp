#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "UiDriver_win.h"
#include "platform/Handles_win.h"

// The distribution's intl.inf, run by the system's INF installer with the command line
// install.vbs uses, hands each section to the system's own intl.inf of the same name. The
// prefix's INF folder holds a stand-in of ours for the system's file; each of its sections
// leaves a marker in the registry.

namespace {

using namespace std::chrono_literals;

const wchar_t* kMarkerKey = L"Software\\Tamlorix Tests\\intl.inf";

const char kStandIn[] =
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "\r\n"
    "[LANGUAGE_COLLECTION.COMPLEX.INSTALL]\r\n"
    "AddReg=Complex.Marker\r\n"
    "\r\n"
    "[LANGUAGE_COLLECTION.EXTENDED.INSTALL]\r\n"
    "AddReg=Extended.Marker\r\n"
    "\r\n"
    "[Complex.Marker]\r\n"
    "HKCU,\"Software\\Tamlorix Tests\\intl.inf\",\"COMPLEX\",0x10001,1\r\n"
    "\r\n"
    "[Extended.Marker]\r\n"
    "HKCU,\"Software\\Tamlorix Tests\\intl.inf\",\"EXTENDED\",0x10001,1\r\n";

bool Marker(const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, kMarkerKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                      &size) == ERROR_SUCCESS &&
         value == 1;
}

DWORD RunAndWait(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    ADD_FAILURE() << "cannot start: " << GetLastError();
    return 999;
  }
  CloseHandle(info.hThread);
  UniqueKernelHandle process(info.hProcess);
  EXPECT_EQ(WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  return code;
}

class IntlInf : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    windows_ = windows;
    systemInf_ = windows_ + L"\\inf\\intl.inf";
    backup_ = systemInf_ + L".tiup-test-backup";
    // A real one (there is none in a fresh prefix) is kept aside and put back afterwards.
    hadOne_ = MoveFileExW(systemInf_.c_str(), backup_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    std::ofstream(std::filesystem::path(systemInf_), std::ios::binary) << kStandIn;
    RegDeleteTreeW(HKEY_CURRENT_USER, kMarkerKey);
  }
  void TearDown() override {
    DeleteFileW(systemInf_.c_str());
    if (hadOne_) {
      MoveFileExW(backup_.c_str(), systemInf_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kMarkerKey);
  }

  // Exactly the command line install.vbs builds: no quotes around the distribution folder.
  DWORD RunSection(const std::wstring& section) {
    const std::wstring inf = ui::EnvPath("TIUP_INTL_INF");
    return RunAndWait(windows_ + L"\\system32\\rundll32.exe advpack.dll,LaunchINFSection " + inf +
                      L"," + section);
  }

  std::wstring windows_, systemInf_, backup_;
  bool hadOne_ = false;
};

TEST_F(IntlInf, EachSectionReachesTheSystemsSectionOfTheSameNameAndOnlyThatOne) {
  RunSection(L"LANGUAGE_COLLECTION.COMPLEX.INSTALL");
  EXPECT_TRUE(ui::WaitUntil([] { return Marker(L"COMPLEX"); }, 10s));
  EXPECT_FALSE(Marker(L"EXTENDED"));

  RunSection(L"LANGUAGE_COLLECTION.EXTENDED.INSTALL");
  EXPECT_TRUE(ui::WaitUntil([] { return Marker(L"EXTENDED"); }, 10s));
}

}  // namespace
