// What this codec writes, TagLib reads with the same fields; what TagLib writes
// (v2.3 and v2.4, in its text encodings), this codec reads. tessarn-cli's tags set
// writes texts every reader understands and leaves the frames it did not change
// as they were.
#include <gtest/gtest.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/relativevolumeframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/urllinkframe.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>

#include "cli_runner.h"

#include "core/id3/id3_test_util.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::ReadAll;
using testing::TempDir;

// With the "GBK" write setting this codec writes encoding byte 0 with GBK text, as
// the files it is made for hold; TagLib is then told to read such text as GBK.
class GbkHandler : public TagLib::ID3v2::Latin1StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    const std::string bytes(data.data(), data.size());
    return TagLib::String(GbToUtf8Lossy(bytes.substr(0, bytes.find('\0'))), TagLib::String::UTF8);
  }
};

// A few MPEG-1 layer III frames (128 kbit/s, 44.1 kHz), so that TagLib sees audio.
std::string Audio() {
  std::string frame("\xFF\xFB\x90\x64", 4);
  frame.resize(417, '\0');
  std::string audio;
  for (int i = 0; i < 8; ++i) audio += frame;
  return audio;
}

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }

std::string FrameText(TagLib::ID3v2::Tag* tag, const char* id) {
  const auto& frames = tag->frameListMap()[id];
  return frames.isEmpty() ? std::string() : Utf8(frames.front()->toString());
}

std::string UserUrl(TagLib::ID3v2::Tag* tag) {
  const auto& frames = tag->frameListMap()["WXXX"];
  if (frames.isEmpty()) return {};
  auto* url = dynamic_cast<TagLib::ID3v2::UserUrlLinkFrame*>(frames.front());
  return url ? Utf8(url->url()) : std::string();
}

TagFields Fields(const std::string& utf8Title) {
  TagFields f;
  f.title = Gb(utf8Title);
  f.artist = Gb("歌手 Singer");
  f.album = Gb("专辑");
  f.track = "7";
  f.year = "2001";
  f.genre = "(17)Rock";
  f.comment = Gb("一条注释");
  f.composer = Gb("作曲");
  f.originalArtist = "Original";
  f.copyright = Gb("版权所有");
  f.url = "http://example.com/a";
  f.encoder = "Encoder";
  return f;
}

class Interop : public ::testing::Test {
 protected:
  void ReadLatin1AsGbk() { TagLib::ID3v2::Tag::setLatin1StringHandler(&handler_); }
  void TearDown() override {
    TagLib::ID3v2::Tag::setLatin1StringHandler(nullptr);
    TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::Latin1);
  }
  GbkHandler handler_;
  TempDir dir_;
};

TEST_F(Interop, TagLibReadsWhatThisCodecWrites) {
  struct Case {
    TagWriteEncoding encoding;
    const char* title;
  } cases[] = {{TagWriteEncoding::kUnicode, "Plain ASCII title"},
               {TagWriteEncoding::kUnicode, "中文歌名"},
               {TagWriteEncoding::kGbk, "中文歌名"}};
  for (const Case& c : cases) {
    const char* title = c.title;
    if (c.encoding == TagWriteEncoding::kGbk) ReadLatin1AsGbk();
    const TagFields f = Fields(title);
    const auto path = dir_.File("a.mp3", BuildId3v2Tag(f, {.encoding = c.encoding}) + Audio());

    TagLib::MPEG::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    ASSERT_TRUE(file.hasID3v2Tag());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    EXPECT_EQ(tag->header()->majorVersion(), 3u);
    EXPECT_EQ(Utf8(tag->title()), title);
    EXPECT_EQ(Utf8(tag->artist()), "歌手 Singer");
    EXPECT_EQ(Utf8(tag->album()), "专辑");
    EXPECT_EQ(tag->track(), 7u);
    EXPECT_EQ(tag->year(), 2001u);
    EXPECT_EQ(Utf8(tag->genre()), "Rock");
    EXPECT_EQ(Utf8(tag->comment()), "一条注释");
    EXPECT_EQ(FrameText(tag, "TCOM"), "作曲");
    EXPECT_EQ(FrameText(tag, "TOPE"), "Original");
    EXPECT_EQ(FrameText(tag, "TCOP"), "版权所有");
    EXPECT_EQ(FrameText(tag, "TENC"), "Encoder");
    EXPECT_EQ(UserUrl(tag), "http://example.com/a");
    EXPECT_EQ(file.audioProperties()->bitrate(), 128);
  }
}

