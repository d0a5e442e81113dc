#include "core/presets/preset.h"

#include <memory>

#include "core/rules/rule_unit.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

std::string Trim(std::string_view text) {
  std::size_t a = 0, b = text.size();
  while (a < b && (text[a] == ' ' || text[a] == '\t')) ++a;
  while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t' || text[b - 1] == '\r')) --b;
  return std::string(text.substr(a, b - a));
}

// A value as written: quoted when its own spaces or quotes at either end would
// otherwise be lost.
std::string Quoted(const std::string& value) {
  if (value.empty()) return value;
  const char first = value.front(), last = value.back();
  if (first == ' ' || first == '\t' || first == '"' || last == ' ' || last == '\t' || last == '"')
    return "\"" + value + "\"";
  return value;
}

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string PresetText(const Preset& preset) {
  std::string text = "# Tessarn 方案\n";
  text += preset.chain ? "kind=chain\n" : "kind=page\n";
  const NamingOptions defaults;
  for (const ChainStep& step : preset.steps) {
    const RuleUnit& unit = UnitOf(step.options.page);
    text += "\n[step]\nrule=";
    text += unit.key;
    text += "\nenabled=" + SwitchText(step.enabled) + "\n";
    for (const RuleOption& option : unit.options)
      text += std::string(option.name) + "=" + Quoted(GbToUtf8Lossy(option.get(step.options))) +
              "\n";
  }
  return text;
}

bool ParsePreset(std::string_view text, const std::string& fileName, Preset& preset,
                 std::string& error) {
  Preset read;
  bool kindGiven = false;
  std::size_t lineNumber = 0;
  std::size_t stepLine = 0;          // the line of the current [step]
  const RuleUnit* unit = nullptr;    // its rule, once given
  bool stepHasOptions = false;
  auto fail = [&](std::size_t line, const std::string& why) {
    error = "方案文件 " + fileName + " 第 " + std::to_string(line) + " 行：" + why;
    return false;
  };
  auto endStep = [&]() {
    if (stepLine != 0 && unit == nullptr) return fail(stepLine, "[step] 缺少 rule=");
    return true;
  };
  if (!Utf8ToGb(text)) {
    error = "方案文件 " + fileName + " 不是 UTF-8 文本";
    return false;
  }
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = Trim(text.substr(at, end - at));
    at = end + 1;
    ++lineNumber;
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[') {
      if (line != "[step]") return fail(lineNumber, "未知的节 " + line + "（只能是 [step]）");
      if (!endStep()) return false;
      read.steps.emplace_back();
      stepLine = lineNumber;
      unit = nullptr;
      stepHasOptions = false;
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return fail(lineNumber, "应为“名称=值”：" + line);
    const std::string key = Trim(std::string_view(line).substr(0, eq));
    std::string value = Unquoted(Trim(std::string_view(line).substr(eq + 1)));
    if (stepLine == 0) {
      if (key != "kind") return fail(lineNumber, "未知的项 " + key + "（[step] 之前只能有 kind=）");
      if (value != "page" && value != "chain")
        return fail(lineNumber, "kind 只能是 page 或 chain");
      read.chain = value == "chain";
      kindGiven = true;
      continue;
    }
    ChainStep& step = read.steps.back();
    if (key == "rule") {
      if (unit != nullptr || stepHasOptions)
        return fail(lineNumber, "rule= 应是 [step] 的第一项，且只能有一个");
      unit = FindUnit(value);
      if (unit == nullptr) return fail(lineNumber, "未知的规则 " + value);
      step.options.page = unit->page;
      continue;
    }
    if (unit == nullptr) return fail(lineNumber, "[step] 的第一项应是 rule=");
    if (key == "enabled") {
      if (const char* why = SetSwitch(step.enabled, value, "enabled 只能是 true 或 false"))
        return fail(lineNumber, why);
      continue;
    }
    const RuleOption* option = FindRuleOption(*unit, key);
    if (option == nullptr)
      return fail(lineNumber, "未知的选项 " + key + "（" + unit->key + " 页）");
    if (const char* why = option->set(step.options, Utf8ToGbLossy(value)))
      return fail(lineNumber, why);
    stepHasOptions = true;
  }
  if (!endStep()) return false;
  if (read.steps.empty()) {
    error = "方案文件 " + fileName + " 中没有步骤（[step]）";
    return false;
  }
  if (!kindGiven) read.chain = read.steps.size() > 1;
  if (!read.chain && read.steps.size() > 1)
    return fail(1, "kind=page 的方案只能有一个 [step]");
  preset = std::move(read);
  return true;
}

NamingOptions PresetNaming(const Preset& preset) {
  if (preset.steps.empty()) return NamingOptions{};
  NamingOptions options = preset.steps.front().options;
  if (preset.chain) {
    auto chain = std::make_shared<RuleChain>();
    chain->steps = preset.steps;
    options.chain = std::move(chain);
  }
  return options;
}

}  // namespace tessarn
