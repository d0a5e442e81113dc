#include "core/metadata/prefix_stream.h"

#include <algorithm>

namespace tessarn {

TagLib::ByteVector PrefixStream::readBlock(unsigned long length) {
  if (position_ < 0 || static_cast<std::uint64_t>(position_) >= prefix_.size())
    return TagLib::ByteVector();
  const auto left = prefix_.size() - static_cast<std::uint64_t>(position_);
  // A length from a damaged header can be anything: never more than the file holds.
  const auto n = static_cast<unsigned int>(std::min<std::uint64_t>({length, left, 1u << 30}));
  TagLib::ByteVector block(n, 0);
  const std::size_t got = prefix_.ReadAt(static_cast<std::uint64_t>(position_), n, block.data());
  block.resize(static_cast<unsigned int>(got));
  position_ += static_cast<long>(got);
  return block;
}

void PrefixStream::seek(long offset, Position p) {
  switch (p) {
    case Beginning:
      position_ = offset;
      break;
    case Current:
      position_ += offset;
      break;
    case End:
      position_ = static_cast<long>(prefix_.size()) + offset;
      break;
  }
  position_ = std::max(position_, 0L);
}

}  // namespace tessarn
