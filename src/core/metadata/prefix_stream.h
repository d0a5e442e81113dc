// TagLib's view of a FilePrefix: reads within the prefix cost no system call, reads
// beyond it one each; no writes. TagLib's own file stream seeks and re-reads the
// same first block several times per file.
#pragma once

#include <taglib/tiostream.h>

#include "core/metadata/file_prefix.h"

namespace tessarn {

class PrefixStream : public TagLib::IOStream {
 public:
  explicit PrefixStream(const FilePrefix& prefix) : prefix_(prefix) {}

  TagLib::FileName name() const override { return ""; }
  TagLib::ByteVector readBlock(unsigned long length) override;
  void writeBlock(const TagLib::ByteVector&) override {}
  void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
  void removeBlock(unsigned long, unsigned long) override {}
  bool readOnly() const override { return true; }
  bool isOpen() const override { return prefix_.IsOpen(); }
  void seek(long offset, Position p = Beginning) override;
  long tell() const override { return position_; }
  long length() override { return static_cast<long>(prefix_.size()); }
  void truncate(long) override {}

 private:
  const FilePrefix& prefix_;
  long position_ = 0;
};

}  // namespace tessarn
