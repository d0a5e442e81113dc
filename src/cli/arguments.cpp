#include "cli/arguments.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/rules/metadata_rule.h"
#include "core/rules/regex_replace.h"
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
  kNameTagOption = 64     // tags from-name
};

// Applies an option's value; returns an error text, or nullptr.
using Apply = const char* (*)(Arguments&, std::string&&);

// `page`: the option page whose rule the option feeds; options that serve every
// page, or no rule at all, leave it unset. `alsoPage`: a second page that reads the
// same option (the metadata page's template and counter); without --page the
// option still picks `page`.
struct OptionDef {
  const char* name;
  bool takesValue;
  unsigned groups;
  Apply apply;
  std::optional<OptionPage> page = std::nullopt;
  std::optional<OptionPage> alsoPage = std::nullopt;
};

#define SET_TEXT(field)                              \
  [](Arguments& a, std::string&& v) -> const char* { \
    a.options.field = std::move(v);                  \
    return nullptr;                                  \
  }
#define SET_TAG(field)                               \
  [](Arguments& a, std::string&& v) -> const char* { \
    a.edits.field = std::move(v);                    \
    return nullptr;                                  \
  }

template <typename E, std::size_t N>
const char* Pick(const std::string& v, const std::pair<const char*, E> (&table)[N], E& out,
                 const char* error) {
  for (const auto& [word, value] : table)
    if (v == word) {
      out = value;
      return nullptr;
    }
  return error;
}

constexpr std::pair<const char*, OptionPage> kPages[] = {{"numbering", OptionPage::kNumbering},
                                                         {"replace", OptionPage::kReplace},
                                                         {"insert", OptionPage::kInsert},
                                                         {"case", OptionPage::kCase},
                                                         {"mp3", OptionPage::kMp3},
                                                         {"meta", OptionPage::kMeta}};

const char* PageName(OptionPage page) {
  for (const auto& [word, value] : kPages)
    if (value == page) return word;
  return "";
}

const char* SetPage(Arguments& a, std::string&& v) {
  return Pick(v, kPages, a.options.page, "--page 只能是 numbering、replace、insert、case、mp3 或 meta");
}

const char* SetScope(Arguments& a, std::string&& v) {
  static constexpr std::pair<const char*, NumberingScope> kScopes[] = {
      {"name", NumberingScope::kFileName},
      {"ext", NumberingScope::kExtension},
      {"all", NumberingScope::kAll}};
  return Pick(v, kScopes, a.options.numberingScope, "--scope 只能是 name、ext 或 all");
}

const char* SetReplaceScope(Arguments& a, std::string&& v) {
  static constexpr std::pair<const char*, ReplaceScope> kScopes[] = {
      {"name", ReplaceScope::kFileNameOnly},
      {"ext", ReplaceScope::kExtensionOnly},
      {"all", ReplaceScope::kAll}};
  return Pick(v, kScopes, a.options.replaceScope, "--replace-scope 只能是 name、ext 或 all");
}

constexpr std::pair<const char*, CaseRule> kCases[] = {{"upper", CaseRule::kAllUpper},
                                                       {"lower", CaseRule::kAllLower},
                                                       {"first-upper", CaseRule::kFirstUpper},
                                                       {"first-lower", CaseRule::kFirstLower}};

const char* SetNameCase(Arguments& a, std::string&& v) {
  return Pick(v, kCases, a.options.nameCase,
              "--name-case 只能是 upper、lower、first-upper 或 first-lower");
}
const char* SetExtCase(Arguments& a, std::string&& v) {
  return Pick(v, kCases, a.options.extCase,
              "--ext-case 只能是 upper、lower、first-upper 或 first-lower");
}

// N|end: "end" picks the end of the part, anything else is the position box's text.
const char* SetNameInsertAt(Arguments& a, std::string&& v) {
  if (v == "end") {
    a.options.nameInsertMode = InsertMode::kAtEnd;
  } else {
    a.options.nameInsertMode = InsertMode::kAtPosition;
    a.options.nameInsertPos = std::move(v);
  }
  return nullptr;
}
const char* SetExtInsertAt(Arguments& a, std::string&& v) {
  if (v == "end") {
    a.options.extInsertMode = InsertMode::kAtEnd;
  } else {
    a.options.extInsertMode = InsertMode::kAtPosition;
    a.options.extInsertPos = std::move(v);
  }
  return nullptr;
}

// The MP3 page and the metadata page each read the template in their own way;
// which one applies is known once every option is read (see CheckTemplate).
const char* SetTemplate(Arguments& a, std::string&& v) {
  a.options.metaTemplate = v;
  a.options.tagTemplate = std::move(v);
  return nullptr;
}

