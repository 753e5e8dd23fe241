#include "platform/Com_win.h"

#include "platform/SystemLibrary_win.h"

void EnsureComApartment() {
  using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  static const HRESULT result = SystemFunction<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx")(
      nullptr, COINIT_APARTMENTTHREADED);
  (void)result;
}

void* CreateLocalServerObject(const CLSID& id, const IID& interfaceId) {
  using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  const auto create = SystemFunction<CoCreateInstanceFn>(L"ole32.dll", "CoCreateInstance");
  void* object = nullptr;
  if (FAILED(create(id, nullptr, CLSCTX_LOCAL_SERVER, interfaceId, &object))) {
    object = nullptr;
  }
  return object;
}

UniqueBstr::UniqueBstr(const wchar_t* text)
    : free_(SystemFunction<void(WINAPI*)(BSTR)>(L"oleaut32.dll", "SysFreeString")),
      text_(
          SystemFunction<BSTR(WINAPI*)(const OLECHAR*)>(L"oleaut32.dll", "SysAllocString")(text)) {}

UniqueBstr::~UniqueBstr() {
  if (text_ != nullptr) {
    free_(text_);
  }
}
