#include "setup/Transaction.h"

Transaction::~Transaction() {
  if (!committed_) {
    Rollback();
  }
}

int Transaction::Rollback() noexcept {
  int failures = 0;
  while (!undo_.empty()) {
    auto undo = std::move(undo_.back());
    undo_.pop_back();
    try {
      undo();
    } catch (...) {
      ++failures;
    }
  }
  committed_ = true;
  return failures;
}

void Transaction::Run(const std::function<void()>& change, std::function<void()> undo) {
  change();
  changed_ = true;
  undo_.push_back(std::move(undo));
}

void Transaction::PutFile(const std::wstring& path, const Bytes& bytes) {
  auto before = system_.ReadFile(path);
  if (before == bytes) {
    return;
  }
  Run([&] { system_.WriteFile(path, bytes); },
      [this, path, before = std::move(before)] {
        if (before) {
          system_.WriteFile(path, *before);
        } else {
          system_.DeleteFile(path);
        }
      });
}

void Transaction::RemoveFile(const std::wstring& path) {
  auto before = system_.ReadFile(path);
  if (!before) {
    return;
  }
  bool removedNow = true;
  Run([&] { removedNow = system_.DeleteFile(path); },
      [this, path, before = std::move(*before)] {
        // A file only scheduled for removal is still in place.
        if (!system_.ReadFile(path)) {
          system_.WriteFile(path, before);
        }
      });
  restartNeeded_ = restartNeeded_ || !removedNow;
}

void Transaction::EnsureFolder(const std::wstring& path) {
  if (system_.FolderExists(path)) {
    return;
  }
  Run([&] { system_.CreateFolder(path); }, [this, path] { system_.RemoveFolder(path); });
}

void Transaction::RemoveFolder(const std::wstring& path) {
  if (!system_.FolderExists(path)) {
    return;
  }
  bool removedNow = true;
  Run([&] { removedNow = system_.RemoveFolder(path); },
      [this, path] {
        if (!system_.FolderExists(path)) {
          system_.CreateFolder(path);
        }
      });
  restartNeeded_ = restartNeeded_ || !removedNow;
}

void Transaction::SetValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                           const RegValue& value) {
  const bool keyExisted = system_.KeyExists(root, key);
  auto before = keyExisted ? system_.ReadValue(root, key, name) : std::nullopt;
  if (before == value) {
    return;
  }
  Run([&] { system_.WriteValue(root, key, name, value); },
      [this, root, key, name, before = std::move(before), keyExisted] {
        if (before) {
          system_.WriteValue(root, key, name, *before);
        } else if (keyExisted) {
          system_.DeleteValue(root, key, name);
        } else {
          system_.DeleteValue(root, key, name);
          system_.DeleteKey(root, key);
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
  Run([&] { system_.DeleteValue(root, key, name); },
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
  Run([&] { system_.DeleteKey(root, key); }, [this, root, key] { system_.CreateKey(root, key); });
}
