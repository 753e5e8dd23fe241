#include "platform/Com_win.h"

#include "platform/SystemLibrary_win.h"

void EnsureComApartment() {
  using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  static const HRESULT result = SystemFunction<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx")(
      nullptr, COINIT_APARTMENTTHREADED);
  (void)result;
}
