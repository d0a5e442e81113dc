#include "core/rules/tag_template_rule.h"

namespace tessarn {

// Placeholder until the tag codec lands: empties every new name.
void ApplyTagTemplateRule(FileList& list, const NamingOptions&, TagCache*) {
  for (auto& e : list.entries) e.newName.clear();
}

}  // namespace tessarn
