// Runs a piece of work in a child process and kills it (SIGKILL) part-way, as a
// crash or `kill -9` would: the parent then looks at what the work left behind.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <functional>

namespace tessarn::testing {

// Starts `work` in a child and kills it after `delay` unless it ended first.
// True when the child was killed; false when it ended on its own (or could not be
// started).
inline bool RunAndKillAfter(const std::function<void()>& work, std::chrono::microseconds delay) {
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    work();
    ::_exit(0);
  }
  const timespec pause{static_cast<time_t>(delay.count() / 1000000),
                       static_cast<long>(delay.count() % 1000000) * 1000};
  ::nanosleep(&pause, nullptr);
  ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Runs `work` in a child to its end and gives how long it took: the scale for
// the moments a loop test kills it at.
inline std::chrono::microseconds TimeInChild(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    work();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

}  // namespace tessarn::testing
