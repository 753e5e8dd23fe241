#pragma once

#include <cstdint>
#include <exception>
#include <string>

// The one error type of the program: a failed system call, with the system's error number and
// its text, plus what the program was doing. Handlers let it propagate; only the dispatch point
// (and the font copier) catch it.
class SystemError : public std::exception {
 public:
  SystemError(std::uint32_t number, std::wstring description, std::wstring context = {});

  std::uint32_t Number() const noexcept { return number_; }
  const std::wstring& Description() const noexcept { return description_; }
  // What the failed step concerned, named the one way both programs show it: a noun phrase that
  // reads after "failed on" ("the file C:\\x.txt", "the program C:\\x.exe", "the main window's
  // class"), lower case, without a full stop; may be empty.
  const std::wstring& Context() const noexcept { return context_; }
  const char* what() const noexcept override { return "system error"; }

 private:
  std::uint32_t number_;
  std::wstring description_;
  std::wstring context_;
};
