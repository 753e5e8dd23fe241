// The website and the ways out, and the two information windows, as a user meets them: the real
// program under Wine, with a probe standing in for the browser.
#include <gtest/gtest.h>
#include <windows.h>

#include <olectl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "UiDriver_win.h"
#include "WebsiteProbe_win.h"
#include "web/Website.h"
#include "windows/LabelSpec.h"
#include "windows/frmAboutLayout.h"
#include "windows/frmAboutProgrammerLayout.h"
#include "windows/frmMainLayout.h"

namespace {

using namespace std::chrono_literals;

// The display's DPI: 96, unless the test runs in the prefix set to another (TIUP_DPI).
int DisplayDpi() {
  const char* value = std::getenv("TIUP_DPI");
  return value != nullptr ? std::atoi(value) : 96;
}
const int kDpi = DisplayDpi();

// A point given in pixels at 96 DPI, where it lies at the display's DPI.
int Px(int at96) { return at96 * kDpi / 96; }
std::wstring DpiSuffix() { return kDpi == 96 ? L"" : L"-" + std::to_wstring(kDpi) + L"dpi"; }

const std::string kAddress(kWebsiteAddress.begin(), kWebsiteAddress.end());

// The way every opening must have gone (web/WebsiteRoute.h). Wine 8's desktop (its explorer.exe)
// answers the desktop shell's way, so that is the default; the run that takes the desktop's shell
// out of reach (TIUP_WEBSITE_ROUTE=this-program) expects the program to open the site itself.
bool ExpectsThisProgramRoute() {
  const char* route = std::getenv("TIUP_WEBSITE_ROUTE");
  return route != nullptr && std::string(route) == "this-program";
}

std::string Hex(COLORREF c) {
  char text[16];
  snprintf(text, sizeof(text), "%02X %02X %02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}
std::string Hex(Rgb c) { return Hex(RGB(c.r, c.g, c.b)); }

const ButtonSpec& MainButton(MainAction action) {
  for (const ButtonSpec& item : kfrmMainButtons) {
    if (item.action == action) {
      return item;
    }
  }
  throw std::logic_error("no such button");
}

// Top-level windows of a process with a caption, shown or hidden.
struct CaptionSearch {
  DWORD pid;
  std::wstring caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectByCaption(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<CaptionSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid && ui::WindowText(window) == search->caption) {
    search->found.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> WindowsWithCaption(DWORD processId, const std::wstring& caption) {
  CaptionSearch search{processId, caption, {}};
  EnumWindows(&CollectByCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

POINT CentreOf(const TwipsRect& bounds) {
  const PixelRect r = ToPixels(bounds, kDpi);
  return {r.left + r.width / 2, r.top + r.height / 2};
}

class InfoWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    probe_ = std::make_unique<WebsiteProbe>();
    probe_->WarmUp();
  }
  static void TearDownTestSuite() { probe_.reset(); }

  void SetUp() override {
    probe_->Clear();
    program_ = std::make_unique<ui::Program>(ui::Program::Start(ui::ProgramPath()));
    main_ = program_->WaitForWindow(std::wstring(kfrmMain.caption));
    ASSERT_NE(main_, nullptr) << "main window did not appear";
    ui::BringToFront(main_);
    ASSERT_TRUE(ui::WaitUntil([&] { return ui::FocusOf(main_) != nullptr; }));
    // The pointer rests on the window before the first click, as a user's would.
    const RECT client = ui::ClientRectOnScreen(main_);
    const POINT rest{(client.left + client.right) / 2, client.top + 5};
    SetCursorPos(rest.x, rest.y);
    ASSERT_TRUE(ui::WaitUntil([&] {
      POINT at{};
      return GetCursorPos(&at) && at.x == rest.x && at.y == rest.y;
    }));
  }
  void TearDown() override {
    if (program_ && program_->IsRunning()) {
      program_->Kill();
    }
    const DWORD programId = program_ ? program_->Id() : 0;
    for (const Opening& opening : probe_->Openings()) {
      if (ExpectsThisProgramRoute()) {
        EXPECT_EQ(opening.starterId, programId) << "started by " << opening.starterFile;
      } else {
        EXPECT_EQ(opening.starterFile, "explorer.exe") << "not through the desktop's shell";
      }
    }
  }

  HWND Button(MainAction action) const {
    return ui::FindChildByText(main_, std::wstring(MainButton(action).caption));
  }
  // Presses a main-window button as a click would, even where another window covers it, and
  // returns once the program has handled it.
  void Press(MainAction action) const {
    const HWND button = Button(action);
    ASSERT_NE(button, nullptr);
    // Where the user clicks the main window, it comes to the front first.
    ui::BringToFront(main_);
    ui::PressButton(button);
  }
  HWND ShowCard() const {
    Press(MainAction::AboutProgrammer);
    return program_->WaitForWindow(std::wstring(kfrmAboutProgrammer.caption));
  }
  HWND ShowAbout() const {
    Press(MainAction::About);
    return program_->WaitForWindow(std::wstring(kfrmAbout.caption));
  }
  // A click of the left button on whatever window of `top` lies at a point of its client area,
  // delivered to that window as the system delivers a click; returns once it has been handled.
  static void ClickOn(HWND top, POINT point) {
    HWND target = ChildWindowFromPointEx(top, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (target == nullptr) {
      target = top;
    }
    MapWindowPoints(top, target, &point, 1);
    ui::SendMouse(target, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ui::SendMouse(target, WM_LBUTTONUP, 0, point);
  }
  std::vector<HWND> Cards() const {
    return WindowsWithCaption(program_->Id(), std::wstring(kfrmAboutProgrammer.caption));
  }

  static std::unique_ptr<WebsiteProbe> probe_;
  std::unique_ptr<ui::Program> program_;
  HWND main_ = nullptr;
};

std::unique_ptr<WebsiteProbe> InfoWindows::probe_;

// The program file ------------------------------------------------------------------------------

const BYTE* Resource(HMODULE module, int id, const wchar_t* type, DWORD* size = nullptr) {
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (found == nullptr) {
    return nullptr;
  }
  if (size != nullptr) {
    *size = SizeofResource(module, found);
  }
  return static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
}

TEST(InfoWindowResources, EachWindowHasOneTrueColourIconOfItsSize) {
  const UniqueModule exe(
      LoadLibraryExW(ui::ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(exe);
  const struct {
    int id;
    int width;
    int height;
  } icons[] = {{IDI_ABOUT_PROGRAMMER_ICON, 32, 32}, {IDI_ABOUT_ICON, 82, 71}};
  for (const auto& icon : icons) {
    SCOPED_TRACE(icon.id);
    const BYTE* directory = Resource(exe.Get(), icon.id, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(directory, nullptr);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(directory + 4), 1);  // one image
    const BYTE* entry = directory + 6;
    EXPECT_EQ(entry[0], icon.width);
    EXPECT_EQ(entry[1], icon.height);
    EXPECT_GE(*reinterpret_cast<const WORD*>(entry + 6), 24);  // bits per pixel: true colour
  }
}

TEST(InfoWindowResources, TheSystemDecodesTheBannerGifAndThePictureJpegAtTheirSizes) {
  const UniqueModule exe(
      LoadLibraryExW(ui::ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(exe);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (const PictureSpec& item : kfrmAboutProgrammerPictures) {
    SCOPED_TRACE(std::string(item.name.begin(), item.name.end()));
    DWORD size = 0;
    const BYTE* bytes = Resource(exe.Get(), item.resourceId, MAKEINTRESOURCEW(10), &size);
    ASSERT_NE(bytes, nullptr);  // RT_RCDATA
    const std::string magic(reinterpret_cast<const char*>(bytes), 4);
    EXPECT_EQ(magic, item.resourceId == IDR_ABOUT_BANNER_GIF ? "GIF8" : "\xFF\xD8\xFF\xE0");
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(memory, TRUE, &stream), S_OK);
    IPicture* picture = nullptr;
    ASSERT_EQ(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                             reinterpret_cast<void**>(&picture)),
              S_OK);
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    // HIMETRIC (1/100 mm) back to pixels at 96 DPI.
    EXPECT_EQ(MulDiv(width, 96, 2540), item.pixelWidth);
    EXPECT_EQ(MulDiv(height, 96, 2540), item.pixelHeight);
    picture->Release();
    stream->Release();
  }
}

// The ways out ----------------------------------------------------------------------------------

TEST_F(InfoWindows, VisitWebsiteOpensTheAddressOncePerPressAndTheProgramStays) {
  ui::PressKey('V', true);  // Alt+V: "&Visit Website"
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()), std::vector<std::string>{kAddress});
  Press(MainAction::VisitWebsite);
  EXPECT_EQ(probe_->WaitForOpened(2, program_.get()),
            (std::vector<std::string>{kAddress, kAddress}));
  EXPECT_TRUE(program_->IsRunning());
  EXPECT_TRUE(IsWindowVisible(main_));
}

TEST_F(InfoWindows, CloseOpensTheWebsiteExactlyOnceAndEnds) {
  ui::PressKey('C', true);  // Alt+C: "&Close"
  EXPECT_TRUE(program_->WaitForExit(15s));
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()), std::vector<std::string>{kAddress});
}

TEST_F(InfoWindows, TheCloseBoxOpensTheWebsiteOnceAndEndsWithTheCardOpen) {
  ASSERT_NE(ShowCard(), nullptr);
  PostMessageW(main_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program_->WaitForExit(15s));
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()), std::vector<std::string>{kAddress});
}

TEST_F(InfoWindows, AltF4OpensTheWebsiteOnceAndEnds) {
  ui::BringToFront(main_);
  ui::PressKey(VK_F4, true);
  EXPECT_TRUE(program_->WaitForExit(15s));
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()), std::vector<std::string>{kAddress});
}

TEST_F(InfoWindows, TheSystemMenusCloseOpensTheWebsiteOnceAndEnds) {
  PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(program_->WaitForExit(15s));
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()), std::vector<std::string>{kAddress});
}

