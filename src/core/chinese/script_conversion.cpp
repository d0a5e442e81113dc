#include "core/chinese/script_conversion.h"

#include <opencc/Config.hpp>
#include <opencc/ConversionChain.hpp>
#include <opencc/Conversion.hpp>
#include <opencc/Converter.hpp>
#include <opencc/DictEntry.hpp>
#include <opencc/DictGroup.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MaxMatchSegmentation.hpp>

#include <array>
#include <exception>
#include <map>

#include "core/chinese/word_tables.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr const char* kNames[kScriptConversionCount] = {"",    "s2t",  "t2s", "s2twp",
                                                         "tw2sp", "s2hk", "hk2s"};

}  // namespace

struct ScriptConverters::Loaded {
  opencc::ConverterPtr converter;
  std::optional<WordConversion> tables;  // none: OpenCC converts
};

struct ScriptConverters::State {
  // One configuration reader, so that the dictionaries that several configurations
  // share are loaded and copied once.
  opencc::Config config;
  std::array<std::unique_ptr<Loaded>, kScriptConversionCount> loaded;
  std::array<bool, kScriptConversionCount> failed{};
  std::map<const opencc::Dict*, std::unique_ptr<WordTable>> tables;

  // The dictionary's tables in OpenCC's order of lookup; false when one of its words
  // does not fit a table.
  bool AddTables(const opencc::DictPtr& dict, WordTableGroup& group) {
    if (const auto nested = std::dynamic_pointer_cast<opencc::DictGroup>(dict)) {
      for (const opencc::DictPtr& d : nested->GetDicts())
        if (!AddTables(d, group)) return false;
      return true;
    }
    std::unique_ptr<WordTable>& table = tables[dict.get()];
    if (!table) {
      auto made = std::make_unique<WordTable>();
      for (const std::unique_ptr<opencc::DictEntry>& entry : *dict->GetLexicon())
        if (!made->Add(entry->Key(), entry->GetDefault())) return false;
      table = std::move(made);
    }
    group.push_back(table.get());
    return true;
  }

  std::optional<WordConversion> MakeTables(const opencc::Converter& converter) {
    const auto segmentation =
        std::dynamic_pointer_cast<opencc::MaxMatchSegmentation>(converter.GetSegmentation());
    if (!segmentation) return std::nullopt;
    WordTableGroup segmentationTables;
    if (!AddTables(segmentation->GetDict(), segmentationTables)) return std::nullopt;
    std::vector<WordTableGroup> chain;
    for (const opencc::ConversionPtr& step : converter.GetConversionChain()->GetConversions()) {
      chain.emplace_back();
      if (!AddTables(step->GetDict(), chain.back())) return std::nullopt;
    }
    return WordConversion(std::move(segmentationTables), std::move(chain));
  }
};

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

ScriptConverters::Loaded* ScriptConverters::Get(ScriptConversion conversion) {
  if (!state_) state_ = std::make_unique<State>();
  const auto i = static_cast<std::size_t>(conversion);
  if (state_->loaded[i] || state_->failed[i]) return state_->loaded[i].get();
  try {
    auto loaded = std::make_unique<Loaded>();
    // OpenCC finds "NAME.json" and its dictionaries in its own data folder.
    loaded->converter = state_->config.NewFromFile(std::string(kNames[i]) + ".json");
    loaded->tables = state_->MakeTables(*loaded->converter);
    state_->loaded[i] = std::move(loaded);
  } catch (const std::exception& e) {
    state_->failed[i] = true;  // not tried again for every name
    error_ = std::string("OpenCC ") + kNames[i] + ": " + e.what();
  }
  return state_->loaded[i].get();
}

std::optional<std::string> ScriptConverters::ConvertUtf8(ScriptConversion conversion,
                                                         std::string_view utf8) {
  // ASCII text has nothing to convert; most names are ASCII throughout.
  if (conversion == ScriptConversion::kNone || IsAscii(utf8)) return std::string(utf8);
  Loaded* loaded = Get(conversion);
  if (!loaded) return std::nullopt;
  if (loaded->tables) return loaded->tables->Convert(utf8);
  return loaded->converter->Convert(std::string(utf8));
}

std::optional<std::string> ScriptConverters::ConvertByOpenCC(ScriptConversion conversion,
                                                             std::string_view utf8) {
  if (conversion == ScriptConversion::kNone) return std::string(utf8);
  Loaded* loaded = Get(conversion);
  if (!loaded) return std::nullopt;
  return loaded->converter->Convert(std::string(utf8));
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
