#include "local_user.h"

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

int WaitFor(pid_t pid) {
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int UidOf(const std::string& name) {
  const passwd* pw = ::getpwnam(name.c_str());
  return pw != nullptr ? static_cast<int>(pw->pw_uid) : -1;
}

}  // namespace

int EnsureLocalUser(const std::string& name) {
  if (const int uid = UidOf(name); uid >= 0) return uid;
  if (::geteuid() != 0) return -1;
  // Two suites making the same user at once: one of them wins, both find it.
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/usr/sbin/useradd", "useradd", "--no-create-home", "--user-group", "--shell",
            "/usr/sbin/nologin", name.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  WaitFor(pid);
  return UidOf(name);
}

int RunShellAs(const std::string& user, const std::string& command, const std::string& cwd) {
  const std::string uid = "--reuid=" + user, gid = "--regid=" + user;
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(cwd.c_str()) != 0) ::_exit(127);
    ::execl("/usr/bin/setpriv", "setpriv", uid.c_str(), gid.c_str(), "--clear-groups", "/bin/sh",
            "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return WaitFor(pid);
}

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}
