// Real local users for tests of what one user's files and links can do to
// another's: made with useradd the first time (no home, no login), kept for later
// runs, and commands run as them through setpriv, so that the kernel's own
// permission checks apply. Only root can do either; the callers skip otherwise.
#pragma once

#include <sys/types.h>

#include <string>

// The user's uid, made if missing; -1 when there is none and it cannot be made.
int EnsureLocalUser(const std::string& name);

// Runs `command` with /bin/sh as `user` (their uid and gid, no other groups) in
// `cwd`; its exit status, or -1 when it did not exit normally.
int RunShellAs(const std::string& user, const std::string& command, const std::string& cwd);

// Single quotes around `text` for /bin/sh.
std::string ShellQuoted(const std::string& text);
