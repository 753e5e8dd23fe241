#pragma once

#include <functional>
#include <string>
#include <vector>

#include "setup/SetupSystem.h"

// Changes to the system, each remembered with what undoes it, so that a failure part way can
// put the machine back as it was. Every change first looks at what is there: a change that is
// already in place is skipped, which makes running setup twice change nothing. Files replaced
// or removed are kept beside their place until Commit, so undoing one is a rename, never a
// write; nothing is scheduled for deletion at a restart before Commit, so a rollback has no
// such deletion to take back.
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
  // Removed at Commit, after the files set aside in it are gone.
  void RemoveFolderOnCommit(const std::wstring& path);
  // Creates the key and any missing parent; undoing removes exactly those again.
  void SetValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                const RegValue& value);
  void ClearValue(RegRoot root, const std::wstring& key, const std::wstring& name);
  // Removes a key with every value it holds (a key with subkeys is refused by the system).
  void RemoveKey(RegRoot root, const std::wstring& key);
  // Any other change with its undo; `left` says what stays changed if the undo fails.
  void Run(std::wstring left, const std::function<void()>& change, std::function<void()> undo);
  // Something to undo on a rollback for a step that changed nothing lasting by itself.
  void OnRollback(std::wstring left, std::function<void()> undo);

  // Makes the changes final: deletes the files kept for undoing and removes the folders asked
  // for. What is still in use goes at the next restart (RestartNeeded); what cannot go even then
  // is listed in LeftBehind. Never throws: the change itself is complete.
  void Commit() noexcept;
  // Undoes in reverse order, trying every step. Returns what could not be put back, each as
  // "what is left (why)"; empty when the machine is as it was.
  std::vector<std::wstring> Rollback() noexcept;

  bool Changed() const { return changed_; }
  bool RestartNeeded() const { return restartNeeded_; }
  const std::vector<std::wstring>& LeftBehind() const { return leftBehind_; }

 private:
  struct Undo {
    std::wstring left;
    std::function<void()> undo;
  };
  SetupSystem& system_;
  std::vector<Undo> undo_;
  std::vector<std::wstring> keptFiles_;
  std::vector<std::wstring> foldersToRemove_;
  std::vector<std::wstring> leftBehind_;
  bool changed_ = false;
  bool committed_ = false;
  bool restartNeeded_ = false;
};

// How setup names a registry key and a value in what it tells the user.
std::wstring RegistryKeyName(RegRoot root, const std::wstring& key);
