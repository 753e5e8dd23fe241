#include "windows/Picture_win.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "platform/SystemError_win.h"
#include "platform/SystemLibrary_win.h"

namespace {

// A movable memory block until a stream takes it over.
class GlobalMemory {
 public:
  explicit GlobalMemory(SIZE_T size) : memory_(GlobalAlloc(GMEM_MOVEABLE, size)) {
    if (memory_ == nullptr) {
      ThrowLastError(L"memory for a picture");
    }
  }
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;
  ~GlobalMemory() {
    if (memory_ != nullptr) {
      GlobalFree(memory_);
    }
  }
  HGLOBAL Get() const noexcept { return memory_; }
  HGLOBAL Release() noexcept { return std::exchange(memory_, nullptr); }

 private:
  HGLOBAL memory_;
};

void ThrowIfFailed(HRESULT result, std::wstring_view context) {
  if (FAILED(result)) {
    ThrowSystemError(static_cast<DWORD>(result), context);
  }
}

}  // namespace

ComPtr<IPicture> LoadPictureResource(int resourceId) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
  const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    ThrowLastError(L"a picture in the program's resources");
  }
  const DWORD size = SizeofResource(module, found);

  // The loader reads from a stream; the stream takes the memory over and frees it with itself.
  GlobalMemory memory(size);
  void* copy = GlobalLock(memory.Get());
  std::memcpy(copy, bytes, size);
  GlobalUnlock(memory.Get());
  // ole32 and oleaut32 are looked up in the system folder (see SystemLibrary_win.h for why).
  using CreateStreamOnHGlobalFn = HRESULT(WINAPI*)(HGLOBAL, BOOL, LPSTREAM*);
  using OleLoadPictureFn = HRESULT(WINAPI*)(LPSTREAM, LONG, BOOL, REFIID, LPVOID*);
  const auto createStream =
      SystemFunction<CreateStreamOnHGlobalFn>(L"ole32.dll", "CreateStreamOnHGlobal");
  const auto loadPicture = SystemFunction<OleLoadPictureFn>(L"oleaut32.dll", "OleLoadPicture");
  ComPtr<IStream> stream;
  ThrowIfFailed(createStream(memory.Get(), TRUE, stream.Put()), L"a picture in memory");
  memory.Release();

  EnsureComApartment();
  ComPtr<IPicture> picture;
  ThrowIfFailed(loadPicture(stream.Get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                            reinterpret_cast<void**>(picture.Put())),
                L"the picture's contents");
  return picture;
}

void DrawPicture(HDC dc, IPicture& picture, const PixelRect& box) {
  // Sizes in HIMETRIC; the source rectangle runs bottom-up, as IPicture::Render expects.
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture.get_Width(&width);
  picture.get_Height(&height);
  const int previousMode = SetStretchBltMode(dc, HALFTONE);
  POINT previousOrigin{};
  SetBrushOrgEx(dc, 0, 0, &previousOrigin);
  picture.Render(dc, box.left, box.top, box.width, box.height, 0, height, width, -height, nullptr);
  SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
  SetStretchBltMode(dc, previousMode);
}
