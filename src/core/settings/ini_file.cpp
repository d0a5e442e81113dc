#include "core/settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// Trail bytes of GBK and GB18030 characters are never a space or a tab, so trimming
// byte-wise cannot cut into a character.
std::string_view Trim(std::string_view s) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// "[name]" gives name; any other line nullopt.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.rfind(']');
  if (close == std::string_view::npos || close == 0) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// "key=value" gives key; section headers and lines without "=" give nullopt.
std::optional<std::string_view> KeyOf(std::string_view line) {
  if (SectionOf(line)) return std::nullopt;
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

std::string_view ValueOf(std::string_view line) {
  std::string_view v = Trim(line.substr(line.find('=') + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

// Index of the first header of `section`, or lines.size().
std::size_t FindSection(const IniFile& ini, std::string_view section) {
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    const auto name = SectionOf(ini.lines[i].text);
    if (name && EqualsIgnoreAsciiCase(*name, section)) return i;
  }
  return ini.lines.size();
}

// One past the last line of the section whose header is at `header`.
std::size_t SectionEnd(const IniFile& ini, std::size_t header) {
  std::size_t i = header + 1;
  while (i < ini.lines.size() && !SectionOf(ini.lines[i].text)) ++i;
  return i;
}

std::size_t FindKey(const IniFile& ini, std::size_t header, std::string_view key) {
  const std::size_t end = SectionEnd(ini, header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const auto name = KeyOf(ini.lines[i].text);
    if (name && EqualsIgnoreAsciiCase(*name, key)) return i;
  }
  return ini.lines.size();
}

void InsertLine(IniFile& ini, std::size_t at, std::string text) {
  // The line before a new one may have been the file's unterminated last line.
  if (at > 0 && ini.lines[at - 1].ending.empty()) ini.lines[at - 1].ending = ini.newline;
  ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at),
                   IniLine{std::move(text), ini.newline});
}

}  // namespace

IniFile ParseIni(std::string_view text) {
  IniFile ini;
  bool styleKnown = false;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    IniLine line;
    if (nl == std::string_view::npos) {
      line.text = std::string(text);
      text = {};
    } else {
      std::string_view body = text.substr(0, nl);
      line.ending = "\n";
      if (!body.empty() && body.back() == '\r') {
        body.remove_suffix(1);
        line.ending = "\r\n";
      }
      line.text = std::string(body);
      text.remove_prefix(nl + 1);
      if (!styleKnown) {
        ini.newline = line.ending;
        styleKnown = true;
      }
    }
    ini.lines.push_back(std::move(line));
  }
  return ini;
}

std::string IniText(const IniFile& ini) {
  std::string out;
  for (const auto& line : ini.lines) {
    out += line.text;
    out += line.ending;
  }
  return out;
}

std::optional<std::string> IniGet(const IniFile& ini, std::string_view section,
                                  std::string_view key) {
  const std::size_t header = FindSection(ini, section);
  if (header == ini.lines.size()) return std::nullopt;
  const std::size_t at = FindKey(ini, header, key);
  if (at == ini.lines.size()) return std::nullopt;
  return std::string(ValueOf(ini.lines[at].text));
}

std::string IniGetOr(const IniFile& ini, std::string_view section, std::string_view key,
                     std::string_view fallback) {
  auto value = IniGet(ini, section, key);
  return value ? *std::move(value) : std::string(fallback);
}

void IniSet(IniFile& ini, std::string_view section, std::string_view key,
            std::string_view rawValue) {
  // A line break in a value would start a line of its own when read back.
  std::string value(rawValue);
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  const std::size_t header = FindSection(ini, section);
  if (header == ini.lines.size()) {
    InsertLine(ini, ini.lines.size(), "[" + std::string(section) + "]");
    InsertLine(ini, ini.lines.size(), std::string(key) + "=" + std::string(value));
    return;
  }
  const std::size_t at = FindKey(ini, header, key);
  if (at != ini.lines.size()) {
    // Keep the key as the file spells it; only the value changes.
    std::string& text = ini.lines[at].text;
    text = std::string(*KeyOf(text)) + "=" + std::string(value);
    return;
  }
  // After the section's last non-blank line, so a blank separator stays in place.
  std::size_t insertAt = header + 1;
  const std::size_t end = SectionEnd(ini, header);
  for (std::size_t i = header + 1; i < end; ++i)
    if (!Trim(ini.lines[i].text).empty()) insertAt = i + 1;
  InsertLine(ini, insertAt, std::string(key) + "=" + std::string(value));
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  if (!FileExists(path)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFileReplacing(const std::string& path, std::string_view content) {
  // Through a symbolic link the link stays and its target is replaced.
  std::string target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  mode_t mode = 0644;
  if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;

  std::string tmp = target + ".XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  // Replacing the old file is the point here, unlike the rename of a user's file.
  if (ok) ok = std::rename(tmp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

}  // namespace tessarn
