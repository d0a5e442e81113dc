/* Fills a folder with small MP3 files, each with an ID3v2.3 tag (title, artist),
   a few kilobytes of "audio" and an ID3v1 block: the benchmark's music library. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static size_t Frame(unsigned char* p, const char* id, const char* text) {
  const size_t len = strlen(text) + 1;
  memcpy(p, id, 4);
  p[4] = 0, p[5] = 0, p[6] = (unsigned char)(len >> 8), p[7] = (unsigned char)len;
  p[8] = 0, p[9] = 0, p[10] = 0;
  memcpy(p + 11, text, len - 1);
  return 10 + len;
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const long count = atol(argv[2]);
  static unsigned char audio[4096];
  for (size_t i = 0; i < sizeof audio; ++i) audio[i] = (unsigned char)(i * 7);
  for (long i = 0; i < count; ++i) {
    char path[4096], title[64], artist[64];
    snprintf(path, sizeof path, "%s/track%06ld.mp3", argv[1], i);
    snprintf(title, sizeof title, "Title %ld", i);
    snprintf(artist, sizeof artist, "Artist %ld", i % 97);
    unsigned char tag[1024] = {'I', 'D', '3', 3, 0, 0};
    size_t n = 10;
    n += Frame(tag + n, "TIT2", title);
    n += Frame(tag + n, "TPE1", artist);
    n += Frame(tag + n, "TALB", "Album");
    const size_t size = sizeof tag - 10; /* the rest is padding */
    tag[6] = (size >> 21) & 0x7F, tag[7] = (size >> 14) & 0x7F;
    tag[8] = (size >> 7) & 0x7F, tag[9] = size & 0x7F;
    unsigned char v1[128] = {'T', 'A', 'G'};
    memcpy(v1 + 3, title, strlen(title));
    memcpy(v1 + 33, artist, strlen(artist));
    v1[127] = 17;
    FILE* f = fopen(path, "wb");
    if (!f) return 1;
    fwrite(tag, 1, sizeof tag, f);
    fwrite(audio, 1, sizeof audio, f);
    fwrite(v1, 1, sizeof v1, f);
    fclose(f);
  }
  return 0;
}
