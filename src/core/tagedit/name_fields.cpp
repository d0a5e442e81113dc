#include "core/tagedit/name_fields.h"

#include <vector>

#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {

namespace {

// The edit and the field-table row each placeholder digit 1..6 fills.
struct PlaceholderField {
  std::optional<std::string> TagEdits::*edit;
  TagFieldIndex field;
};
constexpr PlaceholderField kPlaceholderFields[7] = {
    {nullptr, kFieldTitle},          {&TagEdits::artist, kFieldArtist},
    {&TagEdits::title, kFieldTitle}, {&TagEdits::album, kFieldAlbum},
    {&TagEdits::track, kFieldTrack}, {&TagEdits::year, kFieldYear},
    {&TagEdits::genre, kFieldGenre},
};

bool IsDigits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// Spaces around a field, the ideographic space (GB18030 A1 A1) among them, are not
// part of it.
std::string_view TrimSpaces(std::string_view s) {
  for (;;) {
    if (!s.empty() && s.front() == ' ') {
      s.remove_prefix(1);
    } else if (s.size() >= 2 && s.substr(0, 2) == "\xA1\xA1") {
      s.remove_prefix(2);
    } else if (!s.empty() && s.back() == ' ') {
      s.remove_suffix(1);
    } else if (s.size() >= 2 && s.substr(s.size() - 2) == "\xA1\xA1" &&
               CharStartAtOrBefore(s, s.size() - 2) == s.size() - 2) {
      s.remove_suffix(2);
    } else {
      return s;
    }
  }
}

bool FitsField(int digit, std::string_view value) {
  if (value.empty()) return false;
  if (digit == 5) return value.size() == 4 && IsDigits(value);
  if (digit == 4) {
    const std::size_t slash = value.find('/');
    if (slash == std::string_view::npos) return IsDigits(value);
    return IsDigits(value.substr(0, slash)) && IsDigits(value.substr(slash + 1));
  }
  return true;
}

// A depth-first search over where each field ends, shortest first. A position
// that failed for a slot fails again, so it is remembered (unless a placeholder
// repeats: then the outcome also depends on the texts found before, and a budget
// of steps keeps a hostile name from taking forever; past it the name does not fit).
class Matcher {
 public:
  Matcher(const ParsedTemplate& parsed, std::string_view name) : name_(name) {
    std::size_t k = 0;
    for (; k < parsed.placeholders.size() && parsed.placeholders[k] != 0; ++k) {
      literals_.push_back(parsed.literals[k]);
      digits_.push_back(parsed.placeholders[k]);
    }
    closing_ = k < parsed.literals.size() ? parsed.literals[k] : std::string();
    bool seen[7] = {};
    for (int d : digits_) {
      repeats_ = repeats_ || seen[d];
      seen[d] = true;
    }
    failed_.assign(digits_.size() * (name.size() + 1), false);
  }

  std::optional<TagEdits> Run() {
    if (digits_.empty() || name_.substr(0, literals_[0].size()) != literals_[0])
      return std::nullopt;
    if (!Match(0, literals_[0].size())) return std::nullopt;
    return edits_;
  }

 private:
  bool Take(std::size_t k, std::size_t from, std::size_t to, std::size_t next) {
    if (++steps_ > kStepBudget) return false;  // and every search above stops
    const int d = digits_[k];
    const std::string_view value = TrimSpaces(name_.substr(from, to - from));
    if (!FitsField(d, value)) return false;
    std::optional<std::string>& slot = edits_.*kPlaceholderFields[d].edit;
    if (slot && *slot != value) return false;
    const bool wasSet = slot.has_value();
    slot = std::string(value);
    if (k + 1 == digits_.size() || Match(k + 1, next)) return true;
    if (!wasSet) slot.reset();
    return false;
  }

  bool Match(std::size_t k, std::size_t pos) {
    const std::size_t memo = k * (name_.size() + 1) + pos;
    if (!repeats_ && failed_[memo]) return false;
    bool ok = false;
    if (k + 1 == digits_.size()) {
      // The last field: the rest of the name, less the closing text.
      const std::size_t rest = name_.size() - pos;
      const std::size_t end = name_.size() - closing_.size();
      ok = rest >= closing_.size() && name_.substr(end) == closing_ &&
           CharStartAtOrBefore(name_, end) == end && Take(k, pos, end, name_.size());
    } else {
      const std::string& literal = literals_[k + 1];
      if (literal.empty()) {
        // Two fields touch: try every character boundary after the first character.
        for (std::size_t e = pos; e < name_.size() && !ok && !Exhausted();) {
          e += CharLenAt(name_, e);
          ok = Take(k, pos, e, e);
        }
      } else {
        for (std::size_t e = FindText(name_, literal, pos, false);
             e != std::string_view::npos && !ok && !Exhausted();
             e = FindText(name_, literal, e + CharLenAt(name_, e), false))
          ok = Take(k, pos, e, e + literal.size());
      }
    }
    if (!ok) failed_[memo] = true;
    return ok;
  }

  bool Exhausted() const { return steps_ > kStepBudget; }

  std::string_view name_;
  std::vector<std::string> literals_;  // the text before each field
  std::vector<int> digits_;
  std::string closing_;  // the text after the last field
  bool repeats_ = false;
  std::vector<bool> failed_;
  TagEdits edits_;
  static constexpr std::size_t kStepBudget = 20000;
  std::size_t steps_ = 0;
};

}  // namespace

std::optional<TagEdits> FieldsFromName(const ParsedTemplate& parsed, std::string_view mainName) {
  return Matcher(parsed, mainName).Run();
}

std::string_view MainNameOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string NameFieldsPreview(const TagEdits& fields) {
  std::string out;
  for (int d = 1; d <= 6; ++d)
    if (const auto& value = fields.*kPlaceholderFields[d].edit) {
      if (!out.empty()) out += ' ';
      out += Gb(kTagFieldTable[kPlaceholderFields[d].field].label);
      out += '=';
      out += *value;
    }
  return out;
}

const std::string& NoMatchStatusText() {
  static const std::string text = Gb("不匹配");
  return text;
}

}  // namespace tessarn
