#include "cli/undo_journal.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "core/filelist/rename_run.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

constexpr std::string_view kMagic = "TSNJRNL1";
constexpr const char* kJournalName = "undo-journal";
constexpr const char* kNewJournalName = "undo-journal.new";
constexpr const char* kLockName = "lock";

void PutU32(std::string& out, std::uint32_t v) {
  const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
  out.append(b, 4);
}

void PutText(std::string& out, std::string_view text) {
  PutU32(out, static_cast<std::uint32_t>(text.size()));
  out.append(text);
}

// Reads records from the journal's bytes; every read fails past the end, which is
// how a record cut short by a crash is recognised.
class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}
  bool AtEnd() const { return pos_ >= data_.size(); }
  bool Byte(char& c) {
    if (pos_ + 1 > data_.size()) return false;
    c = data_[pos_++];
    return true;
  }
  bool U32(std::uint32_t& v) {
    if (pos_ + 4 > data_.size()) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data_.data() + pos_);
    v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    pos_ += 4;
    return true;
  }
  bool Text(std::string& out) {
    std::uint32_t n;
    if (!U32(n) || n > data_.size() - pos_) return false;
    out.assign(data_.data() + pos_, n);
    pos_ += n;
    return true;
  }
  bool Bytes(std::size_t n, std::string_view& out) {
    if (n > data_.size() - pos_) return false;
    out = data_.substr(pos_, n);
    pos_ += n;
    return true;
  }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

bool MakeDirectories(const std::string& path) {
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    const std::string part = path.substr(0, pos);
    if (part.empty()) continue;
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool Missing(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

std::string SystemError() { return GbToUtf8Lossy(Utf8ToGbLossy(std::strerror(errno))); }

}  // namespace

std::string JournalDirectory() {
  // A relative XDG_STATE_HOME is to be ignored, as for every XDG variable.
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/Tessarn";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/state/Tessarn";
  return {};
}

std::string JournalPath(const std::string& directory) { return directory + "/" + kJournalName; }

JournalLock::~JournalLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool JournalLock::Acquire(const std::string& directory, std::string& error) {
  if (directory.empty()) {
    error = "无法确定撤消记录的目录（HOME 与 XDG_STATE_HOME 都未设置）";
    return false;
  }
  if (!MakeDirectories(directory)) {
    error = "无法创建撤消记录的目录 " + directory + "：" + SystemError();
    return false;
  }
  fd_ = ::open((directory + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    error = "无法打开 " + directory + "/" + kLockName + "：" + SystemError();
    return false;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    error = "另一个 tessarn-cli 正在更名或撤消，请稍后再试";
    return false;
  }
  return true;
}

bool WasRenamed(const FileEntry& entry) { return !entry.diskUndoName.empty(); }

JournalWriter::~JournalWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool JournalWriter::Begin(const std::string& directory, std::string& error) {
  // The new journal is complete (magic included) before it takes the place of the
  // old one, so an undo never meets a half-made file. Replacing the old journal is
  // the point here, so this is the one place that renames over an existing file.
  const std::string fresh = directory + "/" + kNewJournalName;
  fd_ = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd_ < 0 || !WriteAll(fd_, kMagic) ||
      ::rename(fresh.c_str(), JournalPath(directory).c_str()) != 0) {
    error = "无法写入撤消记录 " + JournalPath(directory) + "：" + SystemError();
    ok_ = false;
    return false;
  }
  return true;
}

bool JournalWriter::Append(const std::string& bytes) {
  if (ok_ && !WriteAll(fd_, bytes)) ok_ = false;
  return ok_;
}

bool JournalWriter::Intent(const FileList& list) {
  // Folders are written once each, ahead of the entries, which refer to them by
  // number. A list comes from few folders, mostly in runs, so remembering the last
  // one saves most lookups.
  std::unordered_map<std::string_view, std::uint32_t> folderIds;
  std::vector<std::uint32_t> ids;
  ids.reserve(list.entries.size());
  std::string out;
  std::size_t size = 16;
  std::string_view lastFolder;
  std::uint32_t lastId = 0;
  for (const FileEntry& e : list.entries) {
    if (folderIds.empty() || e.diskFolder != lastFolder) {
      const auto [it, added] = folderIds.try_emplace(e.diskFolder, folderIds.size());
      if (added) {
        out.push_back('F');
        PutU32(out, it->second);
        PutText(out, e.diskFolder);
      }
      lastFolder = e.diskFolder;
      lastId = it->second;
    }
    ids.push_back(lastId);
    size += 12 + e.diskName.size() + e.newName.size() + 8;
  }
  out.reserve(out.size() + size);
  out.push_back('I');
  PutU32(out, static_cast<std::uint32_t>(list.entries.size()));
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    const FileEntry& e = list.entries[i];
    PutU32(out, ids[i]);
    PutText(out, e.diskName);
    // The name the run will ask for, in the form it takes on disk; none when the
    // new name cannot be a file name (the run fails such an entry untried).
    if (auto disk = DiskNameFor(e.newName))
      PutText(out, *disk);
    else
      PutU32(out, 0);
  }
  return Append(out);
}

