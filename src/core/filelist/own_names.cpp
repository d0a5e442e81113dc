#include "core/filelist/own_names.h"

#include <algorithm>

namespace tessarn {
namespace {

constexpr std::string_view kOwnPrefix = ".tessarn-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::string_view kRewritePrefix = ".tessarn-rewrite-";
constexpr std::size_t kRewriteLetters = 6;

bool IsLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

bool IsRecoveryRecordName(std::string_view name) {
  return name.size() > kRecoveryRecordSuffix.size() + 1 && name[0] == '.' &&
         name.ends_with(kRecoveryRecordSuffix);
}

bool IsTemporaryRenameName(std::string_view name) {
  return name.size() > kOwnPrefix.size() + kTemporarySuffix.size() &&
         name.starts_with(kOwnPrefix) && name.ends_with(kTemporarySuffix);
}

bool IsRewriteLeftoverName(std::string_view name) {
  return name.size() == kRewritePrefix.size() + kRewriteLetters &&
         name.starts_with(kRewritePrefix) &&
         std::all_of(name.begin() + kRewritePrefix.size(), name.end(), IsLetterOrDigit);
}

bool IsOwnWorkingName(std::string_view name) {
  // Every one of them starts with a dot: most names are done with one comparison.
  if (name.empty() || name[0] != '.') return false;
  return IsRecoveryRecordName(name) || IsTemporaryRenameName(name) || IsRewriteLeftoverName(name);
}

}  // namespace tessarn
