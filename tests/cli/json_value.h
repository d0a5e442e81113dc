// A small JSON reader for checking the program's output: strict enough to reject
// a document with a bad escape, an unescaped control character or invalid UTF-8.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct JsonValue {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject } type = Type::kNull;
  bool boolean = false;
  double number = 0;
  std::string string;  // UTF-8
  std::vector<JsonValue> array;
  std::map<std::string, JsonValue> object;

  // Member or element access; a missing one gives a null value.
  const JsonValue& operator[](const std::string& key) const;
  const JsonValue& operator[](std::size_t index) const;
  bool Has(const std::string& key) const { return object.count(key) > 0; }
};

// nullopt when `text` is not exactly one valid JSON document (whitespace aside).
std::optional<JsonValue> ParseJson(std::string_view text);
