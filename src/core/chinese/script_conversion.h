// Simplified ⇄ traditional Chinese by OpenCC's standard configurations. OpenCC
// converts words, not characters (周杰伦 → 周杰倫 and not 周傑倫; 软件 → 軟體 with
// Taiwan's words), which a character table cannot do.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tessarn {

// The conversions offered, each one of OpenCC's configurations.
enum class ScriptConversion {
  kNone,
  kS2T,    // 简体→繁体
  kT2S,    // 繁体→简体
  kS2TWP,  // 简体→台湾正体 (with Taiwan's words)
  kTW2SP,  // 台湾正体→简体
  kS2HK,   // 简体→香港繁体
  kHK2S,   // 香港繁体→简体
};
inline constexpr int kScriptConversionCount = 7;

// OpenCC's name of the configuration ("s2t"), also the command line's; "" for kNone.
const char* ScriptConversionName(ScriptConversion conversion);
// The conversion of that name, or nullopt.
std::optional<ScriptConversion> ScriptConversionFromName(std::string_view name);

// OpenCC's converters, each loaded on its first use: loading reads its dictionaries
// (a few megabytes), which a program that never converts should not pay for at start.
// A loaded configuration's dictionaries are copied into word tables (word_tables.h)
// that give OpenCC's result at a fraction of its cost; a configuration whose shape
// they do not cover is left to OpenCC itself.
// The owner keeps one for as long as it converts; it is not shared between threads.
class ScriptConverters {
 public:
  ScriptConverters();
  ~ScriptConverters();
  ScriptConverters(const ScriptConverters&) = delete;
  ScriptConverters& operator=(const ScriptConverters&) = delete;

  // GB18030 text converted; the text itself for kNone, nullopt when the converter
  // cannot be loaded (error() says why) or the text is not valid GB18030.
  std::optional<std::string> Convert(ScriptConversion conversion, std::string_view gb);
  // The same on UTF-8 text.
  std::optional<std::string> ConvertUtf8(ScriptConversion conversion, std::string_view utf8);

  // The same by OpenCC's own converter, bypassing the word tables (for comparison).
  std::optional<std::string> ConvertByOpenCC(ScriptConversion conversion, std::string_view utf8);

  // Why the last converter that failed to load did not (UTF-8), or "".
  const std::string& error() const { return error_; }

 private:
  struct State;
  struct Loaded;
  Loaded* Get(ScriptConversion conversion);

  std::unique_ptr<State> state_;
  std::string error_;
};

}  // namespace tessarn
