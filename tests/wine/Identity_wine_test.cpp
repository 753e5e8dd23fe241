// The product's one identity as every file of the distribution carries it: the version blocks
// (read by Windows' own version functions, as Explorer's Properties shows them) and the
// manifests. The values are written out here, not taken from the build, so a slip in the one
// place they come from shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiDriver_win.h"
#include "platform/Handles_win.h"

namespace {

std::string Narrow(const std::wstring& text) { return {text.begin(), text.end()}; }

class VersionBlock {
 public:
  explicit VersionBlock(const std::wstring& path) {
    DWORD ignored = 0;
    info_.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ok_ = !info_.empty() &&
          GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info_.size()), info_.data());
  }
  bool Ok() const { return ok_; }
  std::wstring String(const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    return VerQueryValueW(info_.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)
               ? std::wstring(text)
               : L"(none)";
  }
  // The fixed file and product versions, "major.minor.build.revision" each.
  std::wstring Fixed() {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
      return L"(none)";
    }
    auto text = [](DWORD high, DWORD low) {
      return std::to_wstring(HIWORD(high)) + L'.' + std::to_wstring(LOWORD(high)) + L'.' +
             std::to_wstring(HIWORD(low)) + L'.' + std::to_wstring(LOWORD(low));
    };
    return text(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + L' ' +
           text(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  }

 private:
  std::vector<std::uint8_t> info_;
  bool ok_ = false;
};

std::string Manifest(const std::wstring& path) {
  const UniqueModule image(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  const HRSRC found =
      image ? FindResourceW(image.Get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr;
  const HGLOBAL loaded = found != nullptr ? LoadResource(image.Get(), found) : nullptr;
  if (loaded == nullptr) {
    return "(none)";
  }
  return {static_cast<const char*>(LockResource(loaded)), SizeofResource(image.Get(), found)};
}

TEST(Identity, EveryShippedFileCarriesTheOneNameAndVersion) {
  const std::wstring dist = ui::EnvPath("TIUP_BUILD") + L"\\dist";
  const std::wstring program = dist + L"\\Tamlorix Install Urdu Phonetic.exe";
  const std::wstring setup = dist + L"\\lyurdu\\setup.exe";

  VersionBlock app(program);
  ASSERT_TRUE(app.Ok()) << "no version block in " << Narrow(program);
  EXPECT_EQ(app.String(L"CompanyName"), L"Tamlorix Corporation");
  EXPECT_EQ(app.String(L"FileDescription"), L"Tamlorix Install Urdu Phonetic");
  EXPECT_EQ(app.String(L"InternalName"), L"Tamlorix Install Urdu Phonetic");
  EXPECT_EQ(app.String(L"ProductName"), L"Tamlorix Install Urdu Phonetic");
  EXPECT_EQ(app.String(L"OriginalFilename"), L"Tamlorix Install Urdu Phonetic.exe");
  EXPECT_EQ(app.String(L"FileVersion"), L"1.00");
  EXPECT_EQ(app.String(L"ProductVersion"), L"1.00");
  EXPECT_EQ(app.Fixed(), L"1.0.0.0 1.0.0.0");

  VersionBlock layoutSetup(setup);
  ASSERT_TRUE(layoutSetup.Ok()) << "no version block in " << Narrow(setup);
  EXPECT_EQ(layoutSetup.String(L"CompanyName"), L"Tamlorix Corporation");
  EXPECT_EQ(layoutSetup.String(L"FileDescription"), L"Urdu Phonetic Keyboard Setup");
  EXPECT_EQ(layoutSetup.String(L"ProductName"), L"Tamlorix Install Urdu Phonetic");
  EXPECT_EQ(layoutSetup.String(L"FileVersion"), L"1.00");
  EXPECT_EQ(layoutSetup.String(L"ProductVersion"), L"1.00");
  EXPECT_EQ(layoutSetup.Fixed(), L"1.0.0.0 1.0.0.0");

  for (const wchar_t* variant : {L"x86", L"x64", L"wow64", L"arm64"}) {
    const std::wstring dll = dist + L"\\lyurdu\\" + variant + L"\\kbdurph.dll";
    VersionBlock layout(dll);
    ASSERT_TRUE(layout.Ok()) << "no version block in " << Narrow(dll);
    EXPECT_EQ(layout.String(L"CompanyName"), L"Tamlorix Corporation") << Narrow(dll);
    EXPECT_EQ(layout.String(L"ProductName"), L"Urdu Phonetic Keyboard Layout") << Narrow(dll);
    EXPECT_EQ(layout.String(L"FileDescription"), L"Urdu Phonetic Keyboard Layout") << Narrow(dll);
    EXPECT_EQ(layout.String(L"OriginalFilename"), L"kbdurph.dll") << Narrow(dll);
    EXPECT_EQ(layout.String(L"ProductVersion"), L"1.00") << Narrow(dll);
    EXPECT_EQ(layout.Fixed(), L"1.0.0.0 1.0.0.0") << Narrow(dll);
  }

  const std::string appManifest = Manifest(program);
  EXPECT_NE(appManifest.find(R"(name="Tamlorix.InstallUrduPhonetic" version="1.0.0.0")"),
            std::string::npos)
      << appManifest;
  EXPECT_NE(appManifest.find("<description>Tamlorix Install Urdu Phonetic</description>"),
            std::string::npos);
  const std::string setupManifest = Manifest(setup);
  EXPECT_NE(setupManifest.find(R"(name="Tamlorix.UrduPhoneticKeyboard.Setup" version="1.0.0.0")"),
            std::string::npos)
      << setupManifest;
  EXPECT_NE(setupManifest.find("<description>Urdu Phonetic Keyboard Setup</description>"),
            std::string::npos);
}

}  // namespace