TEST_F(InfoWindows, LoggingOffOpensTheWebsiteOnceAndEnds) {
  DWORD_PTR answer = 0;
  // Answered yes at once, before the website is handed to the desktop's shell: Windows' COM
  // refuses to call out of a thread whose sender waits (Wine's does not), and the session is
  // not held up.
  EXPECT_NE(SendMessageTimeoutW(main_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                5000, &answer),
            0);
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  EXPECT_TRUE(program_->WaitForExit(15s));
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()), std::vector<std::string>{kAddress});
}

TEST_F(InfoWindows, ShuttingDownOpensTheWebsiteOnceAndEnds) {
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutW(main_, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer),
            0);
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  EXPECT_TRUE(program_->WaitForExit(15s));
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()), std::vector<std::string>{kAddress});
}

// The About Programmer window ------------------------------------------------------------------

TEST_F(InfoWindows, AboutProgrammerIsOneYellowCardCentredOnTheScreenWithoutOwner) {
  const HWND card = ShowCard();
  ASSERT_NE(card, nullptr);
  Press(MainAction::AboutProgrammer);
  EXPECT_EQ(Cards().size(), 1u) << "pressed twice, one window";
  EXPECT_EQ(GetWindow(card, GW_OWNER), nullptr);
  EXPECT_TRUE(IsWindowEnabled(main_)) << "modeless: the main window stays usable";

  RECT client{};
  GetClientRect(card, &client);
  EXPECT_EQ(client.right, TwipsToPixels(kfrmAboutProgrammer.clientWidth, kDpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(kfrmAboutProgrammer.clientHeight, kDpi));
  RECT frame{};
  GetWindowRect(card, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2.0, GetSystemMetrics(SM_CXSCREEN) / 2.0, 1.0);
  EXPECT_NEAR((frame.top + frame.bottom) / 2.0, GetSystemMetrics(SM_CYSCREEN) / 2.0, 1.0);

  // The labels, in tab order, with the card's texts.
  const auto children = ui::ChildrenInZOrder(card);
  ASSERT_EQ(children.size(), kfrmAboutProgrammerLabels.size());
  for (std::size_t i = 0; i < children.size(); ++i) {
    const LabelSpec& label = kfrmAboutProgrammerLabels[i];
    EXPECT_EQ(label.tabIndex, static_cast<int>(i));
    EXPECT_EQ(ui::WindowText(children[i]), LabelCaption(label));
    const RECT r = ui::RectInParent(children[i]);
    const PixelRect expected = ToPixels(label.bounds, kDpi);
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.top, expected.top);
    EXPECT_EQ(r.right - r.left, expected.width);
    EXPECT_EQ(r.bottom - r.top, expected.height);
  }

  ui::BringToFront(card);
  // Background, the olive line, and both pictures drawn (neither is the background there).
  EXPECT_EQ(Hex(ui::ClientPixel(card, Px(3), Px(198))), Hex(kfrmAboutProgrammer.background));
  EXPECT_EQ(
      Hex(ui::ClientPixel(card, Px(300), TwipsToPixels(kfrmAboutProgrammerLine1.from.y, kDpi))),
      Hex(kfrmAboutProgrammerLine1.colour));
  EXPECT_EQ(
      Hex(ui::ClientPixel(card, Px(300), TwipsToPixels(kfrmAboutProgrammerLine1.from.y, kDpi) - 2)),
      Hex(kfrmAboutProgrammer.background));
  const COLORREF sky =
      ui::ClientPixel(card, Px(12), Px(60));  // the picture's top left: a light sky
  EXPECT_GT(GetBValue(sky), GetRValue(sky) + 20) << Hex(sky);
  const COLORREF bannerEdge = ui::ClientPixel(card, Px(200), Px(3));  // the banner's olive rule
  EXPECT_NE(Hex(bannerEdge), Hex(kfrmAboutProgrammer.background));

  ui::SaveScreenshot(card, ui::ArtefactsFolder() + L"\\about-programmer" + DpiSuffix() + L".bmp");
}

