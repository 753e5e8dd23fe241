#include "setup/Transaction.h"

#include <algorithm>
#include <utility>

#include "platform/SystemError.h"

std::wstring RegistryKeyName(RegRoot root, const std::wstring& key) {
  return (root == RegRoot::Machine ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + key;
}

namespace {

std::wstring ValueName(RegRoot root, const std::wstring& key, const std::wstring& name) {
  return L"the registry value \"" + name + L"\" of " + RegistryKeyName(root, key);
}

// The key's ancestors from the top down, the key itself last: "a\b\c" gives a, a\b, a\b\c.
std::vector<std::wstring> KeyAndAncestors(const std::wstring& key) {
  std::vector<std::wstring> keys;
  for (std::size_t end = key.find(L'\\'); end != std::wstring::npos;
       end = key.find(L'\\', end + 1)) {
    keys.push_back(key.substr(0, end));
  }
  keys.push_back(key);
  return keys;
}

}  // namespace

Transaction::~Transaction() {
  if (!committed_) {
    Rollback();
  }
}

std::vector<std::wstring> Transaction::Rollback() noexcept {
  std::vector<std::wstring> failed;
  while (!undo_.empty()) {
    Undo step = std::move(undo_.back());
    undo_.pop_back();
    try {
      step.undo();
    } catch (const SystemError& error) {
      failed.push_back(step.left + L" (" +
                       (error.Description().empty() ? error.Context() : error.Description()) +
                       L")");
    } catch (...) {
      failed.push_back(step.left);
    }
  }
  keptFiles_.clear();
  foldersToRemove_.clear();
  committed_ = true;
  return failed;
}

void Transaction::Commit() noexcept {
  for (const auto& kept : keptFiles_) {
    try {
      restartNeeded_ = !system_.DiscardFile(kept) || restartNeeded_;
    } catch (...) {
      leftBehind_.push_back(kept);
    }
  }
  for (const auto& folder : foldersToRemove_) {
    try {
      restartNeeded_ = !system_.RemoveFolder(folder) || restartNeeded_;
    } catch (...) {
      leftBehind_.push_back(folder);
    }
  }
  undo_.clear();
  keptFiles_.clear();
  foldersToRemove_.clear();
  committed_ = true;
}

void Transaction::Run(std::wstring left, const std::function<void()>& change,
                      std::function<void()> undo) {
  change();
  changed_ = true;
  undo_.push_back({std::move(left), std::move(undo)});
}

void Transaction::OnRollback(std::wstring left, std::function<void()> undo) {
  undo_.push_back({std::move(left), std::move(undo)});
}

void Transaction::PutFile(const std::wstring& path, const Bytes& bytes) {
  if (system_.FileContents(path) == bytes) {
    return;
  }
  const std::wstring kept = system_.ReplaceWithNewFile(path, bytes);
  changed_ = true;
  if (!kept.empty()) {
    keptFiles_.push_back(kept);
  }
  undo_.push_back({kept.empty()
                       ? L"the file " + path + L", which setup added"
                       : L"the new file " + path + L" (the one it replaced is " + kept + L")",
                   [this, path, kept] { system_.RestoreFile(path, kept); }});
}

void Transaction::RemoveFile(const std::wstring& path) {
  if (!system_.FileContents(path)) {
    return;
  }
  const std::wstring aside = system_.SetFileAside(path);
  changed_ = true;
  keptFiles_.push_back(aside);
  undo_.push_back({L"the file " + path + L", which setup moved to " + aside,
                   [this, path, aside] { system_.RestoreFile(path, aside); }});
}

void Transaction::EnsureFolder(const std::wstring& path) {
  if (system_.FolderExists(path)) {
    return;
  }
  Run(
      L"the folder " + path + L", which setup created", [&] { system_.CreateFolder(path); },
      [this, path] {
        if (!system_.RemoveFolder(path)) {
          throw SystemError(145, L"The folder is not empty.",
                            L"the folder " + path);  // ERROR_DIR_NOT_EMPTY
        }
      });
}

void Transaction::RemoveFolderOnCommit(const std::wstring& path) {
  if (system_.FolderExists(path)) {
    changed_ = true;
    foldersToRemove_.push_back(path);
  }
}

void Transaction::SetValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                           const RegValue& value) {
  // The keys this write creates: the topmost missing one and every one below it.
  const auto keys = KeyAndAncestors(key);
  const auto firstMissing = std::find_if(
      keys.begin(), keys.end(), [&](const std::wstring& k) { return !system_.KeyExists(root, k); });
  const std::vector<std::wstring> created(firstMissing, keys.end());
  auto before = created.empty() ? system_.ReadValue(root, key, name) : std::nullopt;
  if (before == value) {
    return;
  }
  Run(
      ValueName(root, key, name), [&] { system_.WriteValue(root, key, name, value); },
      [this, root, key, name, before = std::move(before), created] {
        if (before) {
          system_.WriteValue(root, key, name, *before);
          return;
        }
        system_.DeleteValue(root, key, name);
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
          system_.DeleteKey(root, *it);
        }
      });
}

void Transaction::ClearValue(RegRoot root, const std::wstring& key, const std::wstring& name) {
  if (!system_.KeyExists(root, key)) {
    return;
  }
  auto before = system_.ReadValue(root, key, name);
  if (!before) {
    return;
  }
  Run(
      ValueName(root, key, name) + L", which setup removed",
      [&] { system_.DeleteValue(root, key, name); },
      [this, root, key, name, before = std::move(*before)] {
        system_.WriteValue(root, key, name, before);
      });
}

void Transaction::RemoveKey(RegRoot root, const std::wstring& key) {
  if (!system_.KeyExists(root, key)) {
    return;
  }
  for (const auto& name : system_.ValueNames(root, key)) {
    ClearValue(root, key, name);
  }
  Run(
      L"the registry key " + RegistryKeyName(root, key) + L", which setup removed",
      [&] { system_.DeleteKey(root, key); }, [this, root, key] { system_.CreateKey(root, key); });
}
