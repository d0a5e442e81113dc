#include "core/rules/rule_chain.h"

#include <algorithm>

#include "core/rules/rule_unit.h"
#include "core/text/encoding.h"

namespace tessarn {

std::size_t EnabledSteps(const RuleChain& chain) {
  return static_cast<std::size_t>(std::count_if(chain.steps.begin(), chain.steps.end(),
                                                [](const ChainStep& s) { return s.enabled; }));
}

const RuleChain* ActiveChain(const NamingOptions& options) {
  return options.chain && EnabledSteps(*options.chain) > 0 ? options.chain.get() : nullptr;
}

void ApplyChain(FileList& list, const RuleChain& chain, LegacyEncoding legacy, TagCache* tags,
                std::size_t first, std::size_t end) {
  NameSource source = NameSource::kOldName;
  for (const ChainStep& step : chain.steps) {
    if (!step.enabled) continue;
    const RuleUnit& unit = UnitOf(step.options.page);
    if (unit.readsFiles && step.options.legacyEncoding != legacy) {
      NamingOptions options = step.options;
      options.legacyEncoding = legacy;
      unit.apply(list, options, source, tags, first, end);
    } else {
      unit.apply(list, step.options, source, tags, first, end);
    }
    source = NameSource::kNewName;
  }
}

bool NamingReadsFiles(const NamingOptions& options) {
  if (const RuleChain* chain = ActiveChain(options))
    return std::any_of(chain->steps.begin(), chain->steps.end(), [](const ChainStep& s) {
      return s.enabled && UnitOf(s.options.page).readsFiles;
    });
  return UnitOf(options.page).readsFiles;
}

std::string ChainPaneText(const NamingOptions& options) {
  const RuleChain* chain = ActiveChain(options);
  if (!chain) return std::string();
  return Gb("规则链：") + std::to_string(EnabledSteps(*chain)) + Gb(" 步");
}

std::string DescribeStep(const ChainStep& step) {
  const RuleUnit& unit = UnitOf(step.options.page);
  const NamingOptions defaults;
  std::string text = Utf8ToGbLossy(unit.caption);
  std::string details;
  for (const RuleOption& option : unit.options) {
    const std::string value = option.get(step.options);
    if (value == option.get(defaults)) continue;
    if (!details.empty()) details += ' ';
    details += option.name;
    if (!option.IsSwitch()) details += "=" + value;
  }
  if (!details.empty()) text += Gb("：") + details;
  return text;
}

}  // namespace tessarn
