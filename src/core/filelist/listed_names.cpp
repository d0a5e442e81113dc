#include "core/filelist/listed_names.h"

#include <system_error>
#include <utility>

#include "core/text/encoding.h"

namespace tessarn {

ListedNames::ListedNames() { filling_.reserve(kBatch); }

ListedNames::~ListedNames() { Stop(); }

void ListedNames::Add(std::string_view diskName) {
  filling_.emplace_back(diskName);
  if (filling_.size() == kBatch) BatchFilled();
}

void ListedNames::Add(std::string&& diskName) {
  filling_.push_back(std::move(diskName));
  if (filling_.size() == kBatch) BatchFilled();
}

void ListedNames::BatchFilled() {
  std::vector<std::string> batch = std::exchange(filling_, std::vector<std::string>());
  filling_.reserve(kBatch);
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

void ListedNames::Take(std::vector<std::string>& batch) {
  for (std::string& raw : batch) {
    // A name that decodes to its own bytes (any ASCII name) moves over and leaves
    // its disk name empty: each name is then allocated once.
    if (IsAscii(raw)) {
      files_.names.push_back(std::move(raw));
      files_.diskNames.emplace_back();
    } else {
      std::string decoded = DecodeDiskName(raw);
      if (decoded == raw) {
        files_.names.push_back(std::move(raw));
        files_.diskNames.emplace_back();
      } else {
        files_.names.push_back(std::move(decoded));
        files_.diskNames.push_back(std::move(raw));
      }
    }
    sorter_.Add(files_.names.back());
  }
}

void ListedNames::Work() {
  for (;;) {
    std::vector<std::string> batch;
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
  filling_.clear();
  files_.order = sorter_.Order(files_.names);
  return std::move(files_);
}

}  // namespace tessarn
