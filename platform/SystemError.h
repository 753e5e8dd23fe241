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
  // What was being attempted, e.g. the program that could not be started; may be empty.
  const std::wstring& Context() const noexcept { return context_; }
  const char* what() const noexcept override { return "system error"; }

 private:
  std::uint32_t number_;
  std::wstring description_;
  std::wstring context_;
};