struct WrittenByTagLib {
  TagLib::ID3v2::Version version;
  TagLib::String::Type encoding;
  const char* name;
};

void PrintTo(const WrittenByTagLib& p, std::ostream* os) { *os << p.name; }

// "v2.4 UTF-16BE" -> "v2_4_UTF_16BE"
std::string CaseName(const ::testing::TestParamInfo<WrittenByTagLib>& info) {
  std::string name;
  for (const char c : std::string(info.param.name))
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

class TagLibWrites : public Interop, public ::testing::WithParamInterface<WrittenByTagLib> {};

TEST_P(TagLibWrites, ThisCodecReadsIt) {
  const auto& p = GetParam();
  ReadLatin1AsGbk();
  TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(p.encoding);
  const auto path = dir_.File("b.mp3", Audio());
  const std::string picture(50000, '\x89');
  {
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    tag->setTitle(TagLib::String("中文歌名", TagLib::String::UTF8));
    tag->setArtist(TagLib::String("Artist 艺人", TagLib::String::UTF8));
    tag->setAlbum("Album");
    tag->setTrack(9);
    tag->setYear(1999);
    tag->setGenre("Rock");
    tag->setComment(TagLib::String("注释", TagLib::String::UTF8));
    auto* composer = new TagLib::ID3v2::TextIdentificationFrame("TCOM", p.encoding);
    composer->setText(TagLib::String("作曲家", TagLib::String::UTF8));
    tag->addFrame(composer);
    auto* url = new TagLib::ID3v2::UserUrlLinkFrame(p.encoding);
    url->setDescription(TagLib::String("描述", TagLib::String::UTF8));
    url->setUrl("http://example.com/b");
    tag->addFrame(url);
    auto* apic = new TagLib::ID3v2::AttachedPictureFrame;
    apic->setMimeType("image/png");
    apic->setPicture(TagLib::ByteVector(picture.data(), static_cast<unsigned>(picture.size())));
    tag->addFrame(apic);
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, p.version));
  }
  // The title really is in the encoding under test.
  const std::string bytes = ReadAll(path);
  const std::size_t tit2 = bytes.find("TIT2");
  ASSERT_NE(tit2, std::string::npos);
  EXPECT_EQ(static_cast<int>(bytes[tit2 + 10]), static_cast<int>(p.encoding)) << p.name;
  EXPECT_EQ(static_cast<int>(bytes[3]), p.version == TagLib::ID3v2::v3 ? 3 : 4);

  TagFields f;
  ASSERT_TRUE(ReadId3v2(path, f)) << p.name;
  EXPECT_EQ(f.title, Gb("中文歌名")) << p.name;
  EXPECT_EQ(f.artist, Gb("Artist 艺人"));
  EXPECT_EQ(f.album, "Album");
  EXPECT_EQ(f.track, "9");
  EXPECT_EQ(f.year, "1999");
  EXPECT_EQ(f.genre, "Rock");
  EXPECT_EQ(f.comment, Gb("注释"));
  EXPECT_EQ(f.composer, Gb("作曲家"));
  EXPECT_EQ(f.url, "http://example.com/b");

  // A title change through this codec keeps the picture, which TagLib still reads.
  f.title = "New";
  ASSERT_TRUE(WriteId3v2(path, f));
  TagLib::MPEG::File file(path.c_str());
  ASSERT_TRUE(file.hasID3v2Tag());
  EXPECT_EQ(Utf8(file.ID3v2Tag()->title()), "New");
  const auto& pictures = file.ID3v2Tag()->frameListMap()["APIC"];
  ASSERT_EQ(pictures.size(), 1u);
  auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
  ASSERT_NE(apic, nullptr);
  EXPECT_EQ(std::string(apic->picture().data(), apic->picture().size()), picture);
  EXPECT_EQ(Utf8(apic->mimeType()), "image/png");
}

