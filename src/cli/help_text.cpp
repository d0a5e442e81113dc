// The --help texts of the program and of each command.
#include <map>
#include <string>

#include "cli/arguments.h"

namespace tessarn::cli {
namespace {

constexpr const char kMainHelp[] =
    R"(用法：tessarn-cli 命令 [选项] [路径...]

Tessarn批量更名器的命令行版本。

命令：
  preview [选项] 路径...   列出文件及其新文件名，不做任何更改
  rename [选项] 路径...    按选项给文件更名（与“开始命名”相同）
  undo [--run|--to 编号]   撤消最近一次尚未撤消的更名或标签修改
  history                  列出可撤消的更名与标签操作，最新的在前
  tags show 文件...        显示 MP3 文件的 ID3v1 与 ID3v2 标签
  tags set [选项] 文件...  修改 MP3 标签中给出的字段
  tags delete --v1|--v2 文件...  删除 MP3 标签
  tags from-name --template 模板 文件|目录...  从文件名写入标签
  tags convert 文件...     把旧标签中未注明编码的文字转为 Unicode
  presets list             列出保存的方案
  presets delete 名称      删除一个方案

路径是文件时加入该文件；是目录时加入其中的全部文件（不含子目录）；preview 与
rename 加 --recursive（-r）时连同各级子目录中的文件，逐个目录按自然顺序列出，
隐藏的子目录（以“.”开头）除非加 --hidden 否则跳过，指向目录的符号链接不进入。
每个命令都接受 --json（输出一个 JSON 文档）和 --help。

退出状态：0 全部成功；1 部分文件失败；2 用法错误或路径不存在。
撤消记录保存在 $XDG_STATE_HOME/Tessarn/（默认 ~/.local/state/Tessarn/），保留最近 100 次更名。
方案保存在配置目录的 presets/ 中（程序所在目录可写时在程序旁，否则在
~/.config/Tessarn/），每个方案一个 UTF-8 文本文件“名称.ini”。

详见 tessarn-cli 命令 --help。
)";

constexpr const char kPreviewHelp[] =
    R"(用法：tessarn-cli preview [选项] 路径...

列出文件，显示旧文件名和新文件名；不更改任何文件。新名称有冲突的文件标出
“冲突”及原因（目标文件已存在、新文件名重复、文件名过长、文件名无效等）。
)";

// What preview and rename share: the rules, their chain and presets.
constexpr const char kRulesHelp[] =
    R"(
选项均可写成 --选项=值；空文本 "" 也是有效的值。每个规则页的选项只属于该页：没有
--page 时由所给选项决定使用哪一页，两页的选项不能混在一步中。--then 把规则分成
几步（规则链），每一步从上一步得到的名称开始，例如：
  tessarn-cli rename --find IMG_ --replace-with '' --then --page case --ext-case lower 目录
--preset 名称 使用保存的方案（tessarn-cli presets list 列出它们）；preview 可把所给的
步骤保存为方案（见 tessarn-cli preview --help）。
)";

constexpr const char kRenameHelp[] =
    R"(用法：tessarn-cli rename [选项] 路径...

给每个文件更名，不覆盖任何已存在的文件；逐行显示“更名成功”或“更名失败”及
原因，最后显示总结。互相占用名称的文件（如 1→2、2→3 或两个文件互换名称）按
可行的顺序更名，必要时经过一个临时名称。撤消记录在更名前写入，之后可用
tessarn-cli undo 撤消，即使更名过程被中断。

有文件不能更名时（目标文件已存在、缺少MP3标签等）不更名任何文件，列出每个
文件及原因并以 1 退出。
)";

constexpr const char kUndoHelp[] =
    R"(用法：tessarn-cli undo [--run 编号 | --to 编号] [--json]

把最近一次尚未撤消的更名（窗口或命令行所做的）改回原来的名字（不询问），逐行
显示“撤消成功”或“撤消失败”及原因，最后显示总结。更名被中断时，按每个文件的
设备号、inode 及创建时间（或 inode 代数与属主）判断它是否已经更名；inode 被另一
个文件重新使用时也能分辨。名称下已换成另一个文件时不改动它（文件已被替换）。没有
全部撤消的操作留在历史中，可以再试；撤消中途被终止时，下一次撤消把它做完。

