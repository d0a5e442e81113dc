/* Baseline for the rename benchmark: list a folder, then renameat2 every file to
   a new name without replacing anything. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <sys/syscall.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE 1
#endif

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  DIR* d = opendir(argv[1]);
  if (!d) return 1;
  size_t cap = 1024, n = 0;
  char** names = malloc(cap * sizeof *names);
  struct dirent* e;
  while ((e = readdir(d)) != NULL) {
    if (e->d_type == DT_DIR) continue;
    if (n == cap) names = realloc(names, (cap *= 2) * sizeof *names);
    names[n++] = strdup(e->d_name);
  }
  const int dfd = dirfd(d);
  long failed = 0;
  char to[4096];
  for (size_t i = 0; i < n; ++i) {
    const char* dot = strrchr(names[i], '.');
    snprintf(to, sizeof to, "x%zu%s", i, dot ? dot : "");
    if (syscall(SYS_renameat2, dfd, names[i], dfd, to, RENAME_NOREPLACE) != 0) ++failed;
  }
  closedir(d);
  printf("%ld\n", failed);
  return failed != 0;
}
