#include "cli/arguments.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/rules/regex_replace.h"
#include "core/rules/rule_chain.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

// Which commands accept an option.
enum OptionGroup : unsigned {
  kRuleOption = 1,        // preview, rename
  kTagFieldOption = 2,    // tags set
  kTagChoiceOption = 4,   // tags set, tags delete
  kRenameOnlyOption = 8,  // rename
  kLegacyOption = 16,     // preview, rename and every tags command
  kUndoOption = 32,       // undo
  kNameTagOption = 64,    // tags from-name
  kPreviewOnlyOption = 128,  // preview
  kJsonOption = 256,      // every command that prints something
  kPresetsListOption = 512   // presets list
};

constexpr const char* kThen = "then";
constexpr const char* kPage = "page";

#define FLAG(field)                                 \
  [](Arguments& a, std::string&&) -> const char* { \
    a.field = true;                                 \
    return nullptr;                                 \
  }
#define TEXT(field)                                  \
  [](Arguments& a, std::string&& v) -> const char* { \
    a.field = std::move(v);                          \
    return nullptr;                                  \
  }
#define SET_TAG(field)                               \
  [](Arguments& a, std::string&& v) -> const char* { \
    a.edits.field = std::move(v);                    \
    return nullptr;                                  \
  }

const char* SetLegacyEncoding(Arguments& a, std::string&& v) {
  static constexpr std::pair<const char*, LegacyEncoding> kEncodings[] = {
      {"auto", LegacyEncoding::kAuto},
      {"gbk", LegacyEncoding::kGbk},
      {"latin1", LegacyEncoding::kLatin1}};
  return PickWord(v, kEncodings, a.options.legacyEncoding)
             ? nullptr
             : "--legacy-encoding 只能是 auto、gbk 或 latin1";
}

const char* SetSort(Arguments& a, std::string&& v) {
  static constexpr std::pair<const char*, SortKey> kKeys[] = {
      {"name", SortKey::kName}, {"size", SortKey::kSize}, {"mtime", SortKey::kMtime}};
  return PickWord(v, kKeys, a.sort) ? nullptr : "--sort 只能是 name、size 或 mtime";
}

