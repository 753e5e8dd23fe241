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

// Makes the calling (GUI) thread a single-threaded apartment the first time it is needed. The
// apartment lasts until the process ends: End() leaves no moment to close it.
// ole32 is looked up in the system folder (platform/SystemLibrary_win.h says why).
void EnsureComApartment();