// The MP3 template box holds at most 50 bytes: a longer template is refused rather
// than cut, so that no name is built from half a template. A metadata template
// that does not parse is refused with the reason.
std::string CheckTemplate(const Arguments& a) {
  if (a.options.page == OptionPage::kMeta) {
    if (a.command == Command::kTagsFromName) return std::string();
    if (a.options.metaTemplate.empty())
      return "--page meta 需要 --template（例如 --template '{taken:%Y%m%d}_{n}'）";
    if (std::string error = MetadataTemplateError(a.options); !error.empty())
      return "--template：" + GbToUtf8Lossy(error);
    return std::string();
  }
  if (a.options.tagTemplate.size() > 50) return "--template 最多 50 字节（中文字符每个占 2 字节）";
  return std::string();
}

// Read by the MP3 page's naming and by the tags commands alike.
const char* SetLegacyEncoding(Arguments& a, std::string&& v) {
  static constexpr std::pair<const char*, LegacyEncoding> kEncodings[] = {
      {"auto", LegacyEncoding::kAuto},
      {"gbk", LegacyEncoding::kGbk},
      {"latin1", LegacyEncoding::kLatin1}};
  return Pick(v, kEncodings, a.options.legacyEncoding,
              "--legacy-encoding 只能是 auto、gbk 或 latin1");
}

const OptionDef kOptions[] = {
    {"page", true, kRuleOption, SetPage},
    {"scope", true, kRuleOption, SetScope, OptionPage::kNumbering},
    {"prefix", true, kRuleOption, SET_TEXT(namePrefix), OptionPage::kNumbering},
    {"name", true, kRuleOption, SET_TEXT(mainName), OptionPage::kNumbering},
    {"digits", true, kRuleOption, SET_TEXT(nameDigits), OptionPage::kNumbering, OptionPage::kMeta},
    {"suffix", true, kRuleOption, SET_TEXT(nameSuffix), OptionPage::kNumbering},
    {"ext-prefix", true, kRuleOption, SET_TEXT(extPrefix), OptionPage::kNumbering},
    {"ext", true, kRuleOption, SET_TEXT(newExtension), OptionPage::kNumbering},
    {"ext-digits", true, kRuleOption, SET_TEXT(extDigits), OptionPage::kNumbering},
    {"ext-suffix", true, kRuleOption, SET_TEXT(extSuffix), OptionPage::kNumbering},
    {"start", true, kRuleOption, SET_TEXT(startValue), OptionPage::kNumbering, OptionPage::kMeta},
    {"step", true, kRuleOption, SET_TEXT(increment), OptionPage::kNumbering, OptionPage::kMeta},
    {"find", true, kRuleOption, SET_TEXT(findText), OptionPage::kReplace},
    {"replace-with", true, kRuleOption, SET_TEXT(replaceWith), OptionPage::kReplace},
    {"replace-scope", true, kRuleOption, SetReplaceScope, OptionPage::kReplace},
    {"case-sensitive", false, kRuleOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.options.caseSensitive = true;
       return nullptr;
     },
     OptionPage::kReplace},
    {"regex", false, kRuleOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.options.regex = true;
       return nullptr;
     },
     OptionPage::kReplace},
    {"recursive", false, kRuleOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.recursive = true;
       return nullptr;
     }},
    {"hidden", false, kRuleOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.hidden = true;
       return nullptr;
     }},
    {"insert-name", true, kRuleOption, SET_TEXT(nameInsertText), OptionPage::kInsert},
    {"insert-name-at", true, kRuleOption, SetNameInsertAt, OptionPage::kInsert},
    {"insert-ext", true, kRuleOption, SET_TEXT(extInsertText), OptionPage::kInsert},
    {"insert-ext-at", true, kRuleOption, SetExtInsertAt, OptionPage::kInsert},
    {"keep-same", false, kRuleOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.options.keepSame = true;
       return nullptr;
     },
     OptionPage::kInsert},
    {"name-case", true, kRuleOption, SetNameCase, OptionPage::kCase},
    {"ext-case", true, kRuleOption, SetExtCase, OptionPage::kCase},
    {"template", true, kRuleOption | kNameTagOption, SetTemplate, OptionPage::kMp3,
     OptionPage::kMeta},
    {"lower-ext", false, kRuleOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.options.metaLowerExtension = true;
       return nullptr;
     },
     OptionPage::kMeta},
    {"dry-run", false, kNameTagOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.dryRun = true;
       return nullptr;
     }},
    {"v1-first", false, kRuleOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.options.v1First = true;
       return nullptr;
     },
     OptionPage::kMp3},
    {"v1", false, kTagChoiceOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.v1 = true;
       return nullptr;
     }},
    {"v2", false, kTagChoiceOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.v2 = true;
       return nullptr;
     }},
    {"skip-conflicts", false, kRenameOnlyOption,
     [](Arguments& a, std::string&&) -> const char* {
       a.skipConflicts = true;
       return nullptr;
     }},
    {"legacy-encoding", true, kLegacyOption, SetLegacyEncoding},
    {"run", true, kUndoOption,
     [](Arguments& a, std::string&& v) -> const char* {
       // A run's number as `history` shows it: decimal digits, not 0.
       std::uint64_t id = 0;
       for (char c : v) {
         if (c < '0' || c > '9' || id > UINT64_MAX / 10 - 1) return "--run 需要一个操作编号（见 tessarn-cli history）";
         id = id * 10 + static_cast<std::uint64_t>(c - '0');
       }
       if (id == 0) return "--run 需要一个操作编号（见 tessarn-cli history）";
       if (a.runId != 0) return "--run 与 --to 只能用其中一个";
       a.runId = id;
       return nullptr;
     }},
    {"to", true, kUndoOption,
     [](Arguments& a, std::string&& v) -> const char* {
       // The oldest run to undo; every newer one not yet undone goes back first.
       std::uint64_t id = 0;
       for (char c : v) {
         if (c < '0' || c > '9' || id > UINT64_MAX / 10 - 1) return "--to 需要一个操作编号（见 tessarn-cli history）";
         id = id * 10 + static_cast<std::uint64_t>(c - '0');
       }
       if (id == 0) return "--to 需要一个操作编号（见 tessarn-cli history）";
       if (a.runId != 0) return "--run 与 --to 只能用其中一个";
       a.runId = id;
       a.undoWithNewer = true;
       return nullptr;
     }},
    {"title", true, kTagFieldOption, SET_TAG(title)},
    {"artist", true, kTagFieldOption, SET_TAG(artist)},
    {"album", true, kTagFieldOption, SET_TAG(album)},
    {"track", true, kTagFieldOption, SET_TAG(track)},
    {"year", true, kTagFieldOption, SET_TAG(year)},
    {"genre", true, kTagFieldOption, SET_TAG(genre)},
    {"comment", true, kTagFieldOption, SET_TAG(comment)},
    {"composer", true, kTagFieldOption, SET_TAG(composer)},
    {"original-artist", true, kTagFieldOption, SET_TAG(originalArtist)},
    {"copyright", true, kTagFieldOption, SET_TAG(copyright)},
    {"url", true, kTagFieldOption, SET_TAG(url)},
    {"encoder", true, kTagFieldOption, SET_TAG(encoder)},
};