// A run's number as `history` shows it: decimal digits, not 0. `--run` undoes that
// run alone; `--to` undoes it with every newer one not yet undone.
const char* SetRunId(Arguments& a, const std::string& v, bool withNewer) {
  std::uint64_t id = 0;
  for (char c : v) {
    if (c < '0' || c > '9' || id > UINT64_MAX / 10 - 1)
      return withNewer ? "--to 需要一个操作编号（见 tessarn-cli history）"
                       : "--run 需要一个操作编号（见 tessarn-cli history）";
    id = id * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (id == 0)
    return withNewer ? "--to 需要一个操作编号（见 tessarn-cli history）"
                     : "--run 需要一个操作编号（见 tessarn-cli history）";
  if (a.runId != 0) return "--run 与 --to 只能用其中一个";
  a.runId = id;
  a.undoWithNewer = withNewer;
  return nullptr;
}
const char* SetRun(Arguments& a, std::string&& v) { return SetRunId(a, v, false); }
const char* SetTo(Arguments& a, std::string&& v) { return SetRunId(a, v, true); }

// `tags from-name` reads names by the MP3 page's template, with its limit.
const char* SetNameTemplate(Arguments& a, std::string&& v) {
  return FindRuleOption(TagTemplateRuleUnit(), "template")->set(a.options, std::move(v));
}

// "numbering|replace|insert|case|mp3"
const char* PageChoices() {
  static const std::string choices = [] {
    std::string words;
    for (const RuleUnit* unit : RuleUnits()) words += (words.empty() ? "" : "|") + std::string(unit->key);
    return words;
  }();
  return choices.c_str();
}

std::vector<CliOption> MakeOptions() {
  std::vector<CliOption> table = {
      {"json", nullptr, "输出 JSON", kJsonOption, FLAG(json)},
      {kPage, PageChoices(), "使用的规则页（默认：所给选项所属的页，没有这类选项时为 numbering）",
       kRuleOption},
      {kThen, nullptr, "开始规则链的下一步：其后的选项属于新的一步，各步按顺序作用",
       kRuleOption},
      {"preset", "名称", "使用保存的方案（见 tessarn-cli presets list）", kRuleOption,
       TEXT(presetName)},
      {"preset-file", "路径", "使用方案文件", kRuleOption, TEXT(presetFile)},
      {"save-preset", "名称", "把所给的步骤保存为方案（同名方案被替换）", kPreviewOnlyOption,
       TEXT(savePreset)},
      {"recursive", nullptr, "目录连同其子目录中的文件（也可写 -r）", kRuleOption,
       FLAG(recursive)},
      {"hidden", nullptr, "与 --recursive 一起：也进入隐藏的子目录", kRuleOption, FLAG(hidden)},
      {"sort", "name|size|mtime",
       "先按文件名（自然顺序）、大小或修改时间排序再命名（默认：加入的顺序）", kRuleOption,
       SetSort},
      {"reverse", nullptr, "与 --sort 一起：倒序", kRuleOption, FLAG(reverse)},
      {"fix-encoding", nullptr, "把 GBK 编码的文件名也转为 UTF-8（规则不改动的名字同样转换）",
       kRuleOption, FLAG(fixEncoding)},
      {"skip-conflicts", nullptr, "跳过有冲突的文件，其余照常更名", kRenameOnlyOption,
       FLAG(skipConflicts)},
      {"legacy-encoding", "auto|gbk|latin1",
       "未注明编码的标签文字（ID3v1 及 ID3v2 编码 0）按 GBK 还是 Latin-1 读取；auto（默认）"
       "在文字是有效 GBK 且含中文字符时按 GBK，否则按 Latin-1",
       kLegacyOption, SetLegacyEncoding},
      {"template", "模板", "例如 '#1-#2'（最多 50 字节）", kNameTagOption, SetNameTemplate},
      {"dry-run", nullptr, "只显示读出的字段，不修改文件", kNameTagOption, FLAG(dryRun)},
      {"v1", nullptr, "ID3v1 标签", kTagChoiceOption, FLAG(v1)},
      {"v2", nullptr, "ID3v2 标签", kTagChoiceOption, FLAG(v2)},
      {"run", "编号", "撤消这一次操作（编号见 tessarn-cli history）；比它新的操作须已撤消",
       kUndoOption, SetRun},
      {"to", "编号", "撤消这一次操作以及比它新、尚未撤消的全部操作，从新到旧", kUndoOption,
       SetTo},
      {"title", "文本", "歌曲名", kTagFieldOption, SET_TAG(title)},
      {"artist", "文本", "艺术家", kTagFieldOption, SET_TAG(artist)},
      {"album", "文本", "专辑", kTagFieldOption, SET_TAG(album)},
      {"track", "音轨", "音轨", kTagFieldOption, SET_TAG(track)},
      {"year", "年代", "年代", kTagFieldOption, SET_TAG(year)},
      {"genre", "流派",
       "流派列表中的名称（例如 Rock）或其编号 0 到 125；空文本表示无流派；ID3v1 中保存其编号",
       kTagFieldOption, SET_TAG(genre)},
      {"comment", "文本", "注释", kTagFieldOption, SET_TAG(comment)},
      {"composer", "文本", "作曲家（仅 ID3v2）", kTagFieldOption, SET_TAG(composer)},
      {"original-artist", "文本", "原创者（仅 ID3v2）", kTagFieldOption,
       SET_TAG(originalArtist)},
      {"copyright", "文本", "版权（仅 ID3v2）", kTagFieldOption, SET_TAG(copyright)},
      {"url", "文本", "URL（仅 ID3v2）", kTagFieldOption, SET_TAG(url)},
      {"encoder", "文本", "编码者（仅 ID3v2）", kTagFieldOption, SET_TAG(encoder)},
  };
  // The rules' own options follow the options that serve every page, unit by unit.
  std::vector<CliOption> rules;
  for (const RuleUnit* unit : RuleUnits())
    for (const RuleOption& option : unit->options)
      rules.push_back({option.name, option.value, option.help, kRuleOption, nullptr, unit, &option});
  table.insert(table.begin() + 10, rules.begin(), rules.end());
  return table;
}

#undef FLAG
#undef TEXT
#undef SET_TAG

unsigned GroupsOf(Command command) {
  switch (command) {
    case Command::kPreview:
      return kRuleOption | kLegacyOption | kPreviewOnlyOption | kJsonOption;
    case Command::kRename:
      return kRuleOption | kRenameOnlyOption | kLegacyOption | kJsonOption;
    case Command::kUndo:
      return kUndoOption | kJsonOption;
    case Command::kHistory:
      return kJsonOption;
    case Command::kTagsShow:
      return kLegacyOption | kJsonOption;
    case Command::kTagsSet:
      return kTagFieldOption | kTagChoiceOption | kLegacyOption | kJsonOption;
    case Command::kTagsDelete:
      return kTagChoiceOption | kLegacyOption | kJsonOption;
    case Command::kTagsFromName:
      return kNameTagOption | kTagChoiceOption | kLegacyOption | kJsonOption;
    case Command::kTagsConvert:
      return kLegacyOption | kJsonOption;
    case Command::kPresetsList:
      return kJsonOption;
    case Command::kPresetsDelete:
      return kJsonOption;
    default:
      return 0;
  }
}

std::string PageWords() {
  std::string words;
  for (const RuleUnit* unit : RuleUnits()) {
    if (!words.empty()) words += unit == RuleUnits().back() ? " 或 " : "、";
    words += unit->key;
  }
  return words;
}

// The options of one step of the rules: one page's, or --then starts the next.
struct Step {
  NamingOptions options;
  bool pageGiven = false;
  bool any = false;                             // some option of the step was given
  std::vector<const CliOption*> pageOptions;  // the options that feed one page's rule
};

// Only the shown page's rule names the files, so options of any other page would
// be ignored without a word. They pick the page when --page is not given, and are
// refused when they contradict it or belong to two pages. Returns an error text,
// empty when `page` is settled.
std::string ChoosePage(OptionPage& page, bool pageGiven,
                       const std::vector<const CliOption*>& used) {
  std::vector<OptionPage> pages;
  for (const CliOption* def : used)
    if (std::find(pages.begin(), pages.end(), def->unit->page) == pages.end())
      pages.push_back(def->unit->page);
  if (!pageGiven && pages.size() == 1) page = pages.front();
  const bool conflict =
      pageGiven ? std::any_of(pages.begin(), pages.end(), [&](OptionPage p) { return p != page; })
                : pages.size() > 1;
  if (!conflict) return std::string();
  // "--find、--replace-with 属于 replace 页，--prefix 属于 numbering 页"
  std::string listed;
  for (OptionPage p : pages) {
    if (pageGiven && p == page) continue;
    if (!listed.empty()) listed += "，";
    std::string names;
    for (const CliOption* def : used)
      if (def->unit->page == p) names += (names.empty() ? "--" : "、--") + std::string(def->name);
    listed += names + " 属于 " + UnitOf(p).key + " 页";
  }
  if (pageGiven) return listed + "，与 --page " + UnitOf(page).key + " 不符";
  return listed + "；一次只能用一页的选项，或用 --page 选定一页";
}

bool IsHelp(std::string_view word) { return word == "--help" || word == "-h"; }

}  // namespace

