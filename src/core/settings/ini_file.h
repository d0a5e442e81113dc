// A small INI reader and writer that treats a file the way the Windows profile
// functions do: sections and keys are matched without regard to ASCII case, the
// first match wins, a key's value is replaced where it stands, a new key goes to
// the end of its section and a new section to the end of the file. Every line the
// program does not write (comments, other sections and keys, blank lines) is kept
// byte for byte, line endings included.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarn {

struct IniLine {
  std::string text;    // without its line ending
  std::string ending;  // "\r\n", "\n", or empty for a last line without one
};

struct IniFile {
  std::vector<IniLine> lines;
  std::string newline = "\n";  // ending of lines the program adds: the file's own style
};

IniFile ParseIni(std::string_view text);
std::string IniText(const IniFile& ini);

// The value of a key, spaces around it trimmed and one pair of enclosing quotes
// removed; nullopt when the section or the key is missing.
std::optional<std::string> IniGet(const IniFile& ini, std::string_view section,
                                  std::string_view key);
std::string IniGetOr(const IniFile& ini, std::string_view section, std::string_view key,
                     std::string_view fallback);

void IniSet(IniFile& ini, std::string_view section, std::string_view key, std::string_view value);

// Whole-file access. ReadWholeFile is false when the file is missing, not a regular
// file, or unreadable. WriteFileReplacing writes a temporary file beside the target
// and renames it over the target, so a failed write leaves the old file whole.
bool FileExists(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& content);
bool WriteFileReplacing(const std::string& path, std::string_view content);

}  // namespace tessarn