标签操作（tags set、tags delete、tags from-name、tags convert，以及窗口中的标签写入）的撤消把
每个文件的旧标签按原样写回；操作之后又被修改过的文件不动（文件已被修改）。

撤消记录损坏时只撤消记录仍能证明的部分，说明记录已损坏并以 1 退出。
)";

constexpr const char kHistoryHelp[] =
    R"(用法：tessarn-cli history [--json]

列出撤消历史中的操作，最新的在前：编号、时间、来源（窗口或命令行）、类型（更名
或标签）、文件数、状态、记录的大小和第一个目录，最后是全部记录的大小。操作按从新
到旧的顺序撤消。撤消历史最多保留 100 次操作，总大小不超过设置中的上限（默认
1 GB），超出时先删除最早的操作。JSON 中 "kind" 为 "rename" 或 "tags"，"bytes" 为
记录的大小，"totalBytes" 为总大小。
)";

constexpr const char kTagsHelp[] =
    R"(用法：tessarn-cli tags show|set|delete|from-name|convert [选项] 文件...

  tags show 文件...              显示 ID3v1 与 ID3v2 标签
  tags set [选项] 文件...        修改标签字段
  tags delete --v1|--v2 文件...  删除标签
  tags from-name --template 模板 文件|目录...  从文件名写入标签
  tags convert 文件...           把未注明编码的旧文字转为 Unicode

详见 tessarn-cli tags 子命令 --help。
)";

constexpr const char kTagsShowHelp[] =
    R"(用法：tessarn-cli tags show [--json] [--legacy-encoding auto|gbk|latin1] 文件...

显示每个 MP3 文件的两种标签：是否存在以及各字段（ID3v1 七项，ID3v2 十二项）。
)";

constexpr const char kTagsSetHelp[] =
    R"(用法：tessarn-cli tags set [--v1] [--v2] [字段选项] 文件...

修改所选标签中给出的字段，其余字段保持不变；--v1 与 --v2 都不给时修改两种标签。
没有该标签的文件会得到一个新标签。


未给出的字段保留原来的字节；给出的 ID3v2 字段（即使与原来的文字相同）能用
ISO-8859-1 表示时按 ISO-8859-1 写入，否则 v2.3 标签用 UTF-16、v2.4 标签用 UTF-8。
标签保持原来的版本（v2.2 写成 v2.3）。每个文件在其锁下读取、修改并写入，同时修改
同一文件不同字段的两次运行都会保留各自的修改。

ID3v1 的字段有字节上限（中文字符每个占 2 字节）：歌曲名、艺术家、专辑各 30 字节，
年代 4 字节，音轨为 0 到 255 的数字，注释 30 字节（有音轨时 28 字节）；超出时拒绝，
不修改任何文件。
)";

constexpr const char kTagsDeleteHelp[] =
    R"(用法：tessarn-cli tags delete [--v1] [--v2] [--json] [--legacy-encoding ...] 文件...

删除所选的标签（至少给出 --v1 或 --v2 之一）。
)";

constexpr const char kTagsConvertHelp[] =
    R"(用法：tessarn-cli tags convert [--legacy-encoding auto|gbk|latin1] [--json] 文件...

把 ID3v2 标签中编码字节为 0、且不全是 ASCII 字符的文字帧（歌曲名、艺术家、注释等，
包括其他程序写入的文字帧）按 --legacy-encoding 读出（默认 auto：有效 GBK 且含中文
字符时按 GBK，否则按 Latin-1），改写为 Unicode：v2.3 标签用 UTF-16，v2.4 标签用
UTF-8。其他帧（以及 ID3v1 标签）一个字节也不变；没有 ID3v2 标签的文件不会得到标签。
这是一次可以撤消的标签操作（tessarn-cli undo）。
)";

constexpr const char kTagsFromNameHelp[] =
    R"(用法：tessarn-cli tags from-name --template 模板 [--v1] [--v2] [--dry-run] [--json] 文件|目录...

按模板从 MP3 文件的主文件名（不含扩展名）读出字段并写入标签，与 MP3标签页的命名
相反：#1 艺术家、#2 歌曲名、#3 专辑、#4 音轨、#5 年代、#6 流派，其余文字须原样出现
在文件名中。各字段依次匹配，每个字段取到下一段文字为止的最短文本，最后一个字段取其余
部分；字段两边的空格去掉。#4 只接受数字（可带“/总数”），#5 只接受四位数字。
目录表示其中的文件；非 MP3 文件与不符合模板的文件不会被修改。