#undef SET_TEXT
#undef SET_TAG

unsigned GroupsOf(Command command) {
  switch (command) {
    case Command::kPreview:
      return kRuleOption | kLegacyOption;
    case Command::kRename:
      return kRuleOption | kRenameOnlyOption | kLegacyOption;
    case Command::kUndo:
      return kUndoOption;
    case Command::kTagsShow:
      return kLegacyOption;
    case Command::kTagsSet:
      return kTagFieldOption | kTagChoiceOption | kLegacyOption;
    case Command::kTagsDelete:
      return kTagChoiceOption | kLegacyOption;
    case Command::kTagsFromName:
      return kNameTagOption | kTagChoiceOption | kLegacyOption;
    case Command::kTagsConvert:
      return kLegacyOption;
    default:
      return 0;
  }
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
    default:
      return "tessarn-cli";
  }
}

// Only the shown page's rule names the files, so options of any other page would
// be ignored without a word. They pick the page when --page is not given, and are
// refused when they contradict it or belong to two pages. Returns an error text,
// empty when `page` is settled.
std::string ChoosePage(OptionPage& page, bool pageGiven,
                       const std::vector<const OptionDef*>& used) {
  // An option that two pages read belongs to the page given, when it is one of them.
  auto pageOf = [&](const OptionDef* def) {
    return pageGiven && def->alsoPage == page ? page : *def->page;
  };
  std::vector<OptionPage> pages;
  for (const OptionDef* def : used)
    if (std::find(pages.begin(), pages.end(), pageOf(def)) == pages.end())
      pages.push_back(pageOf(def));
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
    for (const OptionDef* def : used)
      if (pageOf(def) == p) names += (names.empty() ? "--" : "、--") + std::string(def->name);
    listed += names + " 属于 " + PageName(p) + " 页";
  }
  if (pageGiven) return listed + "，与 --page " + PageName(page) + " 不符";
  return listed + "；一次只能用一页的选项，或用 --page 选定一页";
}

bool IsHelp(std::string_view word) { return word == "--help" || word == "-h"; }

}  // namespace

