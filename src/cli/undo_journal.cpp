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

#include "core/filelist/file_system.h"
#include "core/filelist/rename_run.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

constexpr std::string_view kMagic = "TSNJRNL2";
constexpr const char* kJournalName = "undo-journal";
constexpr const char* kNewJournalName = "undo-journal.new";
constexpr const char* kLockName = "lock";

void PutU32(std::string& out, std::uint32_t v) {
  const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
  out.append(b, 4);
}

void PutU64(std::string& out, std::uint64_t v) {
  PutU32(out, static_cast<std::uint32_t>(v));
  PutU32(out, static_cast<std::uint32_t>(v >> 32));
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
  bool U64(std::uint64_t& v) {
    std::uint32_t lo, hi;
    if (!U32(lo) || !U32(hi)) return false;
    v = lo | (static_cast<std::uint64_t>(hi) << 32);
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

bool JournalWriter::Intent(const FileList& list, const RenamePlan& plan) {
  // Folders are written once each, ahead of the entries, which refer to them by
  // number. A list comes from few folders, mostly in runs, so remembering the last
  // one saves most lookups.
  std::unordered_map<std::string_view, std::uint32_t> folderIds;
  std::vector<std::uint32_t> ids;
  ids.reserve(list.entries.size());
  std::string out;
  std::size_t size = 16 + plan.steps.size() * 5;
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
    size += 20 + e.diskName.size() + e.newName.size() + 8;
  }
  out.reserve(out.size() + size);
  out.push_back('I');
  PutU32(out, static_cast<std::uint32_t>(list.entries.size()));
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    const FileEntry& e = list.entries[i];
    PutU32(out, ids[i]);
    PutText(out, e.diskName);
    // Only the rows the plan renames have a new name here.
    const bool renames = i < plan.rows.size() && plan.rows[i].verdict == PlanVerdict::kFine;
    PutText(out, renames ? std::string_view(plan.diskNames[i]) : std::string_view());
    PutU64(out, renames ? plan.inodes[i] : 0);
  }
  out.push_back('O');
  PutU32(out, static_cast<std::uint32_t>(plan.steps.size()));
  for (const RenameStep& step : plan.steps) {
    PutU32(out, step.entry);
    out.push_back(static_cast<char>(step.kind));
    if (step.kind == StepKind::kToTemporary) PutText(out, plan.temporaries[step.temporary]);
  }
  outcomes_.assign(plan.steps.size(), static_cast<unsigned char>(FileAt::kOldName));
  return Append(out);
}

void JournalWriter::StepDone(std::size_t step, FileAt where) {
  if (step < outcomes_.size()) outcomes_[step] = static_cast<unsigned char>(where);
}

void JournalWriter::AppendOutcome(std::string& out) const {
  if (!batchOpen_) return;
  out.push_back('R');
  PutU32(out, static_cast<std::uint32_t>(batchFirst_));
  PutU32(out, static_cast<std::uint32_t>(batchLast_));
  for (std::size_t k = batchFirst_; k <= batchLast_ && k < outcomes_.size(); ++k)
    out.push_back(static_cast<char>(outcomes_[k]));
}

bool JournalWriter::BatchStarting(std::size_t first, std::size_t last) {
  std::string out;
  AppendOutcome(out);
  out.push_back('B');
  PutU32(out, static_cast<std::uint32_t>(first));
  PutU32(out, static_cast<std::uint32_t>(last));
  batchOpen_ = true;
  batchFirst_ = first;
  batchLast_ = last;
  return Append(out);
}

