// Two independent pieces of work at once, on this thread and a second one, for the
// long steps of adding a folder and planning its renames: the machine's other core
// is idle meanwhile.
#pragma once

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace tessarn {

// From this many files (names to sort, rows to plan) on, a step takes the second
// thread: below it, starting one costs more than it saves.
inline constexpr std::size_t kSideBySideFrom = 16384;

// Runs `there` on a second thread and `here` on this one, and returns when both have
// ended; an exception of either comes out here once both have. Without a second
// thread to be had (or with `together` false) both run here, one after the other.
template <typename There, typename Here>
void RunSideBySide(bool together, There&& there, Here&& here) {
  std::thread other;
  std::exception_ptr failure;
  if (together) {
    try {
      other = std::thread([&] {
        try {
          there();
        } catch (...) {
          failure = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // no second thread: both run here
    }
  }
  try {
    here();
  } catch (...) {
    if (other.joinable()) other.join();
    throw;
  }
  if (other.joinable())
    other.join();
  else
    there();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace tessarn