ParseResult ParseArguments(int argc, const char* const* argv) {
  ParseResult result;
  Arguments& a = result.args;
  int i = 1;
  auto fail = [&](std::string message) {
    result.error = std::move(message);
    return result;
  };

  if (i >= argc) return fail("缺少命令（preview、rename、undo、history 或 tags），详见 tessarn-cli --help");
  const std::string_view word = argv[i++];
  if (IsHelp(word)) {
    a.help = true;
    return result;
  }
  if (word == "preview") {
    a.command = Command::kPreview;
  } else if (word == "rename") {
    a.command = Command::kRename;
  } else if (word == "undo") {
    a.command = Command::kUndo;
  } else if (word == "history") {
    a.command = Command::kHistory;
  } else if (word == "tags") {
    a.command = Command::kTags;
    if (i >= argc) return fail("tags 缺少子命令（show、set、delete、from-name 或 convert）");
    const std::string_view sub = argv[i++];
    if (IsHelp(sub)) {
      a.help = true;
      return result;
    }
    if (sub == "show")
      a.command = Command::kTagsShow;
    else if (sub == "set")
      a.command = Command::kTagsSet;
    else if (sub == "delete")
      a.command = Command::kTagsDelete;
    else if (sub == "from-name")
      a.command = Command::kTagsFromName;
    else if (sub == "convert")
      a.command = Command::kTagsConvert;
    else
      return fail("未知的 tags 子命令：" + GbToUtf8Lossy(Utf8ToGbLossy(sub)));
  } else {
    return fail("未知的命令：" + GbToUtf8Lossy(Utf8ToGbLossy(word)));
  }

  const unsigned groups = GroupsOf(a.command);
  bool optionsEnded = false;
  bool pageGiven = false;
  std::vector<const OptionDef*> pageOptions;  // the options that feed one page's rule
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
    if (arg == "--json") {
      a.json = true;
      continue;
    }
    if (arg.substr(0, 2) != "--") return fail("未知的选项：" + std::string(arg));
    std::string_view name = arg.substr(2);
    std::optional<std::string_view> inlineValue;
    if (const auto eq = name.find('='); eq != std::string_view::npos) {
      inlineValue = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    const OptionDef* def = nullptr;
    for (const OptionDef& s : kOptions)
      if (name == s.name) def = &s;
    if (def == nullptr || (def->groups & groups) == 0)
      return fail(std::string(CommandName(a.command)) + " 不接受选项 --" +
                  GbToUtf8Lossy(Utf8ToGbLossy(name)));
    std::string value;
    if (def->takesValue) {
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
      auto gb = Utf8ToGb(raw);
      if (!gb) return fail("选项 --" + std::string(name) + " 的值不是有效的 UTF-8 文本");
      value = *std::move(gb);
    } else if (inlineValue) {
      return fail("选项 --" + std::string(name) + " 不带值");
    }
    if (const char* error = def->apply(a, std::move(value))) return fail(error);
    if (def->apply == SetPage) pageGiven = true;
    // Pages matter to the commands that run a rule; an option the tag commands
    // share with a page (as a text encoding may be) decides nothing there.
    if (def->page && (groups & kRuleOption) != 0 &&
        std::find(pageOptions.begin(), pageOptions.end(), def) == pageOptions.end())
      pageOptions.push_back(def);
  }
  if (std::string error = ChoosePage(a.options.page, pageGiven, pageOptions); !error.empty())
    return fail(std::move(error));

  if (std::string error = CheckTemplate(a); !error.empty()) return fail(std::move(error));

  // The extension box follows the file-name box while "keep same" is ticked.
  if (a.options.keepSame) a.options.extInsertText = a.options.nameInsertText;

  if (a.command == Command::kUndo || a.command == Command::kHistory) {
    if (!a.paths.empty())
      return fail(std::string(CommandName(a.command)) + " 不接受路径参数");
  } else if (a.paths.empty()) {
    return fail(std::string(CommandName(a.command)) + " 至少需要一个路径");
  }
  if (a.command == Command::kTagsDelete && !a.v1 && !a.v2)
    return fail("tags delete 需要 --v1 或 --v2");
  // A pattern that does not compile is refused before any file is looked at.
  if (a.options.regex) {
    NamingOptions onReplacePage = a.options;
    onReplacePage.page = OptionPage::kReplace;
    if (std::string error = RegexPatternError(onReplacePage); !error.empty())
      return fail(GbToUtf8Lossy(error));
  }
  if (a.command == Command::kTagsFromName && a.options.tagTemplate.empty())
    return fail("tags from-name 需要 --template（例如 --template '#1-#2'）");
  return result;
}

}  // namespace tessarn::cli
