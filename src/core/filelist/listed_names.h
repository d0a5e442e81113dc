// The names of a folder's files as a listing hands them over, decoded and put in
// natural order. A long folder's names are decoded, and their sort keys made, on a
// second thread while the listing goes on: reading a large folder is mostly the
// system's work, takes longer than all the rest of adding it, and leaves the other
// core idle meanwhile.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/filelist/natural_order.h"

namespace tessarn {

struct ListedFiles {
  static constexpr std::uint32_t kOwnBytes = 0xFFFFFFFFu;

  std::vector<std::string> names;    // decoded, in the order listed
  std::vector<std::uint32_t> order;  // indices into `names`, in natural order
  // Only the disk names that differ from their decoded names, and for each listed
  // name where its own is in `diskNames` (kOwnBytes: it is its decoded name's bytes).
  // Both stay empty for a folder whose names all decode to themselves (any ASCII one).
  std::vector<std::string> diskNames;
  std::vector<std::uint32_t> diskNameOf;

  // The bytes on disk of the i-th listed name.
  const std::string& DiskName(std::size_t i) const {
    return i < diskNameOf.size() && diskNameOf[i] != kOwnBytes ? diskNames[diskNameOf[i]]
                                                               : names[i];
  }
  // The disk name of the i-th listed name moved out, empty when it is its decoded
  // name's bytes (as FileEntry keeps it).
  std::string TakeDiskName(std::size_t i) {
    if (i >= diskNameOf.size() || diskNameOf[i] == kOwnBytes) return std::string();
    return std::move(diskNames[diskNameOf[i]]);
  }
};

class ListedNames {
 public:
  ListedNames();
  ~ListedNames();
  ListedNames(const ListedNames&) = delete;
  ListedNames& operator=(const ListedNames&) = delete;

  void Add(std::string_view diskName);
  // After the last Add: every name, decoded, and their natural order.
  ListedFiles Finish();

 private:
  // Names go to the second thread a batch at a time, so that the two threads meet
  // once per batch and not once per name; a batch is one buffer, so that the
  // listing thread allocates nothing per name.
  static constexpr std::size_t kBatch = 4096;
  struct Batch {
    std::string bytes;                // the names, one after the other
    std::vector<std::uint32_t> ends;  // where each ends in `bytes`
  };
  static Batch EmptyBatch();
  void BatchFilled();
  void Take(const Batch& batch);  // decodes and keys a batch
  void Work();
  void Stop();

  Batch filling_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Batch> queue_;
  bool finished_ = false;
  bool alone_ = false;  // no second thread could be started: all is done here
  std::thread worker_;
  std::exception_ptr failure_;
  // The second thread's while it runs, the caller's once it has ended.
  ListedFiles files_;
  NaturalSorter sorter_;
};

// The names of a folder read before, decoded and put in natural order.
ListedFiles ListNames(const std::vector<std::string>& diskNames);

}  // namespace tessarn
