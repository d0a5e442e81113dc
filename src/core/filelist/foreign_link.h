// Symbolic links that another user may have planted. In a folder several users
// write to (a family NAS, a group's music folder, /tmp), anyone can make a link
// "Song.mp3" that points into someone else's home; a tag write through it would
// change that person's file, outside the folder they asked to change. So a link
// is followed only when the running user made it or owns the folder it sits in
// (the rule the kernel applies with protected_symlinks, for every folder).
#pragma once

#include <sys/stat.h>

#include <string>

namespace tessarn {

// Whether the link described by `link` (an lstat), sitting in the folder described
// by `folder`, belongs to someone the running user should not follow; false for
// anything that is not a link.
bool IsForeignLink(const struct stat& link, const struct stat& folder);

// The same for the name `name` inside the open folder folderFd (-1: `name` is a
// path of its own).
bool IsForeignLinkAt(int folderFd, const std::string& name);

// Whether following `path` to its file goes through a foreign link: the path's
// last part, and every link it leads to in turn.
bool LeadsThroughForeignLink(const std::string& path);

}  // namespace tessarn
