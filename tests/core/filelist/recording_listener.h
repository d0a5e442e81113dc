// A RowListener that writes down what it was told, for checking notifications.
#pragma once

#include <string>
#include <vector>

#include "core/filelist/file_list.h"

namespace tessarn::testing {

class RecordingListener : public RowListener {
 public:
  std::vector<std::string> events;

  void BeginAppendRows(std::size_t first, std::size_t last) override {
    events.push_back("append " + Range(first, last));
  }
  void EndAppendRows() override {}
  void BeginRemoveRows(std::size_t first, std::size_t last) override {
    events.push_back("remove " + Range(first, last));
  }
  void EndRemoveRows() override {}
  void RowsChanged(std::size_t first, std::size_t last) override {
    events.push_back("changed " + Range(first, last));
  }
  void BeginResetRows() override { events.push_back("reset"); }
  void EndResetRows() override {}

 private:
  static std::string Range(std::size_t first, std::size_t last) {
    return std::to_string(first) + "-" + std::to_string(last);
  }
};

}  // namespace tessarn::testing
