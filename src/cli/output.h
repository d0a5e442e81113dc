// Buffered output straight to a file descriptor. A run over a hundred thousand
// files prints a line per file; stdio's per-call locking and flushing would cost
// more than the renames, so lines are gathered into one large buffer instead.
#pragma once

#include <string>
#include <string_view>

namespace tessarn::cli {

class Output {
 public:
  explicit Output(int fd) : fd_(fd) { buffer_.reserve(kFlushAt + 4096); }
  ~Output() { Flush(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  Output& operator<<(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kFlushAt) Flush();
    return *this;
  }
  Output& operator<<(char c) {
    buffer_.push_back(c);
    return *this;
  }
  Output& operator<<(long long n);

  // The buffer itself, for writers that append piecewise (the JSON escaper).
  std::string& buffer() { return buffer_; }
  void MaybeFlush() {
    if (buffer_.size() >= kFlushAt) Flush();
  }
  // Writes everything buffered; false once any write has failed (a closed pipe,
  // a full disk).
  bool Flush();
  bool failed() const { return failed_; }

 private:
  static constexpr std::size_t kFlushAt = 1 << 16;
  int fd_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace tessarn::cli
