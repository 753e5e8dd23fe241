#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "platform/Handles_win.h"
#include "windows/BaseWindow_win.h"
#include "windows/frmMainLayout.h"

// The main window: the one place from which the user starts anything. It exists once, and owns
// the install script the Windows XP flow writes.
class frmMain final : public BaseWindow {
 public:
  // Creates the window hidden and runs its load handler; the first call creates, later calls
  // return the same window.
  static frmMain& Load(HINSTANCE instance);

  // Shows the window where it was created: centred on the screen.
  void Show();

  // The install script text, built by the load handler before the window is first shown and
  // kept for the window's life.
  std::wstring InstallScript;

  // The line; the buttons draw themselves.
  void PaintContent(HDC dc) const override;

 private:
  frmMain() = default;
  ~frmMain() = default;

  // The window's events: one handler each, run inside the one dispatch point (RunHandler).
  void Form_Load();
  void Form_QueryClose();
  void Command1_Click();  // Install Urdu Phonetic - Windows 7
  void Command2_Click();  // Install Urdu Phonetic - Windows XP (SP-2)
  void Command3_Click();  // Close
  void Command4_Click();  // Visit Website
  void Command5_Click();  // About Tamlorix Install Urdu Phonetic
  void Command6_Click();  // About Programmer

  void CreateButtons(HINSTANCE instance);
  void RunAction(MainAction action);
  void OnDrawItem(const DRAWITEMSTRUCT& item) const;
  bool OnAccessKey(wchar_t key);

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool PreTranslateMessage(MSG& message) override;

  UniqueFont font_;
  // Child buttons in tab order; the window owns them.
  std::array<HWND, kfrmMainButtons.size()> buttonsInTabOrder_{};
};
