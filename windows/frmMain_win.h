#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "platform/Handles_win.h"
#include "windows/frmMainLayout.h"

// The main window: the one place from which the user starts anything. It exists once; other
// parts of the program reach it through Instance().
class frmMain {
 public:
  // Creates the window hidden and runs its load handler; the first call creates, later calls
  // return the same window.
  static frmMain& Load(HINSTANCE instance);
  // The single instance, or null before Load.
  static frmMain* Instance() noexcept;

  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  HWND Handle() const noexcept { return hwnd_; }
  // Shows the window where it was created: centred on the screen.
  void Show();

  // The install script text, built by the load handler before the window is first shown and
  // kept for the window's life.
  std::wstring InstallScript;

  // Copies the fonts of "urdu fonts" into the Fonts folder and registers them; on any failure
  // says so and ends the program (install/CopyFonts_win.cpp).
  void CopyFonts();

  // Draws everything that is not a child control (the line); WM_PAINT and WM_PRINTCLIENT both
  // come here.
  void PaintContent(HDC dc) const;

 private:
  frmMain() = default;
  void Create(HINSTANCE instance);
  void Form_Load();
  void CreateButtons(HINSTANCE instance);
  void RunAction(MainAction action);
  void QueryClose();

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int notification);
  void OnDrawItem(const DRAWITEMSTRUCT& item) const;
  static bool FilterKeyboard(HWND topLevel, MSG& message);
  bool OnAccessKey(wchar_t key);

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  UniqueBrush background_;
  UniqueFont font_;
  // Child buttons in tab order; the window owns them.
  std::array<HWND, kfrmMainButtons.size()> buttonsInTabOrder_{};
};
