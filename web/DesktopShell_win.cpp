#include "web/DesktopShell_win.h"

#include <windows.h>
// after windows.h
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include "platform/Com_win.h"

namespace {

// The desktop shell's Application object, reached step by step; null where a step finds nothing.
ComPtr<IShellDispatch2> DesktopShellApplication() noexcept {
  // Only the running desktop's object will do: one made inside this process would open
  // everything with this process's rights.
  const auto windows = CreateLocalServerObject<IShellWindows>(CLSID_ShellWindows);
  if (!windows) {
    return {};
  }
  VARIANT desktop{};
  desktop.vt = VT_I4;
  desktop.lVal = CSIDL_DESKTOP;
  VARIANT noRoot{};
  LONG shellWindow = 0;
  ComPtr<IDispatch> desktopBrowser;
  if (windows->FindWindowSW(&desktop, &noRoot, SWC_DESKTOP, &shellWindow, SWFO_NEEDDISPATCH,
                            desktopBrowser.Put()) != S_OK ||
      shellWindow == 0) {
    return {};
  }
  const auto services = QueryAs<IServiceProvider>(desktopBrowser.Get());
  ComPtr<IShellBrowser> browser;
  if (!services || FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                                 reinterpret_cast<void**>(browser.Put())))) {
    return {};
  }
  ComPtr<IShellView> view;
  if (!browser || FAILED(browser->QueryActiveShellView(view.Put())) || !view) {
    return {};
  }
  ComPtr<IDispatch> background;
  if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                 reinterpret_cast<void**>(background.Put())))) {
    return {};
  }
  const auto folderView = QueryAs<IShellFolderViewDual>(background.Get());
  ComPtr<IDispatch> application;
  if (!folderView || FAILED(folderView->get_Application(application.Put()))) {
    return {};
  }
  return QueryAs<IShellDispatch2>(application.Get());
}

// A VARIANT that borrows a string: it is never cleared, the string's owner frees it.
VARIANT StringArgument(const UniqueBstr& text) noexcept {
  VARIANT argument{};
  argument.vt = VT_BSTR;
  argument.bstrVal = text.Get();
  return argument;
}

}  // namespace

bool ShellExecuteOnDesktop(const wchar_t* file, const wchar_t* operation, const wchar_t* directory,
                           int showCommand) noexcept {
  const UniqueBstr fileText(file);
  const UniqueBstr operationText(operation);
  const UniqueBstr directoryText(directory);
  if (fileText.Get() == nullptr || operationText.Get() == nullptr ||
      directoryText.Get() == nullptr) {
    return false;
  }
  const auto application = DesktopShellApplication();
  if (!application) {
    return false;
  }
  VARIANT show{};
  show.vt = VT_I4;
  show.lVal = showCommand;
  const VARIANT noArguments{};
  (void)application->ShellExecute(fileText.Get(), noArguments, StringArgument(directoryText),
                                  StringArgument(operationText), show);
  return true;
}
