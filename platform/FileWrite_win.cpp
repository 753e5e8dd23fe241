#include "platform/FileWrite_win.h"

#include <algorithm>
#include <cstdint>

DWORD WriteAll(HANDLE file, const void* bytes, std::size_t length) noexcept {
  const auto* const from = static_cast<const std::uint8_t*>(bytes);
  for (std::size_t done = 0; done < length;) {
    DWORD written = 0;
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(length - done, 1u << 20));
    if (!WriteFile(file, from + done, piece, &written, nullptr)) {
      return GetLastError();
    }
    if (written == 0) {
      return ERROR_DISK_FULL;
    }
    done += written;
  }
  return ERROR_SUCCESS;
}
