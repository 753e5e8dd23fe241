#include "platform/Com_win.h"

#include "platform/SystemError.h"
#include "platform/SystemLibrary_win.h"

void EnsureComApartment() {
  using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  static const HRESULT result = SystemFunction<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx")(
      nullptr, COINIT_APARTMENTTHREADED);
  (void)result;
}

void* CreateLocalServerObject(const CLSID& id, const IID& interfaceId) noexcept {
  using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  void* object = nullptr;
  try {
    const auto create = SystemFunction<CoCreateInstanceFn>(L"ole32.dll", "CoCreateInstance");
    if (FAILED(create(id, nullptr, CLSCTX_LOCAL_SERVER, interfaceId, &object))) {
      object = nullptr;
    }
  } catch (const SystemError&) {
  }
  return object;
}

UniqueBstr::UniqueBstr(const wchar_t* text) noexcept {
  using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);
  try {
    free_ = SystemFunction<void(WINAPI*)(BSTR)>(L"oleaut32.dll", "SysFreeString");
    text_ = SystemFunction<SysAllocStringFn>(L"oleaut32.dll", "SysAllocString")(text);
  } catch (const SystemError&) {
  }
}

UniqueBstr::~UniqueBstr() {
  if (text_ != nullptr) {
    free_(text_);
  }
}