TEST_F(InfoWindows, ClicksOnTheCardHideItExceptOnTheHeadingAndTheBanner) {
  const HWND card = ShowCard();
  ASSERT_NE(card, nullptr);
  ui::BringToFront(card);
  RECT placed{};
  GetWindowRect(card, &placed);

  ClickOn(card, CentreOf(kfrmAboutProgrammerLabels[4].bounds));
  EXPECT_TRUE(IsWindowVisible(card)) << "the heading ignores clicks";
  ClickOn(card, {Px(20), Px(40)});  // the banner, left of the heading
  EXPECT_TRUE(IsWindowVisible(card)) << "the banner ignores clicks";

  std::vector<POINT> hiding{CentreOf(kfrmAboutProgrammerPictures[1].bounds), {Px(420), Px(190)}};
  for (std::size_t i = 0; i < 4; ++i) {
    const PixelRect r = ToPixels(kfrmAboutProgrammerLabels[i].bounds, kDpi);
    hiding.push_back({r.left + 10, r.top + r.height / 2});  // on the text's first letters
  }
  for (const POINT& p : hiding) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    ClickOn(card, p);
    EXPECT_TRUE(ui::WaitUntil([&] { return !IsWindowVisible(card); }, 3s));
    EXPECT_TRUE(IsWindow(card)) << "hidden, not destroyed";
    ASSERT_EQ(ShowCard(), card) << "shown again, the same window";
    RECT again{};
    GetWindowRect(card, &again);
    EXPECT_TRUE(EqualRect(&again, &placed)) << "where it was";
    ui::BringToFront(card);
  }
  EXPECT_TRUE(program_->IsRunning());
  EXPECT_TRUE(probe_->Opened().empty());
}