const std::vector<CliOption>& CliOptions() {
  static const std::vector<CliOption> table = MakeOptions();
  return table;
}

bool AcceptsOption(Command command, const CliOption& option) {
  return (option.groups & GroupsOf(command)) != 0;
}

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      Command::kPreview,  Command::kRename,       Command::kUndo,        Command::kHistory,
      Command::kTagsShow, Command::kTagsSet,      Command::kTagsDelete,  Command::kTagsFromName,
      Command::kTagsConvert, Command::kPresetsList, Command::kPresetsDelete};
  return commands;
}

const char* CommandName(Command command) {
  switch (command) {
    case Command::kPreview:
      return "preview";
    case Command::kRename:
      return "rename";
    case Command::kUndo:
      return "undo";
    case Command::kHistory:
      return "history";
    case Command::kTags:
      return "tags";
    case Command::kTagsShow:
      return "tags show";
    case Command::kTagsSet:
      return "tags set";
    case Command::kTagsDelete:
      return "tags delete";
    case Command::kTagsFromName:
      return "tags from-name";
    case Command::kTagsConvert:
      return "tags convert";
    case Command::kPresets:
      return "presets";
    case Command::kPresetsList:
      return "presets list";
    case Command::kPresetsDelete:
      return "presets delete";
    default:
      return "tessarn-cli";
  }
}

