// Where config.ini and dir.txt live: beside the program when the user may write
// there (a portable copy in a folder of its own), otherwise in the user's
// configuration folder, as an installed program must.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/settings/app_settings.h"

namespace tessarn {
namespace {

std::string WithoutTrailingSlash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

bool IsWritableDirectory(const std::string& dir) {
  struct stat st {};
  return !dir.empty() && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(dir.c_str(), W_OK) == 0;
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
    return pw->pw_dir;
  return "/tmp";
}

// mkdir -p; an existing folder is fine.
void MakeDirectories(const std::string& dir) {
  for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    const std::string part = dir.substr(0, slash);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return;
    if (slash == std::string::npos) return;
  }
}

}  // namespace

std::string ConfigDirectory(const std::string& programDir) {
  const std::string own = WithoutTrailingSlash(programDir);
  if (IsWritableDirectory(own)) return own;
  std::string base;
  // A relative XDG_CONFIG_HOME is invalid and is ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
    base = xdg;
  else
    base = HomeDirectory() + "/.config";
  const std::string dir = WithoutTrailingSlash(base) + "/Tessarn";
  MakeDirectories(dir);
  return dir;
}

std::string ConfigFilePath(const std::string& directory, const std::string& fileName) {
  if (!directory.empty() && directory.back() == '/') return directory + fileName;
  return directory + "/" + fileName;
}

}  // namespace tessarn
