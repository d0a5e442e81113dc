// The --help texts of the program and of each command.
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
  tags show 文件...        显示音频文件的标签（MP3 的 ID3v1 与 ID3v2，及其他格式）
  tags set [选项] 文件...  修改 MP3 标签中给出的字段
  tags delete --v1|--v2 文件...  删除 MP3 标签
  tags from-name --template 模板 文件|目录...  从文件名写入标签
  tags convert 文件...     把旧标签中未注明编码的文字转为 Unicode

路径是文件时加入该文件；是目录时加入其中的全部文件（不含子目录）；preview 与
rename 加 --recursive（-r）时连同各级子目录中的文件，逐个目录按自然顺序列出，
隐藏的子目录（以“.”开头）除非加 --hidden 否则跳过，指向目录的符号链接不进入。
每个命令都接受 --json（输出一个 JSON 文档）和 --help。

退出状态：0 全部成功；1 部分文件失败；2 用法错误或路径不存在。
撤消记录保存在 $XDG_STATE_HOME/Tessarn/（默认 ~/.local/state/Tessarn/），保留最近 100 次更名。

详见 tessarn-cli 命令 --help。
)";

constexpr const char kRuleOptions[] =
    R"(
选项（均可写成 --选项=值；空文本 "" 也是有效的值）：
  --page numbering|replace|insert|case|mp3|meta   使用的规则页（默认：所给选项所属
                                              的页，没有这类选项时为 numbering）
  --json                                      输出 JSON
  --recursive, -r        目录连同其子目录中的文件
  --hidden               与 --recursive 一起：也进入隐藏的子目录

  常规（numbering）：
  --scope name|ext|all   作用于文件名、扩展名或全部（默认 name）
  --prefix 文本          文件名前缀
  --name 文本            主文件名
  --digits 位数          序号位数（默认 1）
  --suffix 文本          文件名后缀
  --ext-prefix 文本      扩展名前缀
  --ext 文本             新扩展名
  --ext-digits 位数      扩展名序号位数（默认为空：扩展名不加序号）
  --ext-suffix 文本      扩展名后缀
  --start 数             起始量（默认 0）
  --step 数              增量（默认 1）

  替换/删除（replace）：
  --find 文本            查找内容
  --replace-with 文本    替换为（为空时表示删除查找内容）
  --replace-scope name|ext|all   应用于仅文件名、仅扩展名或全部（默认 name）
  --case-sensitive       区分大小写
  --regex                查找内容是正则表达式（PCRE2）；替换为中可用 $0–$9、${名称}，
                         $$ 表示 $；表达式有误时为用法错误

  插入（insert）：
  --insert-name 文本     插入到文件名的字符
  --insert-name-at N|end 插入到文件名第 N 个位置或文件名尾（默认 1）
  --insert-ext 文本      插入到扩展名的字符
  --insert-ext-at N|end  插入到扩展名第 N 个位置或扩展名尾（默认 1）
  --keep-same            扩展名的字符与文件名的保持一致

  大小写（case）：
  --name-case upper|lower|first-upper|first-lower   文件名（默认 upper）
  --ext-case upper|lower|first-upper|first-lower    扩展名（默认 upper）

  MP3标签（mp3）：
  --template 规则        命名规则，#1 艺术家 #2 歌曲名 #3 专辑 #4 音轨 #5 年代 #6 流派
  --v1-first             ID3v1.x 优先（默认 ID3v2.x 优先）
  --legacy-encoding auto|gbk|latin1   未注明编码的标签文字（ID3v1 及 ID3v2 编码 0）按
                         GBK 还是 Latin-1 读取；auto（默认）在文字是有效 GBK 且含中文
                         字符时按 GBK，否则按 Latin-1

  元数据（meta）：
  --template 模板        用文件内的信息组成主文件名，扩展名保留，例如
                         '{taken:%Y-%m-%d_%H%M%S}' 或 '{artist}-{title}'
                         音频：{title} {artist} {album} {albumartist} {track} {disc}
                               {year} {genre} {comment}（MP3、FLAC、Ogg、Opus、M4A、
                               WMA、APE、WavPack、AIFF、WAV）
                         照片：{taken} 拍摄时间 {camera} 相机 {lens} 镜头 {width} {height}
                               （JPEG、PNG、TIFF、HEIC、AVIF 及常见 RAW 格式）
                         文件：{modified} 修改时间 {size} 字节数 {name} 原主文件名
                               {n} 序号（按 --start、--step、--digits）
                         日期在冒号后跟 strftime 格式：{taken:%Y%m%d}；数字跟位数：
                         {track:2} 得 07；竖线后是缺少该信息时的替代文字：
                         {taken:%Y%m%d|未知日期}；{{ 与 }} 表示括号本身。
                         缺少某项信息又没有替代文字的文件标为“缺少元数据”（no-metadata）
  --lower-ext            扩展名改为小写
  --start、--step、--digits   {n} 的起始量、增量与位数（同常规页）
)";

