// Printing the rows of preview, rename and undo, as text or as one JSON document.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "cli/output.h"
#include "core/filelist/rename_reason.h"

namespace tessarn::cli {

// One printed row; every text is GB18030 (folder: the entry's folder text).
struct PrintedRow {
  std::string_view folder;
  std::string_view oldName;
  std::string_view newName;
  std::string_view status;
  std::string_view tagStatus;
  RenameReason reason = RenameReason::kNone;  // why it failed or would fail
  int error = 0;                              // the errno behind kOther
  bool recoded = false;  // the name only changes its encoding (GBK bytes written as UTF-8)
};

struct PrintedTotals {
  std::size_t renamed = 0;
  std::size_t failed = 0;
  std::string summary;  // GB18030, the window's summary box text; empty for none
};

// Text: a line with the folder whenever it changes, then "  old → new", the status
// (or "不会更名" for a row of a preview that will not be renamed) with its reason in
// brackets (or the encoding note of a recoded name) and, in square brackets, the
// tag status; the summary after a blank line.
// JSON: {"entries":[{"folder","old","new","status","tagStatus"[,"reason","message"]
// [,"recoded":true]}...], "renamed":N,"failed":N}; "reason" (a stable code) and
// "message" only on rows that have a reason.
void PrintRows(Output& out, bool json, std::size_t count,
               const std::function<PrintedRow(std::size_t)>& rowAt, const PrintedTotals& totals);

// Appends GB18030 text to out as UTF-8 (U+FFFD for what does not convert).
void AppendGb(std::string& out, std::string_view gb);

// The same for text meant for a terminal: control characters a name may hold are
// shown escaped ("\n", "\t", "\x1b"; U+0080–U+009F as "\u0085") so that a name
// can neither break the line layout nor send commands to the terminal.
void AppendGbForTerminal(std::string& out, std::string_view gb);
// UTF-8 text with its control characters escaped as above.
std::string EscapeControls(std::string_view utf8);

}  // namespace tessarn::cli
