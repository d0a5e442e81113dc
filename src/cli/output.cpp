#include "cli/output.h"

#include <errno.h>
#include <unistd.h>

#include <charconv>

namespace tessarn::cli {

Output& Output::operator<<(long long n) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, n);
  buffer_.append(digits, result.ptr);
  return *this;
}

bool Output::Flush() {
  std::size_t done = 0;
  while (!failed_ && done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  buffer_.clear();
  return !failed_;
}

}  // namespace tessarn::cli
