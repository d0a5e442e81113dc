// The values of every rule's options, read afresh for every pass. Each rule
// declares its own options beside its code; this record takes them all, plus the
// shown page and the chain of rules. Texts are GB18030 as the controls hold them;
// number boxes keep their text.
#pragma once

#include <memory>
#include <string>

#include "core/rules/case_rule.h"
#include "core/rules/insert_rule.h"
#include "core/rules/numbering_rule.h"
#include "core/rules/replace_rule.h"
#include "core/rules/tag_template_rule.h"

namespace tessarn {

// The tab pages by index, one per rule unit (see rule_units.cpp).
enum class OptionPage { kNumbering = 0, kReplace = 1, kInsert = 2, kCase = 3, kMp3 = 4 };

struct RuleChain;

struct NamingOptions : NumberingOptions,
                       ReplaceOptions,
                       InsertOptions,
                       CaseOptions,
                       TagTemplateOptions {
  OptionPage page = OptionPage::kNumbering;  // the page currently shown
  // The chain of rules; while it holds an enabled step, its steps name the files
  // instead of the page (see rule_chain.h). Shared: a pass copies the options.
  std::shared_ptr<const RuleChain> chain;
};

// A number box's text as a number: decimal, empty is 0, any fraction cut toward
// zero; text that is not a number gives the value of its leading digits (or 0).
long long OptionNumber(const std::string& text);

}  // namespace tessarn
