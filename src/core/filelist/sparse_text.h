// A text that is empty for most files of a list (an undo name, a tag status, a
// failure's reason): one pointer while empty, the string on the heap once set.
// It reads like a const std::string, so call sites compare, test and pass it as
// they would the string itself.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace tessarn {

class SparseText {
 public:
  SparseText() = default;
  SparseText(std::string text) { assign(std::move(text)); }    // NOLINT: reads like a string
  SparseText(const char* text) { assign(std::string(text)); }  // NOLINT
  SparseText(const SparseText& other) { *this = other; }
  SparseText(SparseText&& other) noexcept : bits_(std::exchange(other.bits_, 0)) {}
  ~SparseText() { delete Owned(); }
  SparseText& operator=(const SparseText& other) {
    if (this == &other) return *this;
    if (other.IsShared()) {
      delete Owned();
      bits_ = other.bits_;
    } else {
      assign(std::string(other.str()));
    }
    return *this;
  }
  SparseText& operator=(SparseText&& other) noexcept {
    if (this != &other) {
      delete Owned();
      bits_ = std::exchange(other.bits_, 0);
    }
    return *this;
  }
  SparseText& operator=(std::string text) {
    assign(std::move(text));
    return *this;
  }
  SparseText& operator=(const char* text) {
    assign(std::string(text));
    return *this;
  }

  const std::string& str() const { return bits_ != 0 ? *Text() : Empty(); }
  operator const std::string&() const { return str(); }  // NOLINT: reads like a string
  bool empty() const { return bits_ == 0 || Text()->empty(); }
  std::size_t size() const { return bits_ != 0 ? Text()->size() : 0; }
  const char* c_str() const { return str().c_str(); }

  // Copies a text in, into the buffer it already has when it has one: a second
  // run's undo name then allocates nothing.
  void assign(std::string_view text) {
    std::string* own = Own(!text.empty());
    if (own == nullptr) return;
    if (own->capacity() < text.size()) own->reserve(RoomFor(text.size()));
    own->assign(text);
  }

  // Refers to `lasting`, a text that outlives this one (one of a run's status
  // texts, the same for thousands of files), instead of keeping a copy of it.
  void share(const std::string& lasting) {
    delete Owned();
    bits_ = lasting.empty() ? 0 : reinterpret_cast<std::uintptr_t>(&lasting) | kShared;
  }

  // Empties the text but keeps its buffer: the next text of the same field (a
  // second run's undo name) then allocates nothing.
  void clear() {
    if (IsShared())
      bits_ = 0;
    else if (std::string* own = Owned())
      own->clear();
  }
  // Gives the memory back.
  void reset() {
    delete Owned();
    bits_ = 0;
  }
  // Exchanges the text with a plain string, buffers included.
  void swap(std::string& other) {
    if (IsShared()) bits_ = reinterpret_cast<std::uintptr_t>(new std::string(*Text()));
    std::string* own = Own(!other.empty());
    if (own != nullptr) own->swap(other);
  }
  // The text, moved out; this one is left empty.
  std::string take() {
    if (IsShared()) {
      std::string copy = *Text();
      bits_ = 0;
      return copy;
    }
    std::string* own = Owned();
    return own != nullptr ? std::exchange(*own, std::string()) : std::string();
  }

  friend bool operator==(const SparseText& a, std::string_view b) { return a.str() == b; }
  friend bool operator==(const SparseText& a, const std::string& b) { return a.str() == b; }
  friend bool operator==(const SparseText& a, const char* b) { return a.str() == b; }
  friend std::ostream& operator<<(std::ostream& out, const SparseText& text) {
    return out << text.str();
  }

 private:
  static const std::string& Empty() {
    static const std::string kEmpty;
    return kEmpty;
  }
  // The capacity that fills the heap block a text of `size` bytes gets anyway (the
  // allocator hands out blocks in steps of 16 bytes, 8 of them its own): a name a
  // few bytes longer than the last one then fits without a new block.
  static std::size_t RoomFor(std::size_t size) {
    return ((size + 1 + 8 + 15) & ~std::size_t{15}) - 9;
  }
  void assign(std::string&& text) {
    std::string* own = Own(!text.empty());
    if (own != nullptr) *own = std::move(text);
  }

  // The string: owned, or with the low bit set a shared one (see share). Null
  // while the text is empty and was never set.
  static constexpr std::uintptr_t kShared = 1;
  static_assert(alignof(std::string) > 1, "the low bit of a string's address is free");
  bool IsShared() const { return (bits_ & kShared) != 0; }
  const std::string* Text() const { return reinterpret_cast<const std::string*>(bits_ & ~kShared); }
  std::string* Owned() const {
    return IsShared() ? nullptr : reinterpret_cast<std::string*>(bits_);
  }
  // The owned string to write into: a shared text is dropped first, and a new
  // string is made only when `make` (a text is coming).
  std::string* Own(bool make) {
    if (IsShared()) bits_ = 0;
    if (bits_ == 0 && make) bits_ = reinterpret_cast<std::uintptr_t>(new std::string());
    return Owned();
  }

  std::uintptr_t bits_ = 0;
};

// A group of fields most items of a list never set (an entry's undo names and tag
// status, a row's own texts): one pointer while none is set, the group on the heap
// from the first one on. Reading never allocates; a copy copies the fields.
template <typename Fields>
class SparseFields {
 public:
  SparseFields() = default;
  SparseFields(const SparseFields& other) { *this = other; }
  SparseFields(SparseFields&&) noexcept = default;
  SparseFields& operator=(const SparseFields& other) {
    if (this != &other)
      fields_ = other.fields_ ? std::make_unique<Fields>(*other.fields_) : nullptr;
    return *this;
  }
  SparseFields& operator=(SparseFields&&) noexcept = default;

  // The fields, all empty while none was set.
  const Fields& get() const { return fields_ ? *fields_ : Empty(); }
  // The fields to set, made on the first call.
  Fields& edit() {
    if (!fields_) fields_ = std::make_unique<Fields>();
    return *fields_;
  }
  // The fields to change when there are any: clearing needs no new group.
  Fields* existing() { return fields_.get(); }
  // Sets one text field, into the buffer it has; an empty text makes no group.
  void SetText(SparseText Fields::*field, std::string_view text) {
    if (!text.empty())
      (edit().*field).assign(text);
    else if (fields_)
      ((*fields_).*field).clear();
  }
  // Makes one text field refer to a lasting text (see SparseText::share); an
  // empty text makes no group.
  void ShareText(SparseText Fields::*field, const std::string& lasting) {
    if (!lasting.empty())
      (edit().*field).share(lasting);
    else if (fields_)
      ((*fields_).*field).clear();
  }
  void reset() { fields_.reset(); }

 private:
  static const Fields& Empty() {
    static const Fields kEmpty{};
    return kEmpty;
  }
  std::unique_ptr<Fields> fields_;
};

}  // namespace tessarn