TEST_F(InfoWindows, TheCardsCloseBoxDestroysItAndTheNextPressCreatesItAnew) {
  const HWND card = ShowCard();
  ASSERT_NE(card, nullptr);
  PostMessageW(card, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(ui::WaitUntil([&] { return !IsWindow(card); }, 5s));
  EXPECT_TRUE(program_->IsRunning()) << "closing the card is not a way out";
  EXPECT_TRUE(probe_->Opened().empty());
  const HWND again = ShowCard();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Cards().size(), 1u);
  EXPECT_EQ(ui::ChildrenInZOrder(again).size(), kfrmAboutProgrammerLabels.size());
}

// The About window -----------------------------------------------------------------------------

TEST_F(InfoWindows, AboutIsOneLightCyanWindowCentredOnTheMainWindow) {
  const HWND about = ShowAbout();
  ASSERT_NE(about, nullptr);
  Press(MainAction::About);
  EXPECT_EQ(WindowsWithCaption(program_->Id(), std::wstring(kfrmAbout.caption)).size(), 1u);
  EXPECT_EQ(GetWindow(about, GW_OWNER), main_);

  RECT client{};
  GetClientRect(about, &client);
  EXPECT_EQ(client.right, TwipsToPixels(kfrmAbout.clientWidth, kDpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(kfrmAbout.clientHeight, kDpi));
  RECT frame{};
  RECT owner{};
  GetWindowRect(about, &frame);
  GetWindowRect(main_, &owner);
  EXPECT_NEAR((frame.left + frame.right) / 2.0, (owner.left + owner.right) / 2.0, 1.0);
  EXPECT_NEAR((frame.top + frame.bottom) / 2.0, (owner.top + owner.bottom) / 2.0, 1.0);

  const auto children = ui::ChildrenInZOrder(about);
  ASSERT_EQ(children.size(), kfrmAboutLabels.size());
  for (std::size_t i = 0; i < children.size(); ++i) {
    EXPECT_EQ(ui::WindowText(children[i]), LabelCaption(kfrmAboutLabels[i]));
  }
  const HWND link = children[1];
  EXPECT_EQ(ui::WindowText(link), L"www.tamlorix.com");
  EXPECT_NE(ui::WindowText(children[0]).find(L" on the tamlorix.com website and donate money."),
            std::wstring::npos);

  ui::BringToFront(about);
  EXPECT_EQ(Hex(ui::ClientPixel(about, Px(480), Px(205))), Hex(kfrmAbout.background));
  EXPECT_EQ(Hex(ui::ClientPixel(about, Px(300), TwipsToPixels(kfrmAboutLine1.from.y, kDpi))),
            Hex(kfrmAboutLine1.colour));
  EXPECT_EQ(Hex(ui::ClientPixel(about, Px(300), TwipsToPixels(kfrmAboutLine1.from.y, kDpi) - 2)),
            Hex(kfrmAbout.background));
  // Some of the link's pixels are its blue.
  const PixelRect linkBox = ToPixels(kfrmAboutLabels[1].bounds, kDpi);
  int blue = 0;
  for (int x = linkBox.left; x < linkBox.left + Px(120); ++x) {
    for (int y = linkBox.top; y < linkBox.top + linkBox.height; y += 2) {
      blue += ui::ClientPixel(about, x, y) == RGB(0, 0, 0xFF) ? 1 : 0;
    }
  }
  EXPECT_GT(blue, 10);

  // Over the link the pointer changes (to the hand); over the background it does not. Each
  // point is asked about as Windows asks when the pointer moves there: the topmost child under
  // it that does not answer WM_NCHITTEST with HTTRANSPARENT (else the window itself) gets
  // WM_SETCURSOR with that answer, and the cursor it sets is read once that has returned. The
  // real pointer rests outside the program's windows meanwhile, so no motion still on its way
  // through the display sets another cursor in between (a fixed wait after moving the pointer
  // there was not always long enough under load).
  SetCursorPos(0, 0);
  const auto cursorAt = [&](int x, int y) {
    POINT screen{x, y};
    ClientToScreen(about, &screen);
    const LPARAM at = MAKELPARAM(screen.x, screen.y);
    HWND target = about;
    LRESULT hit = SendMessageW(about, WM_NCHITTEST, 0, at);
    for (HWND child : ui::ChildrenInZOrder(about)) {
      RECT box{};
      GetWindowRect(child, &box);
      if (IsWindowVisible(child) && PtInRect(&box, screen)) {
        const LRESULT childHit = SendMessageW(child, WM_NCHITTEST, 0, at);
        if (childHit != HTTRANSPARENT) {
          target = child;
          hit = childHit;
          break;
        }
      }
    }
    SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                 MAKELPARAM(hit, WM_MOUSEMOVE));
    CURSORINFO cursor{};
    cursor.cbSize = sizeof(cursor);
    GetCursorInfo(&cursor);
    return cursor.hCursor;
  };
  const HCURSOR overBackground = cursorAt(Px(480), Px(205));
  const HCURSOR overLink = cursorAt(linkBox.left + 20, linkBox.top + linkBox.height / 2);
  EXPECT_NE(overLink, overBackground);

  ui::SaveScreenshot(about, ui::ArtefactsFolder() + L"\\about" + DpiSuffix() + L".bmp");
}

