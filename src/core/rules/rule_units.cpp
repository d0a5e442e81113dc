// The list of rule units: the one place a new rule is registered. Their order is
// the order of the tab pages and of OptionPage.
#include <algorithm>

#include "core/rules/rule_unit.h"

namespace tessarn {

const std::vector<const RuleUnit*>& RuleUnits() {
  static const std::vector<const RuleUnit*> units = {
      &NumberingRuleUnit(), &ReplaceRuleUnit(), &InsertRuleUnit(), &CaseRuleUnit(),
      &TagTemplateRuleUnit(),
  };
  return units;
}

const RuleUnit& UnitOf(OptionPage page) {
  const auto& units = RuleUnits();
  const auto index = static_cast<std::size_t>(page);
  return *units[index < units.size() ? index : 0];
}

const RuleUnit* FindUnit(std::string_view key) {
  for (const RuleUnit* unit : RuleUnits())
    if (key == unit->key) return unit;
  return nullptr;
}

const RuleOption* FindRuleOption(const RuleUnit& unit, std::string_view name) {
  for (const RuleOption& option : unit.options)
    if (name == option.name) return &option;
  return nullptr;
}

const char* SetSwitch(bool& field, const std::string& value, const char* error) {
  if (value.empty() || value == "true" || value == "1") {
    field = true;
  } else if (value == "false" || value == "0") {
    field = false;
  } else {
    return error;
  }
  return nullptr;
}

}  // namespace tessarn
