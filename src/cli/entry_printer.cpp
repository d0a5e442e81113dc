#include "cli/entry_printer.h"

#include <deque>
#include <utility>

#include "cli/json.h"
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
    if (i == 0 || row.folder != lastFolder) {
      AppendGb(buf, row.folder);
      buf += '\n';
      lastFolder = row.folder;
    }
    buf += "  ";
    AppendGb(buf, row.oldName);
    buf += " \xE2\x86\x92 ";  // →
    AppendGb(buf, row.newName);
    if (!row.status.empty()) {
      buf += "  ";
      buf += statuses.Utf8(row.status);
    }
    if (row.reason != RenameReason::kNone) {
      if (row.status.empty()) buf += "  \xE5\x86\xB2\xE7\xAA\x81";  // 冲突
      buf += "\xEF\xBC\x88";                                      // （
      AppendGb(buf, ReasonText(row.reason, row.error));
      buf += "\xEF\xBC\x89";  // ）
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
