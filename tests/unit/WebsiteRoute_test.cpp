#include "web/WebsiteRoute.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every opening, and has a desktop shell or not.
class RecordingWebsiteSystem final : public WebsiteSystem {
 public:
  explicit RecordingWebsiteSystem(bool hasDesktopShell) : hasDesktopShell_(hasDesktopShell) {}
  bool OpenThroughDesktopShell(const std::wstring& address) override {
    asked.push_back(L"desktop shell: " + address);
    return hasDesktopShell_;
  }
  void OpenFromThisProgram(const std::wstring& address) override {
    asked.push_back(L"this program: " + address);
  }
  std::vector<std::wstring> asked;

 private:
  bool hasDesktopShell_;
};

TEST(WebsiteRoute, TheDesktopShellOpensItAndOnlyWithoutOneDoesTheProgramOnce) {
  RecordingWebsiteSystem desktop(true);
  EXPECT_EQ(OpenWebsiteWith(desktop, L"http://example.org/"), WebsiteRoute::DesktopShell);
  EXPECT_EQ(desktop.asked, std::vector<std::wstring>{L"desktop shell: http://example.org/"});

  RecordingWebsiteSystem noDesktop(false);
  EXPECT_EQ(OpenWebsiteWith(noDesktop, L"http://example.org/"), WebsiteRoute::ThisProgram);
  EXPECT_EQ(noDesktop.asked, (std::vector<std::wstring>{L"desktop shell: http://example.org/",
                                                        L"this program: http://example.org/"}));
}

}  // namespace
