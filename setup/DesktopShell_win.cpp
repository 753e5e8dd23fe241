#include "setup/DesktopShell_win.h"

#include <windows.h>
// After windows.h, which they need.
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "platform/Com_win.h"
#include "platform/SystemLibrary_win.h"

namespace {

// A BSTR for one call; oleaut32 is looked up in the system folder like every late DLL.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : free_(SystemFunction<void(WINAPI*)(BSTR)>(L"oleaut32.dll", "SysFreeString")),
        text_(SystemFunction<BSTR(WINAPI*)(const OLECHAR*)>(L"oleaut32.dll",
                                                            "SysAllocString")(text.c_str())) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { free_(text_); }
  BSTR Get() const { return text_; }
  VARIANT AsVariant() const {
    VARIANT variant{};
    variant.vt = VT_BSTR;
    variant.bstrVal = text_;
    return variant;
  }

 private:
  void(WINAPI* free_)(BSTR);
  BSTR text_;
};

template <typename Interface, typename From>
ComPtr<Interface> Query(const ComPtr<From>& from) {
  ComPtr<Interface> result;
  if (from) {
    from->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(result.Put()));
  }
  return result;
}

}  // namespace

bool StartAsDesktopUser(const std::wstring& program, const std::wstring& parameters) noexcept {
  try {
    EnsureComApartment();
    using CoCreateInstanceFunction = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    const auto create = SystemFunction<CoCreateInstanceFunction>(L"ole32.dll", "CoCreateInstance");
    ComPtr<IShellWindows> windows;
    if (FAILED(create(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                      reinterpret_cast<void**>(windows.Put())))) {
      return false;
    }
    VARIANT none{};
    none.vt = VT_EMPTY;
    long window = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.Put()) != S_OK) {
      return false;
    }
    ComPtr<IShellBrowser> browser;
    const auto services = Query<IServiceProvider>(desktop);
    if (!services || FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                                   reinterpret_cast<void**>(browser.Put())))) {
      return false;
    }
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    if (FAILED(browser->QueryActiveShellView(view.Put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                   reinterpret_cast<void**>(background.Put())))) {
      return false;
    }
    const auto folderView = Query<IShellFolderViewDual>(background);
    ComPtr<IDispatch> application;
    if (!folderView || FAILED(folderView->get_Application(application.Put()))) {
      return false;
    }
    const auto shell = Query<IShellDispatch2>(application);
    if (!shell) {
      return false;
    }
    const Bstr file(program);
    const Bstr arguments(parameters);
    const Bstr folder(program.substr(0, program.find_last_of(L'\\')));
    const Bstr open(L"open");
    VARIANT show{};
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return SUCCEEDED(shell->ShellExecute(file.Get(), arguments.AsVariant(), folder.AsVariant(),
                                         open.AsVariant(), show));
  } catch (...) {
    return false;
  }
}
