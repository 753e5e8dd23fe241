#pragma once

#include <functional>
#include <string>
#include <vector>

#include "setup/SetupSystem.h"

// Changes to the system, each remembered with what undoes it, so that a failure part way can
// put the machine back as it was. Every change first looks at what is there: a change that is
// already in place is skipped, which makes running setup twice change nothing.
class Transaction {
 public:
  explicit Transaction(SetupSystem& system) : system_(system) {}
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  // Not committed: undoes everything done so far.
  ~Transaction();

  void PutFile(const std::wstring& path, const Bytes& bytes);
  void RemoveFile(const std::wstring& path);
  void EnsureFolder(const std::wstring& path);
  void RemoveFolder(const std::wstring& path);
  void SetValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                const RegValue& value);
  void ClearValue(RegRoot root, const std::wstring& key, const std::wstring& name);
  // Removes a key with every value it holds (a key with subkeys is refused by the system).
  void RemoveKey(RegRoot root, const std::wstring& key);
  // Any other change with its undo.
  void Run(const std::function<void()>& change, std::function<void()> undo);

  void Commit() { undo_.clear(), committed_ = true; }
  // Undoes in reverse order; returns how many undo steps failed themselves.
  int Rollback() noexcept;

  bool Changed() const { return changed_; }
  // Some file or folder could only be scheduled for removal at the next restart.
  bool RestartNeeded() const { return restartNeeded_; }

 private:
  SetupSystem& system_;
  std::vector<std::function<void()>> undo_;
  bool changed_ = false;
  bool committed_ = false;
  bool restartNeeded_ = false;
};
