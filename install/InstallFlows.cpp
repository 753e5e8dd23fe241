#include "install/InstallFlows.h"

#include <exception>
#include <memory>
#include <optional>

#include "core/Identity.h"
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

// Puts one font into the Fonts folder and gives its registry name. A file that is no font
// never reaches the Fonts folder.
std::wstring InstallFontFile(InstallSystem& system, const std::wstring& source,
                             const std::wstring& destination) {
  const std::unique_ptr<FileForReading> font = system.OpenForReading(source);
  // The name first, from the font's directory and 'name' table alone.
  const std::optional<std::wstring> valueName = FontRegistryName(*font);
  if (!valueName) {
    throw SystemError(kErrorBadFormat, L"Not a font file.", L"the file " + source);
  }
  // A font Windows has loaded (ours, from an earlier install) is held open and cannot be
  // overwritten; the same bytes there need no copy, only registering again, which also mends
  // an install that stopped half way. A different file in the way is still a failure.
  if (system.HoldsSameBytes(destination, source)) {
    // An earlier copy may have kept a read-only attribute from the installation media.
    system.ClearReadOnly(destination);
  } else {
    font->CopyTo(destination);
  }
  return *valueName;
}

void CopyAndRegisterFonts(InstallSystem& system, std::size_t& registered) {
  const std::wstring appFolder = system.AppFolder();
  const std::wstring sourceFolder = FontSourceFolder(appFolder);
  const std::wstring fontsFolder = system.SpecialFolder(kCsidlFonts);
  if (fontsFolder.empty()) {
    // Without it every copy would land at the root of the current drive.
    throw SystemError(kErrorBadFormat, L"The Fonts folder could not be found.");
  }
  // Listed in full before the first copy, not name by name between copies: what is installed,
  // and in which order, is fixed before anything changes, and no search stays open on the
  // distribution (a CD, a share) while fonts are copied and registered.
  for (const std::wstring& name : system.OrdinaryFiles(FontSourcePattern(appFolder))) {
    if (!HasTrueTypeExtension(name)) {
      continue;
    }
    const std::wstring source = sourceFolder + name;
    std::wstring destination = fontsFolder;
    destination += L'\\';
    destination += name;
    system.RegisterFont(InstallFontFile(system, source, destination), name, destination);
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