INSTANTIATE_TEST_SUITE_P(
    Versions, TagLibWrites,
    ::testing::Values(WrittenByTagLib{TagLib::ID3v2::v3, TagLib::String::UTF16, "v2.3 UTF-16"},
                      WrittenByTagLib{TagLib::ID3v2::v4, TagLib::String::UTF16, "v2.4 UTF-16"},
                      WrittenByTagLib{TagLib::ID3v2::v4, TagLib::String::UTF16BE, "v2.4 UTF-16BE"},
                      WrittenByTagLib{TagLib::ID3v2::v4, TagLib::String::UTF8, "v2.4 UTF-8"}),
    CaseName);

// The whole frame with this ID in a tag's raw bytes (v2.3 plain or v2.4 syncsafe
// sizes), or "" when there is none.
std::string RawFrame(const std::string& file, const char* id) {
  const int major = file[3];
  std::size_t pos = 10;
  const std::size_t end = 10 + (std::size_t(file[6]) << 21 | std::size_t(file[7]) << 14 |
                                std::size_t(file[8]) << 7 | std::size_t(file[9]));
  while (pos + 10 <= end && file[pos] != '\0') {
    std::size_t size = 0;
    for (int i = 0; i < 4; ++i)
      size = major == 4 ? size << 7 | (static_cast<unsigned char>(file[pos + 4 + i]) & 0x7F)
                        : size << 8 | static_cast<unsigned char>(file[pos + 4 + i]);
    if (file.compare(pos, 4, id) == 0) return file.substr(pos, 10 + size);
    pos += 10 + size;
  }
  return {};
}

// tags set with texts of every kind: standard TagLib (no GBK reading) gets them
// back, from a new v2.3 tag and from TagLib's own v2.4 tag, which stays v2.4.
TEST_F(Interop, TagsSetWritesTextsEveryReaderReads) {
  const char* const values[] = {"月亮代表我的心", "日本語のタイトル", "Emoji 😀🎵",
                                "Café Déjà Vu", "Sigur Rós", "Plain"};
  for (int version : {3, 4}) {
    for (const char* value : values) {
      const auto path = dir_.File("s.mp3", Audio());
      if (version == 4) {
        TagLib::MPEG::File file(path.c_str());
        file.ID3v2Tag(true)->setAlbum("Album");
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                              TagLib::ID3v2::v4));
      }
      const CliResult r = RunCli({"tags", "set", "--v2", "--title", value, "--artist", value,
                                  "--comment", value, path}, dir_.path());
      ASSERT_EQ(r.exitCode, 0) << r.err;
      TagLib::MPEG::File file(path.c_str());
      ASSERT_TRUE(file.hasID3v2Tag());
      TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
      EXPECT_EQ(tag->header()->majorVersion(), static_cast<unsigned>(version)) << value;
      EXPECT_EQ(Utf8(tag->title()), value);
      EXPECT_EQ(Utf8(tag->artist()), value);
      EXPECT_EQ(Utf8(tag->comment()), value);
      if (version == 4) {
        EXPECT_EQ(Utf8(tag->album()), "Album");
      }
      // And this program reads them back the same.
      const CliResult show = RunCli({"tags", "show", path}, dir_.path());
      EXPECT_NE(show.out.find(std::string("歌曲名：") + value), std::string::npos) << show.out;
    }
  }
}

