#include "platform/DesktopShell_win.h"

#include <windows.h>
// after windows.h
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include "platform/Com_win.h"

namespace {

// The desktop shell's Application object, reached step by step; null where a step finds nothing.
ComPtr<IShellDispatch2> DesktopShellApplication() {
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

DesktopShellAnswer ShellExecuteOnDesktop(const std::wstring& file, const std::wstring& parameters,
                                         const std::wstring& directory, const wchar_t* operation,
                                         int showCommand) {
  const UniqueBstr fileText(file.c_str());
  const UniqueBstr parametersText(parameters.c_str());
  const UniqueBstr directoryText(directory.c_str());
  const UniqueBstr operationText(operation);
  if (fileText.Get() == nullptr || parametersText.Get() == nullptr ||
      directoryText.Get() == nullptr || operationText.Get() == nullptr) {
    return DesktopShellAnswer::NoShell;  // no memory even for the strings: nothing was asked
  }
  const auto application = DesktopShellApplication();
  if (!application) {
    return DesktopShellAnswer::NoShell;
  }
  VARIANT show{};
  show.vt = VT_I4;
  show.lVal = showCommand;
  const VARIANT noParameters{};
  const HRESULT result = application->ShellExecute(
      fileText.Get(), parameters.empty() ? noParameters : StringArgument(parametersText),
      StringArgument(directoryText), StringArgument(operationText), show);
  return SUCCEEDED(result) ? DesktopShellAnswer::Done : DesktopShellAnswer::Refused;
}