ParseResult ParseArguments(int argc, const char* const* argv) {
  ParseResult result;
  Arguments& a = result.args;
  int i = 1;
  auto fail = [&](std::string message) {
    result.error = std::move(message);
    return result;
  };

  if (i >= argc)
    return fail("缺少命令（preview、rename、undo、history、tags 或 presets），详见 tessarn-cli --help");
  const std::string_view word = argv[i++];
  if (IsHelp(word)) {
    a.help = true;
    return result;
  }
  // A command with subcommands: `tags show`, `presets list`.
  auto sub = [&](Command parent, const char* words,
                 std::initializer_list<std::pair<const char*, Command>> subs) -> bool {
    a.command = parent;
    if (i >= argc) {
      result.error = std::string(CommandName(parent)) + " 缺少子命令（" + words + "）";
      return false;
    }
    const std::string_view s = argv[i++];
    if (IsHelp(s)) {
      a.help = true;
      return false;
    }
    for (const auto& [w, command] : subs)
      if (s == w) {
        a.command = command;
        return true;
      }
    result.error = std::string("未知的 ") + CommandName(parent) +
                   " 子命令：" + GbToUtf8Lossy(Utf8ToGbLossy(s));
    return false;
  };
  if (word == "preview") {
    a.command = Command::kPreview;
  } else if (word == "rename") {
    a.command = Command::kRename;
  } else if (word == "undo") {
    a.command = Command::kUndo;
  } else if (word == "history") {
    a.command = Command::kHistory;
  } else if (word == "tags") {
    if (!sub(Command::kTags, "show、set、delete、from-name 或 convert",
             {{"show", Command::kTagsShow},
              {"set", Command::kTagsSet},
              {"delete", Command::kTagsDelete},
              {"from-name", Command::kTagsFromName},
              {"convert", Command::kTagsConvert}}))
      return result;
  } else if (word == "presets") {
    if (!sub(Command::kPresets, "list 或 delete",
             {{"list", Command::kPresetsList}, {"delete", Command::kPresetsDelete}}))
      return result;
  } else {
    return fail("未知的命令：" + GbToUtf8Lossy(Utf8ToGbLossy(word)));
  }

  bool optionsEnded = false;
  std::vector<Step> steps(1);
  for (; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-r" && !optionsEnded) arg = "--recursive";
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      a.paths.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (IsHelp(arg)) {
      a.help = true;
      return result;
    }
    if (arg.substr(0, 2) != "--") return fail("未知的选项：" + std::string(arg));
    std::string_view name = arg.substr(2);
    std::optional<std::string_view> inlineValue;
    if (const auto eq = name.find('='); eq != std::string_view::npos) {
      inlineValue = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    const CliOption* def = nullptr;
    for (const CliOption& option : CliOptions())
      if (name == option.name && AcceptsOption(a.command, option)) def = &option;
    if (def == nullptr)
      return fail(std::string(CommandName(a.command)) + " 不接受选项 --" +
                  GbToUtf8Lossy(Utf8ToGbLossy(name)));
    std::string value;
    if (def->value != nullptr) {
      // The next word is the value whatever it looks like: "--prefix -x" and
      // "--prefix ''" are both meant.
      std::string_view raw;
      if (inlineValue) {
        raw = *inlineValue;
      } else if (i + 1 < argc) {
        raw = argv[++i];
      } else {
        return fail("选项 --" + std::string(name) + " 缺少值");
      }
      // Rule texts are the program's GB18030; names and paths stay as given.
      if (def->rule != nullptr || def->name == std::string_view(kPage) ||
          (def->groups & (kTagFieldOption | kNameTagOption)) != 0) {
        auto gb = Utf8ToGb(raw);
        if (!gb) return fail("选项 --" + std::string(name) + " 的值不是有效的 UTF-8 文本");
        value = *std::move(gb);
      } else {
        value = std::string(raw);
      }
    } else if (inlineValue) {
      return fail("选项 --" + std::string(name) + " 不带值");
    }

    Step& step = steps.back();
    if (def->name == std::string_view(kThen)) {
      if (!step.any) return fail("--then 之前缺少规则选项：每一步至少要有 --page 或一个规则选项");
      steps.emplace_back();
      continue;
    }
    if (def->name == std::string_view(kPage)) {
      const RuleUnit* unit = FindUnit(value);
      if (!unit) return fail("--page 只能是 " + PageWords());
      step.options.page = unit->page;
      step.pageGiven = step.any = true;
      continue;
    }
    if (def->rule != nullptr) {
      if (const char* error = def->rule->set(step.options, std::move(value))) return fail(error);
      step.any = true;
      if (std::find(step.pageOptions.begin(), step.pageOptions.end(), def) ==
          step.pageOptions.end())
        step.pageOptions.push_back(def);
      continue;
    }
    if (const char* error = def->apply(a, std::move(value))) return fail(error);
  }

  if (steps.size() > 1 && !steps.back().any)
    return fail("--then 之后缺少步骤：最后一个 --then 后面没有规则选项");
  for (std::size_t k = 0; k < steps.size(); ++k) {
    Step& step = steps[k];
    if (std::string error = ChoosePage(step.options.page, step.pageGiven, step.pageOptions);
        !error.empty())
      return fail(steps.size() > 1 ? "第 " + std::to_string(k + 1) + " 步：" + error : error);
    step.options.legacyEncoding = a.options.legacyEncoding;
    // A pattern that does not compile is refused before any file is looked at.
    if (step.options.regex) {
      NamingOptions onReplacePage = step.options;
      onReplacePage.page = OptionPage::kReplace;
      if (std::string error = RegexPatternError(onReplacePage); !error.empty())
        return fail(GbToUtf8Lossy(error));
    }
  }
  a.rulesGiven = steps.front().any;
  const LegacyEncoding legacy = a.options.legacyEncoding;
  // The tag commands keep what their own options set (a template to read names by).
  if ((GroupsOf(a.command) & kRuleOption) == 0) {
  } else if (steps.size() > 1) {
    auto chain = std::make_shared<RuleChain>();
    for (Step& step : steps) chain->steps.push_back(ChainStep{true, step.options});
    a.options = steps.front().options;
    a.options.chain = std::move(chain);
  } else {
    a.options = steps.front().options;
  }
  a.options.legacyEncoding = legacy;

  if (!a.presetName.empty() && !a.presetFile.empty())
    return fail("--preset 与 --preset-file 只能给出一个");
  if ((!a.presetName.empty() || !a.presetFile.empty()) && a.rulesGiven)
    return fail("--preset 或 --preset-file 不能与规则选项或 --page 一起使用");
  if (a.reverse && a.sort == SortKey::kAdded) return fail("--reverse 需要与 --sort 一起使用");

  switch (a.command) {
    case Command::kUndo:
    case Command::kHistory:
    case Command::kPresetsList:
      if (!a.paths.empty())
        return fail(std::string(CommandName(a.command)) + " 不接受路径参数");
      break;
    case Command::kPresetsDelete:
      if (a.paths.size() != 1) return fail("presets delete 需要一个方案名称");
      break;
    default:
      if (a.paths.empty()) return fail(std::string(CommandName(a.command)) + " 至少需要一个路径");
  }
  if (a.command == Command::kTagsDelete && !a.v1 && !a.v2)
    return fail("tags delete 需要 --v1 或 --v2");
  if (a.command == Command::kTagsFromName && a.options.tagTemplate.empty())
    return fail("tags from-name 需要 --template（例如 --template '#1-#2'）");
  return result;
}

}  // namespace tessarn::cli