// A v2.4 tag full of frames v2.3 does not have: a track change keeps it v2.4 and
// keeps every other frame byte for byte, the untouched UTF-8 title included.
TEST_F(Interop, TagsSetKeepsAV24TagAndItsFrames) {
  const auto path = dir_.File("v24.mp3", Audio());
  const std::string picture(3000, '\x89');
  {
    TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::UTF8);
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    tag->setTitle(TagLib::String("日本語のタイトル", TagLib::String::UTF8));
    tag->setYear(2019);
    auto* apic = new TagLib::ID3v2::AttachedPictureFrame;
    apic->setMimeType("image/png");
    apic->setPicture(TagLib::ByteVector(picture.data(), static_cast<unsigned>(picture.size())));
    tag->addFrame(apic);
    auto* txxx = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
    txxx->setDescription("REPLAYGAIN_TRACK_GAIN");
    txxx->setText("-6.5 dB");
    tag->addFrame(txxx);
    auto* rva2 = new TagLib::ID3v2::RelativeVolumeFrame;
    rva2->setIdentification("track");
    rva2->setVolumeAdjustment(-3.0f);
    tag->addFrame(rva2);
    auto* uslt = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF8);
    uslt->setLanguage("jpn");
    uslt->setText(TagLib::String("歌詞", TagLib::String::UTF8));
    tag->addFrame(uslt);
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                          TagLib::ID3v2::v4));
  }
  // Make the date a full one, as many taggers write it.
  {
    TagLib::MPEG::File file(path.c_str());
    file.ID3v2Tag()->frameListMap()["TDRC"].front()->setText("2019-07-01");
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                          TagLib::ID3v2::v4));
  }
  const std::string before = ReadAll(path);
  ASSERT_EQ(before[3], 4);
  const char* const kept[] = {"APIC", "TXXX", "RVA2", "USLT", "TIT2", "TDRC"};
  for (const char* id : kept) ASSERT_FALSE(RawFrame(before, id).empty()) << id;

  const CliResult r = RunCli({"tags", "set", "--track", "3", path}, dir_.path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string after = ReadAll(path);
  EXPECT_EQ(after[3], 4);
  for (const char* id : kept) EXPECT_EQ(RawFrame(after, id), RawFrame(before, id)) << id;
  TagLib::MPEG::File file(path.c_str());
  EXPECT_EQ(Utf8(file.ID3v2Tag()->title()), "日本語のタイトル");
  EXPECT_EQ(file.ID3v2Tag()->track(), 3u);
  EXPECT_EQ(FrameText(file.ID3v2Tag(), "TDRC"), "2019-07-01");
}

TEST_F(Interop, Id3v1BlocksAgree) {
  const auto path = dir_.File("c.mp3", Audio());
  Id3v1Input in;
  in.title = "V1 Title";
  in.artist = Gb("Beyoncé");  // goes in as Latin-1, which is how TagLib reads ID3v1
  in.comment = std::string(30, 'c');  // no track: the whole comment
  in.genre = 17;
  ASSERT_TRUE(WriteId3v1(path, in));
  {
    TagLib::MPEG::File file(path.c_str());
    ASSERT_TRUE(file.hasID3v1Tag());
    EXPECT_EQ(Utf8(file.ID3v1Tag()->title()), "V1 Title");
    EXPECT_EQ(Utf8(file.ID3v1Tag()->artist()), "Beyoncé");
    EXPECT_EQ(Utf8(file.ID3v1Tag()->comment()), std::string(30, 'c'));
    EXPECT_EQ(Utf8(file.ID3v1Tag()->genre()), "Rock");
    file.ID3v1Tag()->setTrack(12);
    file.ID3v1Tag()->setComment("short");
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v1, TagLib::File::StripNone));
  }
  TagFields f;
  ASSERT_TRUE(ReadId3v1(path, f));
  EXPECT_EQ(f.title, "V1 Title");
  EXPECT_EQ(f.artist, Gb("Beyoncé"));
  EXPECT_EQ(f.track, "12");
  EXPECT_EQ(f.comment, "short");
  EXPECT_EQ(f.genre, "17");
  EXPECT_EQ(ReadAll(path).substr(0, 4), "\xFF\xFB\x90\x64");
}