TEST_F(InfoWindows, TheAboutLinkOpensTheWebsiteByClickAndByKeyboardAndTheProgramStays) {
  const HWND about = ShowAbout();
  ASSERT_NE(about, nullptr);
  ui::BringToFront(about);
  const PixelRect linkBox = ToPixels(kfrmAboutLabels[1].bounds, kDpi);
  ClickOn(about, {linkBox.left + 20, linkBox.top + linkBox.height / 2});
  EXPECT_EQ(probe_->WaitForOpened(1, program_.get()), std::vector<std::string>{kAddress});

  const HWND link = ui::FindChildByText(about, L"www.tamlorix.com");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(ui::FocusOf(about), link);
  // The window takes keys in order: once Enter has opened the site, Tab has been taken too.
  ui::PressKey(VK_TAB);
  ui::PressKey(VK_RETURN);
  EXPECT_EQ(probe_->WaitForOpened(2, program_.get()).size(), 2u);
  EXPECT_EQ(ui::FocusOf(about), link) << "the one place Tab can go";
  ui::PressKey(VK_SPACE);
  EXPECT_EQ(probe_->WaitForOpened(3, program_.get()),
            (std::vector<std::string>{kAddress, kAddress, kAddress}));

  EXPECT_TRUE(program_->IsRunning());
  EXPECT_TRUE(IsWindowVisible(about));
  EXPECT_TRUE(IsWindowVisible(main_));
}

}  // namespace
