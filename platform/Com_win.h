#pragma once

#include <objbase.h>

#include <utility>

// An owned COM interface pointer: released once, copy forbidden, move allowed.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { Reset(); }

  Interface* Get() const noexcept { return pointer_; }
  Interface* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  // For the out parameter of a creating call; whatever was held is released first.
  Interface** Put() noexcept {
    Reset();
    return &pointer_;
  }
  void Reset() noexcept {
    if (pointer_ != nullptr) {
      std::exchange(pointer_, nullptr)->Release();
    }
  }

 private:
  Interface* pointer_ = nullptr;
};

// Another interface of the same object, or null where it has none.
template <typename Interface>
ComPtr<Interface> QueryAs(IUnknown* object) noexcept {
  ComPtr<Interface> result;
  if (object == nullptr ||
      FAILED(object->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(result.Put())))) {
    result.Reset();
  }
  return result;
}

// An object of the class `id` served by another process that already runs it or that COM
// starts for it: never one inside this process. Null where COM cannot reach the class; throws
// SystemError where COM itself is missing (ole32 is looked up in the system folder, see
// platform/SystemLibrary_win.h).
void* CreateLocalServerObject(const CLSID& id, const IID& interfaceId);
template <typename Interface>
ComPtr<Interface> CreateLocalServerObject(const CLSID& id) {
  ComPtr<Interface> result;
  *result.Put() = static_cast<Interface*>(CreateLocalServerObject(id, __uuidof(Interface)));
  return result;
}

// A BSTR (the automation string), freed once. Null where there was no memory for it; throws
// SystemError where oleaut32 is missing.
class UniqueBstr {
 public:
  explicit UniqueBstr(const wchar_t* text);
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr();
  BSTR Get() const noexcept { return text_; }

 private:
  void(WINAPI* free_)(BSTR) = nullptr;
  BSTR text_ = nullptr;
};

// Makes the calling (GUI) thread a single-threaded apartment the first time it is needed. The
// apartment lasts until the process ends: End() leaves no moment to close it.
// ole32 is looked up in the system folder (platform/SystemLibrary_win.h says why).
void EnsureComApartment();
