#include "core/filelist/listed_names.h"

#include <system_error>
#include <utility>

#include "core/text/encoding.h"

namespace tessarn {

ListedNames::ListedNames() : filling_(EmptyBatch()) {}

ListedNames::~ListedNames() { Stop(); }

ListedNames::Batch ListedNames::EmptyBatch() {
  Batch batch;
  batch.bytes.reserve(kBatch * 32);
  batch.ends.reserve(kBatch);
  return batch;
}

void ListedNames::Add(std::string_view diskName) {
  filling_.bytes.append(diskName);
  filling_.ends.push_back(static_cast<std::uint32_t>(filling_.bytes.size()));
  if (filling_.ends.size() == kBatch) BatchFilled();
}

void ListedNames::BatchFilled() {
  Batch batch = std::exchange(filling_, EmptyBatch());
  if (!alone_ && !worker_.joinable()) {
    try {
      worker_ = std::thread(&ListedNames::Work, this);
    } catch (const std::system_error&) {
      alone_ = true;  // no thread to be had: the names are decoded here, as they come
    }
  }
  if (alone_) {
    Take(batch);
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(batch));
  }
  ready_.notify_one();
}

void ListedNames::Take(const Batch& batch) {
  const std::string_view bytes = batch.bytes;
  std::size_t start = 0;
  for (const std::uint32_t end : batch.ends) {
    const std::string_view raw = bytes.substr(start, end - start);
    start = end;
    // A name that decodes to its own bytes (any ASCII name) keeps no disk copy.
    // A folder of such names keeps no table of disk names at all; the table starts
    // at the first name that needs one.
    if (IsAscii(raw)) {
      if (!files_.diskNameOf.empty()) files_.diskNameOf.push_back(ListedFiles::kOwnBytes);
      files_.names.emplace_back(raw);
    } else {
      std::string decoded = DecodeDiskName(raw);
      if (decoded == raw) {
        if (!files_.diskNameOf.empty()) files_.diskNameOf.push_back(ListedFiles::kOwnBytes);
      } else {
        if (files_.diskNameOf.empty())
          files_.diskNameOf.assign(files_.names.size(), ListedFiles::kOwnBytes);
        files_.diskNameOf.push_back(static_cast<std::uint32_t>(files_.diskNames.size()));
        files_.diskNames.emplace_back(raw);
      }
      files_.names.push_back(std::move(decoded));
    }
    sorter_.Add(files_.names.back());
  }
}

void ListedNames::Work() {
  for (;;) {
    Batch batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [this] { return finished_ || !queue_.empty(); });
      if (queue_.empty()) return;  // finished, and nothing left
      batch = std::move(queue_.front());
      queue_.pop_front();
    }
    try {
      Take(batch);
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex_);
      failure_ = std::current_exception();
      queue_.clear();
      return;
    }
  }
}

void ListedNames::Stop() {
  if (!worker_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  ready_.notify_one();
  worker_.join();
}

ListedFiles ListedNames::Finish() {
  Stop();  // the batches handed over are all taken, in order
  if (failure_) std::rethrow_exception(failure_);
  Take(filling_);
  filling_ = Batch();
  files_.order = sorter_.Order(files_.names);
  return std::move(files_);
}

ListedFiles ListNames(const std::vector<std::string>& diskNames) {
  ListedNames listed;
  for (const std::string& name : diskNames) listed.Add(name);
  return listed.Finish();
}

}  // namespace tessarn
