// A small file system of its own for a test: a tmpfs of a given size (to fill up),
// or ext4 in a loop image (which hands freed inode numbers out again). Both need
// root and a kernel that lets this process mount; a test skips when it cannot.
#pragma once

#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace tessarn::testing {

class ScratchMount {
 public:
  // A tmpfs of `kib` KiB at a fresh folder under /tmp.
  static ScratchMount Tmpfs(unsigned kib) {
    ScratchMount m;
    if (!m.MakePoint()) return m;
    const std::string options = "size=" + std::to_string(kib) + "k,mode=0777";
    if (::mount("tmpfs", m.point_.c_str(), "tmpfs", 0, options.c_str()) == 0) m.mounted_ = true;
    return m;
  }
  // ext4 in a loop image of `mib` MiB.
  static ScratchMount Ext4(unsigned mib) {
    ScratchMount m;
    if (!m.MakePoint()) return m;
    m.image_ = m.point_ + ".img";
    const std::string make = "truncate -s " + std::to_string(mib) + "M '" + m.image_ +
                             "' && mkfs.ext4 -q -F '" + m.image_ + "' >/dev/null 2>&1 && mount -o loop '" +
                             m.image_ + "' '" + m.point_ + "' 2>/dev/null && chmod 0777 '" +
                             m.point_ + "'";
    if (::getuid() == 0 && std::system(make.c_str()) == 0) m.mounted_ = true;
    return m;
  }
  ScratchMount(ScratchMount&& other) noexcept
      : point_(std::move(other.point_)), image_(std::move(other.image_)), mounted_(other.mounted_) {
    other.mounted_ = false;
    other.point_.clear();
  }
  ~ScratchMount() {
    if (mounted_) ::umount2(point_.c_str(), MNT_DETACH);
    if (!point_.empty()) ::rmdir(point_.c_str());
    if (!image_.empty()) ::unlink(image_.c_str());
  }
  bool mounted() const { return mounted_; }
  // Ends with "/".
  std::string path() const { return point_ + "/"; }

 private:
  ScratchMount() = default;
  bool MakePoint() {
    char pattern[] = "/tmp/tessarn-mount-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return false;
    point_ = pattern;
    return true;
  }
  std::string point_, image_;
  bool mounted_ = false;
};

}  // namespace tessarn::testing
