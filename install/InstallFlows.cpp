#include "install/InstallFlows.h"

#include <exception>

#include "app/Identity.h"
#include "install/FontName.h"
#include "install/InstallPaths.h"
#include "install/InstallScript.h"
#include "platform/SystemError.h"

namespace {

constexpr std::uint32_t kErrorBadFormat = 11;  // the system's "not in the expected format"

void LaunchSetup(InstallSystem& system) {
  const std::wstring setup = SetupProgramPath(system.AppFolder());
  system.Launch(setup, CommandLine(setup), kShowMinimized);
}

std::optional<std::wstring> ReadFontName(InstallSystem& system, const std::wstring& path) {
  const std::unique_ptr<FileForReading> file = system.OpenForReading(path);
  return FontRegistryName(
      [&file](std::uint64_t offset, std::size_t length) { return file->ReadAt(offset, length); });
}

void CopyAndRegisterFonts(InstallSystem& system, std::size_t& registered) {
  const std::wstring appFolder = system.AppFolder();
  const std::wstring sourceFolder = FontSourceFolder(appFolder);
  const std::wstring fontsFolder = system.SpecialFolder(kCsidlFonts);
  if (fontsFolder.empty()) {
    // Without it every copy would land at the root of the current drive.
    throw SystemError(kErrorBadFormat, L"The Fonts folder could not be found.");
  }
  for (const std::wstring& name : system.OrdinaryFiles(FontSourcePattern(appFolder))) {
    if (!HasTrueTypeExtension(name)) {
      continue;
    }
    const std::wstring source = sourceFolder + name;
    // Read the name first, so that a file that is no font never lands in the Fonts folder.
    const auto valueName = ReadFontName(system, source);
    if (!valueName) {
      throw SystemError(kErrorBadFormat, L"Not a font file.", source);
    }
    std::wstring destination = fontsFolder;
    destination += L'\\';
    destination += name;
    // A font Windows has loaded (ours, from an earlier install) is held open and cannot be
    // overwritten; the same bytes there need no copy, only registering again, which also
    // mends an install that stopped half way. A different file in the way is still a failure.
    if (!system.HoldsSameBytes(destination, source)) {
      system.CopyFileOver(source, destination);
    }
    // A font copied from read-only media would keep the attribute and resist every later
    // update or removal.
    system.ClearReadOnly(destination);
    system.RegisterFont(*valueName, name, destination);
    ++registered;
  }
}

}  // namespace

void CopyFontsWith(InstallSystem& system) {
  std::size_t registered = 0;
  try {
    CopyAndRegisterFonts(system, registered);
  } catch (const std::exception&) {
    // Fonts installed before the failure stay; running programs still hear of them.
    if (registered > 0) {
      system.AnnounceFontChange();
    }
    system.ShowMessage(kCopyFailedMessage, kCodeOk, kApplicationTitle);
    system.End();
  }
  if (registered > 0) {
    system.AnnounceFontChange();
  }
}

void Windows7Flow(InstallSystem& system, std::wstring_view mainCaption) {
  LaunchSetup(system);
  CopyFontsWith(system);
  system.ShowMessage(kInstalledMessage, kCodeInformation, mainCaption);
}

void WindowsXpFlow(InstallSystem& system, std::wstring_view mainCaption,
                   const std::wstring& installScript) {
  if (system.ShowMessage(kInsertCdPrompt, kCodeYesNoInformation, mainCaption) != kAnswerYes) {
    return;
  }
  const std::wstring appFolder = system.AppFolder();
  const std::wstring script = InstallScriptPath(appFolder);
  system.WriteFileBytes(script, InstallScriptFileBytes(installScript));
  // The script host from the system folder by full path: a "Wscript.exe" beside the program
  // would otherwise be found first.
  const std::wstring scriptHost = ScriptHostPath(system.SystemFolder());
  system.Launch(scriptHost, CommandLine(scriptHost, script), kShowMinimized);
  LaunchSetup(system);
  CopyFontsWith(system);
  system.ShowMessage(kInstalledMessage, kCodeInformation, mainCaption);
}
