// Presets (方案): a page's settings or a whole chain of rules kept under a name, one
// human-readable UTF-8 file per preset, so that users can read, edit and copy them
// between machines:
//
//   # Tessarn 方案
//   kind=chain
//   [step]
//   rule=replace
//   enabled=true
//   find=IMG_
//   replace-with=
//   ...
//
// `kind` is `page` (the settings of one page, loaded into it) or `chain`. Each
// [step] names its rule unit and holds that unit's options under the command
// line's names; an option not given keeps its default. Values are written in
// double quotes when they begin or end with a space or a quote.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/rules/rule_chain.h"

namespace tessarn {

struct Preset {
  bool chain = false;  // a chain of steps, else one page's settings (one step)
  std::vector<ChainStep> steps;
};

// The file's text, UTF-8.
std::string PresetText(const Preset& preset);

// Reads a preset's text. On failure returns false with `error` (UTF-8) naming
// `fileName` and the line: "方案文件 X 第 3 行：未知的选项 fnd（replace 页）".
bool ParsePreset(std::string_view text, const std::string& fileName, Preset& preset,
                 std::string& error);

// The naming options a preset gives: the one step's own, or the first step's with
// the whole chain attached.
NamingOptions PresetNaming(const Preset& preset);

}  // namespace tessarn
