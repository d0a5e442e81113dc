// A chain of rules: an ordered list of steps, each a rule with its own settings.
// While a chain holds an enabled step, the enabled steps name the files in order,
// each starting from the name the step before it made; otherwise the shown page
// alone does. Numbering steps count rows in list order, as the page does.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/rules/naming_options.h"

namespace tessarn {

class FileList;
class TagCache;

struct ChainStep {
  bool enabled = true;
  NamingOptions options;  // options.page is the step's rule; its own chain is unused
};

struct RuleChain {
  std::vector<ChainStep> steps;
};

std::size_t EnabledSteps(const RuleChain& chain);
// The chain of the options, when it has an enabled step; else nullptr (the page
// applies).
const RuleChain* ActiveChain(const NamingOptions& options);

// Sets newName of entries [first, end) by the enabled steps. `legacy` is how the
// tag text of unknown encoding is read, a setting of the program, not of a step.
void ApplyChain(FileList& list, const RuleChain& chain, LegacyEncoding legacy, TagCache* tags,
                std::size_t first, std::size_t end);

// Whether the naming of `options` (chain or page) reads every file on each pass.
bool NamingReadsFiles(const NamingOptions& options);

// The text of status pane 1 while a chain applies: "规则链：3 步" (GB18030); empty
// when none does.
std::string ChainPaneText(const NamingOptions& options);

// A one-line description of a step for the chain panel, GB18030: the page's
// caption and the options that differ from the page's defaults.
std::string DescribeStep(const ChainStep& step);

}  // namespace tessarn
