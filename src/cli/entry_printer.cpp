#include "cli/entry_printer.h"

#include <deque>
#include <utility>

#include "cli/json.h"
#include "core/filelist/rename_plan.h"
#include "core/text/encoding.h"

namespace tessarn::cli {

void AppendGb(std::string& out, std::string_view gb) {
  for (char c : gb)
    if (static_cast<unsigned char>(c) >= 0x80) {
      out += GbToUtf8Lossy(gb);
      return;
    }
  out.append(gb);
}

namespace {

bool IsControlAt(std::string_view s, std::size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x20 || c == 0x7F) return true;
  // U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
  return c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0 &&
         static_cast<unsigned char>(s[i + 1]) >= 0x80;
}

void AppendEscaped(std::string& out, std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (!IsControlAt(utf8, i)) {
      out += utf8[i];
      continue;
    }
    const auto c = static_cast<unsigned char>(utf8[i]);
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case 0xC2: {
        const auto next = static_cast<unsigned char>(utf8[++i]);
        out += "\\u00";
        out += kHex[next >> 4];
        out += kHex[next & 0xF];
        break;
      }
      default:
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
  }
}

}  // namespace

std::string EscapeControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  AppendEscaped(out, utf8);
  return out;
}

void AppendGbForTerminal(std::string& out, std::string_view gb) {
  // Printable ASCII, most names, is the same bytes in every form: one pass.
  bool printableAscii = true;
  for (char c : gb) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7F) {
      printableAscii = false;
      break;
    }
  }
  if (printableAscii) {
    out.append(gb);
    return;
  }
  const std::size_t start = out.size();
  AppendGb(out, gb);
  // Names without control characters, nearly all of them, are left as converted.
  const std::string_view added = std::string_view(out).substr(start);
  for (std::size_t i = 0; i < added.size(); ++i)
    if (IsControlAt(added, i)) {
      const std::string shown = EscapeControls(added);
      out.resize(start);
      out += shown;
      return;
    }
}

namespace {

// Statuses and tag statuses come from a handful of texts; converting each once
// keeps iconv out of the per-row work.
class StatusTexts {
 public:
  const std::string& Utf8(std::string_view gb) {
    for (const auto& [from, to] : known_)
      if (from == gb) return to;
    std::string utf8;
    AppendGb(utf8, gb);
    known_.emplace_back(std::string(gb), std::move(utf8));
    return known_.back().second;
  }

 private:
  std::deque<std::pair<std::string, std::string>> known_;
};

void PrintText(Output& out, std::size_t count, const std::function<PrintedRow(std::size_t)>& rowAt,
               const PrintedTotals& totals) {
  std::string& buf = out.buffer();
  StatusTexts statuses;
  std::string_view lastFolder;
  for (std::size_t i = 0; i < count; ++i) {
    const PrintedRow row = rowAt(i);
    // Rows of one folder mostly share its text: the same bytes need no comparing.
    const bool sameFolder = i > 0 && ((row.folder.data() == lastFolder.data() &&
                                       row.folder.size() == lastFolder.size()) ||
                                      row.folder == lastFolder);
    if (!sameFolder) {
      AppendGbForTerminal(buf, row.folder);
      buf += '\n';
      lastFolder = row.folder;
    }
    buf += "  ";
    AppendGbForTerminal(buf, row.oldName);
    buf += " \xE2\x86\x92 ";  // →
    AppendGbForTerminal(buf, row.newName);
    if (!row.status.empty()) {
      buf += "  ";
      buf += statuses.Utf8(row.status);
    }
    if (row.reason != RenameReason::kNone) {
      if (row.status.empty()) buf += "  不会更名";
      buf += "（";
      AppendGb(buf, ReasonText(row.reason, row.error));
      buf += "）";
    } else if (row.recoded) {
      buf += "  （";
      AppendGb(buf, RecodedNoteText());
      buf += "）";
    }
    if (!row.tagStatus.empty()) {
      buf += "  [";
      buf += statuses.Utf8(row.tagStatus);
      buf += ']';
    }
    buf += '\n';
    out.MaybeFlush();
  }
  if (!totals.summary.empty()) {
    // The message box breaks its lines with CR LF; a terminal wants LF alone.
    std::string summary;
    AppendGb(summary, totals.summary);
    std::string lf;
    for (std::size_t i = 0; i < summary.size(); ++i)
      if (!(summary[i] == '\r' && i + 1 < summary.size() && summary[i + 1] == '\n'))
        lf += summary[i];
    if (count > 0) buf += '\n';
    buf += lf;
    buf += '\n';
  }
}

void PrintJson(Output& out, std::size_t count, const std::function<PrintedRow(std::size_t)>& rowAt,
               const PrintedTotals& totals) {
  std::string& buf = out.buffer();
  StatusTexts statuses;
  buf += "{\"entries\":[";
  for (std::size_t i = 0; i < count; ++i) {
    const PrintedRow row = rowAt(i);
    if (i > 0) buf += ',';
    buf += "\n{\"folder\":";
    AppendJsonGbString(buf, row.folder);
    buf += ",\"old\":";
    AppendJsonGbString(buf, row.oldName);
    buf += ",\"new\":";
    AppendJsonGbString(buf, row.newName);
    buf += ",\"status\":";
    AppendJsonString(buf, statuses.Utf8(row.status));
    buf += ",\"tagStatus\":";
    AppendJsonString(buf, statuses.Utf8(row.tagStatus));
    if (row.reason != RenameReason::kNone) {
      buf += ",\"reason\":";
      AppendJsonString(buf, ReasonCode(row.reason));
      buf += ",\"message\":";
      AppendJsonGbString(buf, ReasonText(row.reason, row.error));
    }
    if (row.recoded) buf += ",\"recoded\":true";
    buf += '}';
    out.MaybeFlush();
  }
  buf += "\n],\"renamed\":";
  out << static_cast<long long>(totals.renamed);
  buf += ",\"failed\":";
  out << static_cast<long long>(totals.failed);
  buf += "}\n";
}

}  // namespace

void PrintRows(Output& out, bool json, std::size_t count,
               const std::function<PrintedRow(std::size_t)>& rowAt, const PrintedTotals& totals) {
  if (json)
    PrintJson(out, count, rowAt, totals);
  else
    PrintText(out, count, rowAt, totals);
}

}  // namespace tessarn::cli
