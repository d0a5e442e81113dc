// The values of every option control on the six pages, read afresh for every pass.
// Texts are GB18030 as the controls hold them; number boxes keep their text.
#pragma once

#include <string>

#include "core/text/legacy_text.h"

namespace tessarn {

enum class OptionPage { kNumbering = 0, kReplace = 1, kInsert = 2, kCase = 3, kMp3 = 4, kMeta = 5 };
enum class NumberingScope { kFileName, kExtension, kAll };
enum class ReplaceScope { kFileNameOnly, kExtensionOnly, kAll };
enum class InsertMode { kAtPosition, kAtEnd };
enum class CaseRule { kAllUpper, kAllLower, kFirstUpper, kFirstLower };

struct NamingOptions {
  OptionPage page = OptionPage::kNumbering;  // the page currently shown

  // Page "常规"
  NumberingScope numberingScope = NumberingScope::kFileName;
  std::string namePrefix;
  std::string mainName;
  std::string nameDigits = "1";
  std::string nameSuffix;
  std::string extPrefix;
  std::string newExtension;
  std::string extDigits;
  std::string extSuffix;
  std::string startValue = "0";
  std::string increment = "1";

  // Page "替换/删除"
  std::string findText;
  std::string replaceWith;
  ReplaceScope replaceScope = ReplaceScope::kFileNameOnly;
  bool caseSensitive = false;
  bool regex = false;  // the find text is a regular expression ("正则表达式")

  // Page "插入"
  std::string nameInsertText;
  std::string extInsertText;
  bool keepSame = false;
  InsertMode nameInsertMode = InsertMode::kAtPosition;
  std::string nameInsertPos = "1";
  InsertMode extInsertMode = InsertMode::kAtPosition;
  std::string extInsertPos = "1";

  // Page "大小写"
  CaseRule nameCase = CaseRule::kAllUpper;
  CaseRule extCase = CaseRule::kAllUpper;

  // Page "MP3标签"
  std::string tagTemplate;
  bool v1First = false;
  // How tag text of unknown encoding is read: the setting "旧标签编码", or the
  // command line's --legacy-encoding.
  LegacyEncoding legacyEncoding = LegacyEncoding::kAuto;

  // Page "元数据": names from what is inside each file ({taken}, {artist}, ...);
  // its {n} counts with the numbering page's start, increment and digits.
  std::string metaTemplate;
  bool metaLowerExtension = false;  // the extension lower-cased, else kept as it is
};

// A number box's text as a number: decimal, empty is 0, any fraction cut toward
// zero; text that is not a number gives the value of its leading digits (or 0).
long long OptionNumber(const std::string& text);

}  // namespace tessarn
