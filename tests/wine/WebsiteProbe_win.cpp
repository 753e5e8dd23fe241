#include "WebsiteProbe_win.h"

#include <shellapi.h>

#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr wchar_t kCommandKey[] = L"http\\shell\\open\\command";

std::optional<std::wstring> ReadCommand() {
  wchar_t value[2048] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CLASSES_ROOT, kCommandKey, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

void WriteCommand(const std::wstring& command) {
  RegSetKeyValueW(HKEY_CLASSES_ROOT, kCommandKey, nullptr, REG_SZ, command.c_str(),
                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

WebsiteProbe::WebsiteProbe()
    : log_(ui::ArtefactsFolder() + L"\\opened-addresses.log"), previousCommand_(ReadCommand()) {
  WriteCommand(L"\"" + ui::EnvPath("TIUP_URL_PROBE") + L"\" \"" + log_ + L"\" \"%1\"");
  Clear();
}

WebsiteProbe::~WebsiteProbe() {
  if (previousCommand_) {
    WriteCommand(*previousCommand_);
  } else {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command");
  }
}

void WebsiteProbe::WarmUp() const {
  ShellExecuteW(nullptr, L"open", L"http://warm.up/", nullptr, nullptr, SW_SHOWNORMAL);
  WaitForOpened(1);
  Clear();
}

void WebsiteProbe::Clear() const { DeleteFileW(log_.c_str()); }

std::vector<Opening> WebsiteProbe::Openings() const {
  std::vector<Opening> openings;
  std::ifstream in(log_.c_str());
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    Opening opening;
    std::string id;
    std::getline(fields, opening.address, '\t');
    std::getline(fields, id, '\t');
    std::getline(fields, opening.starterFile);
    opening.starterId = static_cast<DWORD>(std::strtoul(id.c_str(), nullptr, 10));
    openings.push_back(opening);
  }
  return openings;
}

std::vector<std::string> WebsiteProbe::Opened() const {
  std::vector<std::string> addresses;
  for (const Opening& opening : Openings()) {
    addresses.push_back(opening.address);
  }
  return addresses;
}

std::vector<std::string> WebsiteProbe::WaitForOpened(std::size_t count,
                                                     const ui::Program* program) const {
  ui::WaitUntil([&] { return Opened().size() >= count; }, std::chrono::seconds(15));
  if (program != nullptr) {
    program->Answers();
  }
  std::wstring probe = std::filesystem::path(ui::EnvPath("TIUP_URL_PROBE")).filename().wstring();
  const auto lower = [](std::wstring text) {
    for (wchar_t& c : text) {
      c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
  };
  probe = lower(probe);
  ui::WaitUntil(
      [&] {
        for (const ui::RunningProcess& running : ui::RunningProcesses()) {
          if (lower(std::filesystem::path(running.file).filename().wstring()) == probe) {
            return false;
          }
        }
        return true;
      },
      std::chrono::seconds(15));
  return Opened();
}
