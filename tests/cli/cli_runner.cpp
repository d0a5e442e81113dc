#include "cli_runner.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessarn-cli-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

void MakeFolder(const std::string& path) { ::mkdir(path.c_str(), 0755); }

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

CliResult Run(const std::vector<std::string>& prefix, const std::vector<std::string>& args,
              const std::string& cwd, const std::map<std::string, std::string>& env) {
  TempFolder io;
  const std::string outPath = io / "out", errPath = io / "err";

  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('='));
    if (env.count(key) == 0) envStrings.push_back(entry);
  }
  for (const auto& [key, value] : env) envStrings.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (std::string& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::vector<std::string> argStrings = prefix;
  argStrings.push_back(TESSARN_CLI_PATH);
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(cwd.c_str()) != 0)
      ::_exit(127);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  CliResult result;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    result.exitCode = WEXITSTATUS(status);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& cwd,
                 const std::map<std::string, std::string>& env) {
  if (env.count("XDG_STATE_HOME") != 0) return Run({}, args, cwd, env);
  // Never the user's own undo history: a test that names no state folder gets one
  // of its own for this run.
  TempFolder state;
  std::map<std::string, std::string> withState = env;
  withState["XDG_STATE_HOME"] = state.path();
  return Run({}, args, cwd, withState);
}

CliResult RunCliAsUser(const std::vector<std::string>& args, const std::string& cwd) {
  if (::geteuid() != 0) return Run({}, args, cwd, {});
  return Run({"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"}, args,
             cwd, {});
}

CliResult RunCliAs(const std::string& user, const std::vector<std::string>& args,
                   const std::string& cwd, const std::map<std::string, std::string>& env) {
  return Run({"/usr/bin/setpriv", "--reuid=" + user, "--regid=" + user, "--clear-groups"}, args,
             cwd, env);
}
