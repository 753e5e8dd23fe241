#include "setup/VersionStrings.h"

#include <algorithm>

#include "platform/PeFile.h"

namespace {

constexpr std::uint32_t kResourceTypeVersion = 16;  // RT_VERSION

// One entry of a resource directory: the one with `id`, or the first when `id` is empty.
// Returns the entry's offset field (high bit: a subdirectory).
std::optional<std::uint32_t> DirectoryEntry(const PeFile& file, std::size_t directory,
                                            std::optional<std::uint32_t> id) {
  const auto named = file.U16(directory + 12);
  const auto numbered = file.U16(directory + 14);
  if (!named || !numbered) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(*named) + *numbered; ++i) {
    const auto name = file.U32(directory + 16 + i * 8);
    const auto offset = file.U32(directory + 20 + i * 8);
    if (!name || !offset) {
      return std::nullopt;
    }
    if (!id || ((*name & 0x80000000u) == 0 && *name == *id)) {
      return offset;
    }
  }
  return std::nullopt;
}

// A node of the version resource: a key, a value and children, each 32-bit aligned.
struct Node {
  std::wstring key;
  std::size_t valueAt = 0;
  std::size_t valueBytes = 0;
  bool text = false;
  std::size_t childrenAt = 0;
  std::size_t end = 0;
};

class VersionResource {
 public:
  VersionResource(const PeFile& file, std::size_t start, std::size_t size)
      : file_(file), start_(start), end_(std::min(start + size, file.Bytes().size())) {}

  std::optional<Node> Read(std::size_t at, std::size_t limit) const {
    const auto length = file_.U16(at);
    const auto valueLength = file_.U16(at + 2);
    const auto type = file_.U16(at + 4);
    if (!length || !valueLength || !type || *length < 6 || at + *length > limit) {
      return std::nullopt;
    }
    Node node;
    node.end = at + *length;
    std::size_t p = at + 6;
    for (;; p += 2) {
      const auto c = file_.U16(p);
      if (!c || p + 2 > node.end) {
        return std::nullopt;
      }
      if (*c == 0) {
        break;
      }
      node.key += static_cast<wchar_t>(*c);
    }
    node.text = *type == 1;
    node.valueAt = Aligned(p + 2);
    node.valueBytes = node.text ? *valueLength * 2u : *valueLength;
    node.childrenAt = std::min(Aligned(node.valueAt + node.valueBytes), node.end);
    return node;
  }

  std::vector<Node> Children(const Node& parent) const {
    std::vector<Node> children;
    for (std::size_t at = parent.childrenAt; at + 6 <= parent.end;) {
      const auto child = Read(at, parent.end);
      if (!child) {
        break;
      }
      children.push_back(*child);
      at = Aligned(child->end);
    }
    return children;
  }

  std::wstring Text(const Node& node) const {
    std::wstring text;
    const std::size_t end = std::min(node.valueAt + node.valueBytes, node.end);
    for (std::size_t p = node.valueAt; p + 2 <= end; p += 2) {
      const auto c = file_.U16(p);
      if (!c || *c == 0) {
        break;
      }
      text += static_cast<wchar_t>(*c);
    }
    return text;
  }

  std::size_t Start() const { return start_; }
  std::size_t End() const { return end_; }

 private:
  std::size_t Aligned(std::size_t at) const {
    return start_ + ((at - start_ + 3) & ~std::size_t{3});
  }

  const PeFile& file_;
  std::size_t start_;
  std::size_t end_;
};

// Where the version resource's data lies in the file: offset and size.
std::optional<std::pair<std::size_t, std::size_t>> FindVersionResource(const PeFile& file) {
  const std::uint32_t resources = file.DataDirectory(PeFile::kResourceDirectory).rva;
  const auto rootAt = resources != 0 ? file.FileOffset(resources) : std::nullopt;
  if (!rootAt) {
    return std::nullopt;
  }
  const auto root = static_cast<std::size_t>(*rootAt);  // within the file, so it fits
  // Type, then name, then language: the first version resource in its first language.
  std::size_t directory = root;
  for (const std::optional<std::uint32_t> id :
       {std::optional<std::uint32_t>(kResourceTypeVersion), std::optional<std::uint32_t>()}) {
    const auto entry = DirectoryEntry(file, directory, id);
    if (!entry || (*entry & 0x80000000u) == 0) {
      return std::nullopt;
    }
    directory = root + (*entry & 0x7FFFFFFFu);
  }
  const auto leaf = DirectoryEntry(file, directory, std::nullopt);
  if (!leaf || (*leaf & 0x80000000u) != 0) {
    return std::nullopt;
  }
  const auto dataAddress = file.U32(root + *leaf);
  const auto dataSize = file.U32(root + *leaf + 4);
  if (!dataAddress || !dataSize) {
    return std::nullopt;
  }
  const auto data = file.FileOffset(*dataAddress);
  if (!data) {
    return std::nullopt;
  }
  return std::pair{static_cast<std::size_t>(*data), static_cast<std::size_t>(*dataSize)};
}

}  // namespace

std::optional<VersionStrings> ReadVersionStrings(const std::vector<std::uint8_t>& bytes) {
  const auto file = PeFile::Parse(bytes);
  if (!file) {
    return std::nullopt;
  }
  const auto found = FindVersionResource(*file);
  if (!found) {
    return std::nullopt;
  }
  const VersionResource resource(*file, found->first, found->second);
  const auto root = resource.Read(resource.Start(), resource.End());
  if (!root || root->key != L"VS_VERSION_INFO") {
    return std::nullopt;
  }
  for (const auto& info : resource.Children(*root)) {
    if (info.key != L"StringFileInfo") {
      continue;
    }
    for (const auto& table : resource.Children(info)) {
      VersionStrings strings;
      for (const auto& entry : resource.Children(table)) {
        strings[entry.key] = resource.Text(entry);
      }
      return strings;
    }
  }
  return std::nullopt;
}
