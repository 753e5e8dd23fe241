#include "setup/SetupEnvironment.h"

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  return (!folder.empty() && folder.back() == L'\\') ? folder + name : folder + L'\\' + name;
}

std::wstring InstalledSetup(const SetupEnvironment& environment) {
  return Join(environment.installFolder, L"setup.exe");
}
