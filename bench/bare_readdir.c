/* Baseline for the preview benchmark: read a folder and print each name with a
   new name (a prefix and a sequence number), the least a preview can do. */
#include <dirent.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  DIR* d = opendir(argv[1]);
  if (!d) return 1;
  struct dirent* e;
  long n = 0;
  while ((e = readdir(d)) != NULL) {
    if (e->d_type == DT_DIR) continue;
    const char* dot = strrchr(e->d_name, '.');
    printf("%s -> x%ld%s\n", e->d_name, n++, dot ? dot : "");
  }
  closedir(d);
  return 0;
}