void JournalWriter::AppendOutcome(std::string& out, const FileList& list) const {
  if (!batchOpen_) return;
  out.push_back('R');
  PutU32(out, static_cast<std::uint32_t>(batchFirst_));
  PutU32(out, static_cast<std::uint32_t>(batchLast_));
  for (std::size_t i = batchFirst_; i <= batchLast_ && i < list.entries.size(); ++i)
    out.push_back(WasRenamed(list.entries[i]) ? 1 : 0);
}

bool JournalWriter::BatchStarting(const FileList& list, std::size_t first, std::size_t last) {
  std::string out;
  AppendOutcome(out, list);
  out.push_back('B');
  PutU32(out, static_cast<std::uint32_t>(first));
  PutU32(out, static_cast<std::uint32_t>(last));
  batchOpen_ = true;
  batchFirst_ = first;
  batchLast_ = last;
  return Append(out);
}

bool JournalWriter::Finish(const FileList& list) {
  std::string out;
  AppendOutcome(out, list);
  batchOpen_ = false;
  out.push_back('E');
  return Append(out);
}

JournalReadResult ReadJournal(const std::string& directory, JournalContents& contents) {
  contents = {};
  const std::string path = JournalPath(directory);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? JournalReadResult::kMissing : JournalReadResult::kDamaged;
  std::string data;
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (data.compare(0, kMagic.size(), kMagic) != 0) return JournalReadResult::kDamaged;

  Reader in(std::string_view(data).substr(kMagic.size()));
  std::unordered_map<std::uint32_t, std::string> folders;
  std::vector<char> outcome;  // per entry: 1 renamed, 0 not (or never tried)
  bool haveIntent = false;
  bool batchOpen = false;
  std::uint32_t openFirst = 0, openLast = 0;
  for (char type; !in.AtEnd() && in.Byte(type);) {
    bool whole = true;
    if (type == 'F') {
      std::uint32_t id;
      std::string folder;
      whole = in.U32(id) && in.Text(folder);
      if (whole) folders[id] = std::move(folder);
    } else if (type == 'I' && !haveIntent) {
      std::uint32_t count;
      whole = in.U32(count);
      std::vector<JournalEntry> entries;
      for (std::uint32_t i = 0; whole && i < count; ++i) {
        std::uint32_t id;
        JournalEntry e;
        whole = in.U32(id) && in.Text(e.oldName) && in.Text(e.newName);
        if (whole) {
          const auto f = folders.find(id);
          if (f == folders.end()) return JournalReadResult::kDamaged;
          e.diskFolder = f->second;
          entries.push_back(std::move(e));
        }
      }
      if (whole) {
        contents.entries = std::move(entries);
        outcome.assign(contents.entries.size(), 0);
        haveIntent = true;
      }
    } else if (type == 'B' && haveIntent) {
      whole = in.U32(openFirst) && in.U32(openLast);
      if (whole) batchOpen = true;
    } else if (type == 'R' && haveIntent) {
      std::uint32_t first, last;
      std::string_view bytes;
      whole = in.U32(first) && in.U32(last) && last >= first &&
              in.Bytes(std::size_t{last} - first + 1, bytes);
      if (whole) {
        for (std::size_t i = 0; i < bytes.size() && first + i < outcome.size(); ++i)
          outcome[first + i] = bytes[i] ? 1 : 0;
        if (first == openFirst) batchOpen = false;
      }
    } else if (type == 'E') {
      contents.finished = true;
    } else {
      return JournalReadResult::kDamaged;
    }
    if (!whole) break;  // the run was cut off while writing this record
  }

  // The batch that was running when the run stopped: judge each entry by the disk.
  if (batchOpen) {
    for (std::size_t i = openFirst; i <= openLast && i < contents.entries.size(); ++i) {
      const JournalEntry& e = contents.entries[i];
      outcome[i] = !e.newName.empty() && Exists(e.diskFolder + e.newName) &&
                   Missing(e.diskFolder + e.oldName);
    }
  }
  for (std::size_t i = 0; i < contents.entries.size(); ++i)
    contents.entries[i].renamed = outcome[i] == 1;
  return JournalReadResult::kOk;
}

void RemoveJournal(const std::string& directory) { ::unlink(JournalPath(directory).c_str()); }

}  // namespace tessarn::cli
