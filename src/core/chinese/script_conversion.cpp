#include "core/chinese/script_conversion.h"

#include <opencc/SimpleConverter.hpp>

#include <exception>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr const char* kNames[kScriptConversionCount] = {"",    "s2t",  "t2s", "s2twp",
                                                         "tw2sp", "s2hk", "hk2s"};

}  // namespace

const char* ScriptConversionName(ScriptConversion conversion) {
  return kNames[static_cast<int>(conversion)];
}

std::optional<ScriptConversion> ScriptConversionFromName(std::string_view name) {
  for (int i = 1; i < kScriptConversionCount; ++i)
    if (name == kNames[i]) return static_cast<ScriptConversion>(i);
  return std::nullopt;
}

ScriptConverters::ScriptConverters() = default;
ScriptConverters::~ScriptConverters() = default;

opencc::SimpleConverter* ScriptConverters::Get(ScriptConversion conversion) {
  const auto i = static_cast<std::size_t>(conversion);
  if (converters_[i] || failed_[i]) return converters_[i].get();
  try {
    // OpenCC finds "NAME.json" and its dictionaries in its own data folder.
    converters_[i] = std::make_unique<opencc::SimpleConverter>(std::string(kNames[i]) + ".json");
  } catch (const std::exception& e) {
    failed_[i] = true;  // not tried again for every name
    error_ = std::string("OpenCC ") + kNames[i] + ": " + e.what();
  }
  return converters_[i].get();
}

std::optional<std::string> ScriptConverters::ConvertUtf8(ScriptConversion conversion,
                                                         std::string_view utf8) {
  // ASCII text has nothing to convert; most names are ASCII throughout.
  if (conversion == ScriptConversion::kNone || IsAscii(utf8)) return std::string(utf8);
  opencc::SimpleConverter* converter = Get(conversion);
  if (!converter) return std::nullopt;
  return converter->Convert(utf8.data(), utf8.size());
}

std::optional<std::string> ScriptConverters::Convert(ScriptConversion conversion,
                                                     std::string_view gb) {
  if (conversion == ScriptConversion::kNone || IsAscii(gb)) return std::string(gb);
  const std::optional<std::string> utf8 = GbToUtf8(gb);
  if (!utf8) return std::nullopt;
  const std::optional<std::string> converted = ConvertUtf8(conversion, *utf8);
  if (!converted) return std::nullopt;
  if (*converted == *utf8) return std::string(gb);  // unchanged text keeps its bytes
  return Utf8ToGb(*converted);
}

}  // namespace tessarn
