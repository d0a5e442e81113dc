// The peer of `tessarn-cli tags set --artist X --album Y`: a plain loop over the
// MP3 files given, each opened with TagLib's MPEG::File, its artist and album set
// in its tags (ID3v2 and, where there is one, ID3v1, as TagLib's tag union does)
// and saved, the ID3v2 tag keeping version 2.3 as ours does. Exit status 1 when a
// file cannot be opened or saved.
//
//   taglib_tags_set ARTIST ALBUM FILE...
#include <taglib/mpegfile.h>
#include <taglib/tstring.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  const TagLib::String artist(argv[1], TagLib::String::UTF8);
  const TagLib::String album(argv[2], TagLib::String::UTF8);
  for (int i = 3; i < argc; ++i) {
    TagLib::MPEG::File file(argv[i], false);
    if (!file.isValid() || file.tag() == nullptr) {
      std::fprintf(stderr, "cannot open %s\n", argv[i]);
      return 1;
    }
    file.tag()->setArtist(artist);
    file.tag()->setAlbum(album);
    if (!file.save(TagLib::MPEG::File::AllTags, TagLib::File::StripNone, TagLib::ID3v2::v3)) {
      std::fprintf(stderr, "cannot save %s\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