bool JournalWriter::Finish() {
  std::string out;
  AppendOutcome(out);
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
  struct Step {
    std::uint32_t entry;
    char kind;
  };
  std::vector<Step> steps;
  std::vector<char> where;  // per entry: a FileAt value, as far as the record says
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
        std::uint64_t inode = 0;
        whole = in.U32(id) && in.Text(e.oldName) && in.Text(e.newName) && in.U64(inode);
        e.inode = inode;
        if (whole) {
          const auto f = folders.find(id);
          if (f == folders.end()) return JournalReadResult::kDamaged;
          e.diskFolder = f->second;
          entries.push_back(std::move(e));
        }
      }
      if (whole) {
        contents.entries = std::move(entries);
        where.assign(contents.entries.size(), static_cast<char>(FileAt::kOldName));
        haveIntent = true;
      }
    } else if (type == 'O' && haveIntent && steps.empty()) {
      std::uint32_t count;
      whole = in.U32(count);
      std::vector<Step> read;
      for (std::uint32_t k = 0; whole && k < count; ++k) {
        Step step;
        whole = in.U32(step.entry) && in.Byte(step.kind);
        if (whole && step.entry >= contents.entries.size()) return JournalReadResult::kDamaged;
        if (whole && step.kind == static_cast<char>(StepKind::kToTemporary))
          whole = in.Text(contents.entries[step.entry].temporary);
        if (whole) read.push_back(step);
      }
      if (whole) steps = std::move(read);
    } else if (type == 'B' && haveIntent) {
      whole = in.U32(openFirst) && in.U32(openLast);
      if (whole) batchOpen = true;
    } else if (type == 'R' && haveIntent) {
      std::uint32_t first, last;
      std::string_view bytes;
      whole = in.U32(first) && in.U32(last) && last >= first &&
              in.Bytes(std::size_t{last} - first + 1, bytes);
      if (whole) {
        for (std::size_t k = 0; k < bytes.size() && first + k < steps.size(); ++k)
          where[steps[first + k].entry] = bytes[k];
        if (first == openFirst) batchOpen = false;
      }
    } else if (type == 'E') {
      contents.finished = true;
    } else {
      return JournalReadResult::kDamaged;
    }
    if (!whole) break;  // the run was cut off while writing this record
  }

  // The batch that was running when the run stopped: each file is under the name
  // that has its inode. Names alone cannot tell, as a chain or a cycle fills every
  // name it frees.
  if (batchOpen) {
    for (std::size_t k = openFirst; k <= openLast && k < steps.size(); ++k) {
      const std::size_t i = steps[k].entry;
      const JournalEntry& e = contents.entries[i];
      if (e.newName.empty()) continue;
      FileAt at = FileAt::kOldName;
      if (e.inode != 0) {
        if (InodeOf(e.diskFolder + e.newName) == e.inode)
          at = FileAt::kNewName;
        else if (!e.temporary.empty() && InodeOf(e.diskFolder + e.temporary) == e.inode)
          at = FileAt::kTemporary;
      } else if (Exists(e.diskFolder + e.newName) && Missing(e.diskFolder + e.oldName)) {
        at = FileAt::kNewName;  // no inode known: the old guess
      }
      where[i] = static_cast<char>(at);
    }
  }
  for (std::size_t i = 0; i < contents.entries.size(); ++i) {
    contents.entries[i].renamed = where[i] == static_cast<char>(FileAt::kNewName);
    contents.entries[i].parked = where[i] == static_cast<char>(FileAt::kTemporary);
  }
  return JournalReadResult::kOk;
}

bool RewriteJournal(const std::string& directory, const FileList& list, std::string& error) {
  FileList rest;
  RenamePlan plan;
  for (const FileEntry& e : list.entries) {
    if (e.diskUndoName.empty()) continue;
    FileEntry& r = rest.entries.emplace_back();
    r.diskFolder = e.diskFolder;
    r.diskName = e.diskUndoName;
    plan.rows.push_back({PlanVerdict::kFine});
    plan.diskNames.push_back(e.diskName);
    plan.inodes.push_back(0);
    plan.steps.push_back({static_cast<std::uint32_t>(plan.steps.size())});
  }
  JournalWriter writer;
  if (!writer.Begin(directory, error)) return false;
  bool ok = writer.Intent(rest, plan);
  for (std::size_t k = 0; k < plan.steps.size(); ++k) writer.StepDone(k, FileAt::kNewName);
  if (!plan.steps.empty()) ok = ok && writer.BatchStarting(0, plan.steps.size() - 1);
  ok = ok && writer.Finish() && writer.ok();
  if (!ok) error = "无法写入撤消记录 " + JournalPath(directory) + "：" + SystemError();
  return ok;
}

void RemoveJournal(const std::string& directory) { ::unlink(JournalPath(directory).c_str()); }

}  // namespace tessarn::cli
