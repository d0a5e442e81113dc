// presets list and presets delete.
#include "cli/commands.h"
#include "cli/entry_printer.h"
#include "cli/exit_status.h"
#include "cli/json.h"
#include "core/presets/preset_store.h"
#include "core/rules/rule_unit.h"
#include "core/text/encoding.h"

namespace tessarn::cli {

int RunPresetsListCommand(const Arguments& args, Output& out, Output& err) {
  const std::string config = ConfigFolder();
  bool someBroken = false;
  std::string text = args.json ? "{\"presets\":[" : "";
  bool first = true;
  for (const std::string& name : ListPresets(config)) {
    Preset preset;
    std::string error;
    const bool ok = LoadPreset(config, name, preset, error);
    if (!ok) {
      someBroken = true;
      PrintError(err, error);
    }
    if (args.json) {
      if (!first) text += ",";
      text += "{\"name\":";
      AppendJsonString(text, name);
      if (ok) {
        text += std::string(",\"kind\":\"") + (preset.chain ? "chain" : "page") + "\",\"steps\":[";
        for (std::size_t k = 0; k < preset.steps.size(); ++k) {
          const ChainStep& step = preset.steps[k];
          if (k > 0) text += ",";
          text += std::string("{\"rule\":\"") + UnitOf(step.options.page).key +
                  "\",\"enabled\":" + (step.enabled ? "true" : "false") + ",\"text\":";
          AppendJsonGbString(text, DescribeStep(step));
          text += "}";
        }
        text += "]";
      } else {
        text += ",\"error\":";
        AppendJsonString(text, error);
      }
      text += "}";
    } else {
      text += name;
      if (ok) {
        text += preset.chain ? "（规则链）" : "";
        for (const ChainStep& step : preset.steps) {
          text += "\n  ";
          if (!step.enabled) text += "（停用）";
          AppendGbForTerminal(text, DescribeStep(step));
        }
      } else {
        text += "（无法读取）";
      }
      text += "\n";
    }
    first = false;
  }
  if (args.json)
    text += "]}\n";
  else if (first)
    text = "没有保存的方案\n";
  out << text;
  return someBroken ? kExitFailed : kExitOk;
}

int RunPresetsDeleteCommand(const Arguments& args, Output& out, Output& err) {
  std::string error;
  const std::string& name = args.paths.front();
  if (!PresetExists(ConfigFolder(), name)) {
    PrintError(err, PresetNameError(name).empty() ? "没有名为“" + name + "”的方案"
                                                  : PresetNameError(name));
    return kExitUsage;
  }
  if (!DeletePreset(ConfigFolder(), name, error)) {
    PrintError(err, error);
    return kExitFailed;
  }
  if (args.json) {
    std::string text = "{\"deleted\":";
    AppendJsonString(text, name);
    out << text + "}\n";
  } else {
    out << "已删除方案 " + name + "\n";
  }
  return kExitOk;
}

}  // namespace tessarn::cli
