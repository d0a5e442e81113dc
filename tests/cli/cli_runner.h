// Runs the built tessarn-cli in a temporary folder of its own, with its undo
// journal kept inside that folder too.
#pragma once

#include <map>
#include <string>
#include <vector>

struct CliResult {
  int exitCode = -1;  // -1 when the process did not exit normally
  std::string out;
  std::string err;
};

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs tessarn-cli with args in `cwd`; `env` entries are added to (or replace)
// the test's environment. Without an XDG_STATE_HOME among them, the run keeps its
// undo history in a temporary folder of its own, removed afterwards.
CliResult RunCli(const std::vector<std::string>& args, const std::string& cwd,
                 const std::map<std::string, std::string>& env = {});

// The same as an ordinary user: when the tests run as root, through
// `setpriv --reuid=nobody`, so that file permissions apply. `cwd` and the paths
// given must be reachable for that user.
CliResult RunCliAsUser(const std::vector<std::string>& args, const std::string& cwd);
// The same as the local user `user` (made with EnsureLocalUser), `env` added.
CliResult RunCliAs(const std::string& user, const std::vector<std::string>& args,
                   const std::string& cwd, const std::map<std::string, std::string>& env = {});

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeFolder(const std::string& path);
// The names directly inside folder, sorted by their bytes.
std::vector<std::string> ListNames(const std::string& folder);