constexpr const char kPreviewHelp[] =
    R"(用法：tessarn-cli preview [选项] 路径...

列出文件，显示旧文件名和新文件名；不更改任何文件。新名称有冲突的文件标出
“冲突”及原因（目标文件已存在、新文件名重复、文件名过长、文件名无效等）。
)";

constexpr const char kRenameHelp[] =
    R"(用法：tessarn-cli rename [选项] 路径...

给每个文件更名，不覆盖任何已存在的文件；逐行显示“更名成功”或“更名失败”及
原因，最后显示总结。互相占用名称的文件（如 1→2、2→3 或两个文件互换名称）按
可行的顺序更名，必要时经过一个临时名称。撤消记录在更名前写入，之后可用
tessarn-cli undo 撤消，即使更名过程被中断。

新名称有冲突时不更名任何文件，列出每个冲突并以 1 退出。

  --skip-conflicts   跳过有冲突的文件，其余照常更名
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

  --run 编号   撤消这一次操作（编号见 tessarn-cli history）；比它新的操作须已撤消
  --to 编号    撤消这一次操作以及比它新、尚未撤消的所有操作，从新到旧依次撤消

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
FLAC、Ogg、Opus、M4A、WMA、APE、WavPack、AIFF、WAV 文件显示各格式共有的字段（歌曲名、
艺术家、专辑、音轨、年代、流派、注释、专辑艺术家、碟号）；--json 中这些字段在每个文件
（MP3 也一样）的 "tags" 之下，键名相同，"format" 给出格式。
--legacy-encoding 决定未注明编码的文字按 GBK 还是 Latin-1 读取（默认 auto：有效 GBK
且含中文字符时按 GBK，否则按 Latin-1）。
)";

constexpr const char kTagsSetHelp[] =
    R"(用法：tessarn-cli tags set [--v1] [--v2] [字段选项] 文件...

修改所选标签中给出的字段，其余字段保持不变；--v1 与 --v2 都不给时修改两种标签。
没有该标签的文件会得到一个新标签。

  --title 文本            歌曲名
  --artist 文本           艺术家
  --album 文本            专辑
  --track 音轨            音轨
  --year 年代             年代
  --genre 流派            流派列表中的名称（例如 Rock）或其编号 0 到 125；空文本
                          表示无流派；ID3v1 中保存其编号
  --comment 文本          注释
  仅 ID3v2：
  --composer 文本         作曲家
  --original-artist 文本  原创者
  --copyright 文本        版权
  --url 文本              URL
  --encoder 文本          编码者
  --legacy-encoding auto|gbk|latin1   未注明编码的旧文字如何读取（默认 auto）
  --json                  输出 JSON

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

  --template 模板   例如 '#1-#2'（最多 50 字节）
  --v1              只写 ID3v1；字段超出 ID3v1 的上限时该文件失败
  --v2              只写 ID3v2
                    两者都不给：写 ID3v2，字段都放得下时也写 ID3v1；两者都给：
                    两种标签都写，放不下 ID3v1 时该文件失败
  --dry-run         只显示读出的字段，不修改文件
  --legacy-encoding auto|gbk|latin1   未注明编码的旧文字如何读取（默认 auto）
  --json            输出 JSON
)";

}  // namespace

const char* HelpText(Command command) {
  static const std::string kPreview = std::string(kPreviewHelp) + kRuleOptions;
  static const std::string kRename = std::string(kRenameHelp) + kRuleOptions;
  switch (command) {
    case Command::kPreview:
      return kPreview.c_str();
    case Command::kRename:
      return kRename.c_str();
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
    default:
      return kMainHelp;
  }
}

}  // namespace tessarn::cli