--v1 只写 ID3v1（字段超出 ID3v1 的上限时该文件失败），--v2 只写 ID3v2；两者都不给：
写 ID3v2，字段都放得下时也写 ID3v1；两者都给：两种标签都写，放不下 ID3v1 时该文件失败。
)";

constexpr const char kPresetsHelp[] =
    R"(用法：tessarn-cli presets list|delete ...

  presets list [--json]    列出保存的方案及其步骤
  presets delete 名称      删除一个方案

方案是配置目录中 presets/名称.ini 的 UTF-8 文本文件，可以在计算机之间复制。文件中
每一步是一节 [step]：rule= 规则页（numbering、replace 等），enabled= 是否启用，其余
各行是该页的选项，名称与命令行选项相同（不带 --）。窗口中的“保存方案...”保存同样
的文件。
)";

constexpr const char kPresetsListHelp[] =
    R"(用法：tessarn-cli presets list [--json]

列出保存的方案：名称和各步骤。无法读取的方案文件标出原因。
)";

constexpr const char kPresetsDeleteHelp[] =
    R"(用法：tessarn-cli presets delete 名称

删除保存的方案。
)";

const char* ProseOf(Command command) {
  switch (command) {
    case Command::kPreview:
      return kPreviewHelp;
    case Command::kRename:
      return kRenameHelp;
    case Command::kUndo:
      return kUndoHelp;
    case Command::kHistory:
      return kHistoryHelp;
    case Command::kTags:
      return kTagsHelp;
    case Command::kTagsShow:
      return kTagsShowHelp;
    case Command::kTagsSet:
      return kTagsSetHelp;
    case Command::kTagsDelete:
      return kTagsDeleteHelp;
    case Command::kTagsFromName:
      return kTagsFromNameHelp;
    case Command::kTagsConvert:
      return kTagsConvertHelp;
    case Command::kPresets:
      return kPresetsHelp;
    case Command::kPresetsList:
      return kPresetsListHelp;
    case Command::kPresetsDelete:
      return kPresetsDeleteHelp;
    default:
      return kMainHelp;
  }
}

// Columns in the width a terminal shows them: a Chinese character takes two.
std::size_t ShownWidth(const std::string& utf8) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if ((c & 0xC0) == 0x80) continue;
    width += c >= 0xE0 ? 2 : 1;
  }
  return width;
}

void AppendOptionLine(std::string& text, const CliOption& option) {
  std::string left = std::string("  --") + option.name;
  if (option.value) left += std::string(" ") + option.value;
  constexpr std::size_t kColumn = 26;
  const std::size_t width = ShownWidth(left);
  text += left;
  if (width + 2 > kColumn)
    text += "\n" + std::string(kColumn, ' ');
  else
    text += std::string(kColumn - width, ' ');
  text += option.help;
  text += "\n";
}

// The prose of a command, then every option it accepts from the one table; the
// rules' options under their page's caption.
std::string MakeHelp(Command command) {
  std::string text = ProseOf(command);
  if (command == Command::kPreview || command == Command::kRename) text += kRulesHelp;
  bool any = false;
  for (const CliOption& option : CliOptions()) {
    if (option.unit != nullptr || !AcceptsOption(command, option)) continue;
    if (!any) text += "\n选项：\n";
    any = true;
    AppendOptionLine(text, option);
  }
  for (const RuleUnit* unit : RuleUnits()) {
    bool heading = false;
    for (const CliOption& option : CliOptions()) {
      if (option.unit != unit || !AcceptsOption(command, option)) continue;
      if (!heading) text += std::string("\n  ") + unit->caption + "（" + unit->key + "）：\n";
      heading = true;
      AppendOptionLine(text, option);
    }
  }
  if (command == Command::kNone) text += "\n  --help, -h               显示帮助\n";
  return text;
}

}  // namespace

const char* HelpText(Command command) {
  static std::map<Command, std::string> texts;
  auto [it, made] = texts.try_emplace(command);
  if (made) it->second = MakeHelp(command);
  return it->second.c_str();
}

}  // namespace tessarn::cli
