/* Baseline for the MP3 naming benchmark: open every file of a folder and read its
   first 10 and its last 128 bytes, where the two tags begin. */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  DIR* d = opendir(argv[1]);
  if (!d) return 1;
  const int dfd = dirfd(d);
  struct dirent* e;
  char head[10], tail[128];
  long tagged = 0;
  while ((e = readdir(d)) != NULL) {
    if (e->d_type == DT_DIR) continue;
    const int fd = openat(dfd, e->d_name, O_RDONLY);
    if (fd < 0) continue;
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_size >= 128 && pread(fd, head, 10, 0) == 10 &&
        pread(fd, tail, 128, st.st_size - 128) == 128)
      tagged += head[0] == 'I' || tail[0] == 'T';
    close(fd);
  }
  closedir(d);
  printf("%ld\n", tagged);
  return 0;
}