// Tags written over the old one's space, grown with new padding, or in place of a
// header whose size claims audio: TagLib finds the tag, and the audio after it.
TEST_F(Interop, TagLibReadsTagsPlacedInTheOldSpace) {
  using testing::Bytes;
  using testing::Frame23;
  using testing::Latin;
  using testing::Syncsafe32;
  const std::string title = Frame23("TIT2", Latin("Old"));
  const std::string audio = Audio();
  const std::pair<const char*, std::string> starts[] = {
      {"padding to spare", testing::Tag(3, title, 3000)},
      {"no padding", testing::Tag(3, title)},
      {"64 KiB claimed for a 330-byte tag",
       "ID3" + Bytes({3, 0, 0}) + Syncsafe32(65536) + title + std::string(330 - 23, '\0')},
  };
  for (const auto& [name, start] : starts) {
    TempDir dir;
    const auto path = dir.File("a.mp3", start + audio);
    for (const std::string& text : {std::string("New"), std::string(5000, 'n')}) {
      TagFields f;
      f.title = text;
      ASSERT_TRUE(WriteId3v2(path, f)) << name;
      const std::string bytes = ReadAll(path);
      EXPECT_EQ(bytes.substr(bytes.size() - audio.size()), audio) << name;
      TagLib::MPEG::File file(path.c_str());
      ASSERT_TRUE(file.hasID3v2Tag()) << name;
      EXPECT_EQ(Utf8(file.ID3v2Tag()->title()), text) << name;
      ASSERT_NE(file.audioProperties(), nullptr) << name;
      EXPECT_EQ(file.audioProperties()->bitrate(), 128) << name;
    }
  }
}

// The frames of a file as mutagen, a third reader, sees them: one line per frame,
// "ID|encoding|description|text", texts joined by "/". Empty when mutagen is not
// there to ask.
std::string MutagenFrames(const std::string& path) {
  const std::string script =
      "import sys, mutagen.id3 as m\n"
      "for f in m.ID3(sys.argv[1]).values():\n"
      "  text = getattr(f, 'text', getattr(f, 'url', ''))\n"
      "  text = '/'.join(str(t) for t in text) if isinstance(text, list) else str(text)\n"
      "  print('%s|%d|%s|%s' % (f.FrameID, int(getattr(f, 'encoding', -1)),\n"
      "                         getattr(f, 'desc', ''), text))\n";
  const std::string command =
      "/usr/bin/python3 -c \"$SCRIPT\" '" + path + "' 2>/dev/null";
  ::setenv("SCRIPT", script.c_str(), 1);
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    if (::pclose(p) != 0) out.clear();
  }
  return out;
}

// Old GBK texts under encoding byte 0 made Unicode by tags convert: mutagen reads
// the right Chinese text, every other frame keeps its bytes, and undo gives the
// file its old bytes back.
TEST_F(Interop, TagsConvertReadsBackInMutagen) {
  using testing::Frame23;
  const auto gbk = [](const char* utf8) { return *Utf8ToGb(utf8); };
  const std::string z(1, '\0');
  const std::string picture = Frame23("APIC", z + "image/png" + z + "\x03" + z + "\x89PNG");
  const std::string plain = Frame23("TALB", z + "Plain");
  const std::string original =
      testing::Tag(3, Frame23("TIT2", z + gbk("月亮代表我的心")) +
                          Frame23("TPE1", z + gbk("邓丽君")) + plain + picture +
                          Frame23("COMM", z + "chi" + z + gbk("经典老歌")),
                   64) +
      Audio();
  const auto path = dir_.File("old.mp3", original);
  if (MutagenFrames(path).empty()) GTEST_SKIP() << "python3-mutagen is not available";
  const std::map<std::string, std::string> env = {{"XDG_STATE_HOME", dir_.path() + "/state"}};
  const CliResult r = RunCli({"tags", "convert", path}, dir_.path(), env);
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_EQ(MutagenFrames(path),
            "TIT2|1||月亮代表我的心\n"
            "TPE1|1||邓丽君\n"
            "TALB|0||Plain\n"
            "APIC|0||\n"
            "COMM|1||经典老歌\n");
  const std::string converted = ReadAll(path);
  EXPECT_EQ(RawFrame(converted, "TALB"), plain);
  EXPECT_EQ(RawFrame(converted, "APIC"), picture);
  EXPECT_TRUE(converted.ends_with(Audio()));
  ASSERT_EQ(RunCli({"undo"}, dir_.path(), env).exitCode, 0);
  EXPECT_EQ(ReadAll(path), original);
}

}  // namespace
}  // namespace tessarn
