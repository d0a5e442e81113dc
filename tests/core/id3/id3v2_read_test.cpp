#include <gtest/gtest.h>

#include "core/id3/id3v2.h"
#include "core/text/encoding.h"
#include "id3_test_util.h"

namespace tessarn {
namespace {

using namespace testing;

TagFields Parse(const std::string& data, bool expectTag = true) {
  TagFields f;
  EXPECT_EQ(ParseId3v2(data, f), expectTag);
  return f;
}

TEST(Id3v2Header, SizeDecodingAndEncoding) {
  const unsigned char a[4] = {0x00, 0x00, 0x07, 0x76};
  EXPECT_EQ(DecodeTagSize(a), 1024u);
  const unsigned char b[4] = {0x00, 0x01, 0x00, 0x00};
  EXPECT_EQ(DecodeTagSize(b), (1u << 14) + 10);
  for (std::uint32_t n : {0u, 127u, 128u, 1014u, (1u << 28) - 1}) {
    const auto bytes = EncodeTagSize(n);
    EXPECT_EQ(DecodeTagSize(bytes.data()), n + 10);
  }
}

TEST(Id3v2Header, Validity) {
  struct Case {
    std::string header;
    bool valid;
  };
  const Case cases[] = {
      {"ID3" + Bytes({3, 0, 0, 0, 0, 7, 0x76}), true},
      {"ID3" + Bytes({3, 0, 0xFF, 0, 0, 7, 0x76}), false},  // flags FF
      {"ID3" + Bytes({0xFF, 0, 0, 0, 0, 7, 0x76}), false},
      {"ID3" + Bytes({3, 0, 0, 0, 0, 0x80, 0}), false},  // size byte with its top bit
      {"id3" + Bytes({3, 0, 0, 0, 0, 7, 0x76}), false},
      {"ID3" + Bytes({3, 0, 0, 0, 0}), false},  // cut short
  };
  for (const auto& c : cases) EXPECT_EQ(IsId3v2Header(c.header), c.valid);
  TagFields f;
  f.title = "untouched";
  EXPECT_FALSE(ParseId3v2("no tag here", f));
  EXPECT_EQ(f.title, "untouched");
}

TEST(Id3v2Read, TwelveFramesOfEachVersion) {
  const std::string v23 = Frame23("TIT2", Latin("Title")) + Frame23("TPE1", Latin("Artist")) +
                          Frame23("TALB", Latin("Album")) + Frame23("TRCK", Latin("3/12")) +
                          Frame23("TYER", Latin("1999")) + Frame23("TCON", Latin("(17)")) +
                          Frame23("COMM", Bytes({0}) + "eng" + Bytes({0}) + "Note") +
                          Frame23("TCOM", Latin("Composer")) + Frame23("TOPE", Latin("Orig")) +
                          Frame23("TCOP", Latin("(C)")) +
                          Frame23("WXXX", Bytes({0}) + "desc" + Bytes({0}) + "http://x") +
                          Frame23("TENC", Latin("Enc"));
  const TagFields f = Parse(Tag(3, v23, 100));
  EXPECT_EQ(f.title, "Title");
  EXPECT_EQ(f.artist, "Artist");
  EXPECT_EQ(f.album, "Album");
  EXPECT_EQ(f.track, "3/12");
  EXPECT_EQ(f.year, "1999");
  EXPECT_EQ(f.genre, "Rock");
  EXPECT_EQ(f.comment, "Note");
  EXPECT_EQ(f.composer, "Composer");
  EXPECT_EQ(f.originalArtist, "Orig");
  EXPECT_EQ(f.copyright, "(C)");
  EXPECT_EQ(f.url, "http://x");
  EXPECT_EQ(f.encoder, "Enc");

  const std::string v22 = Frame22("TT2", Latin("T22")) + Frame22("TP1", Latin("A22")) +
                          Frame22("COM", Bytes({0}) + "eng" + Bytes({0}) + "C22") +
                          Frame22("WXX", Bytes({0, 0}) + "http://y") + Frame22("TEN", Latin("E"));
  const TagFields g = Parse(Tag(2, v22, 10));
  EXPECT_EQ(g.title, "T22");
  EXPECT_EQ(g.artist, "A22");
  EXPECT_EQ(g.comment, "C22");
  EXPECT_EQ(g.url, "http://y");
  EXPECT_EQ(g.encoder, "E");

  const TagFields h =
      Parse(Tag(4, Frame24("TIT2", Latin("T24")) + Frame24("TDRC", Latin("2004-05-06"))));
  EXPECT_EQ(h.title, "T24");
  EXPECT_EQ(h.year, "2004");  // taken from the recording time when TYER is missing
}

TEST(Id3v2Read, EmptyTagAndUnknownVersion) {
  const TagFields empty = Parse(Tag(3, "", 50));
  EXPECT_EQ(empty.title, "");
  EXPECT_EQ(empty.genre, "");
  // A version this reader does not know is still a tag, with nothing readable.
  EXPECT_EQ(Parse(Tag(7, Frame23("TIT2", Latin("x")))).title, "");
}

TEST(Id3v2Read, IdInsideAnotherFrameIsNotAFrame) {
  // The text "TIT2" inside a comment that comes first must not be taken for the title.
  const std::string comment = Bytes({0}) + "eng" + Bytes({0}) + "see TIT2" + Be32(5) + "xx";
  const TagFields f =
      Parse(Tag(3, Frame23("COMM", comment) + Frame23("TIT2", Latin("Real title")), 20));
  EXPECT_EQ(f.title, "Real title");
  // v2.2 tags give their own frames, not four-letter IDs met in their content.
  const TagFields g = Parse(Tag(2, Frame22("TT2", Latin("TPE1 inside")), 10));
  EXPECT_EQ(g.title, "TPE1 inside");
  EXPECT_EQ(g.artist, "");
}

TEST(Id3v2Read, TextEncodings) {
  const std::string title = Gb("歌名");
  struct Case {
    const char* name;
    std::string content;
  };
  const Case cases[] = {
      {"gbk", Latin(title)},
      {"gbk with terminators", Latin(title) + Bytes({0, 0})},
      {"utf16 le", Bytes({1, 0xFF, 0xFE}) + Utf16Le("歌名")},
      {"utf16 le terminated", Bytes({1, 0xFF, 0xFE}) + Utf16Le("歌名") + Bytes({0, 0})},
      {"utf16 be bom", Bytes({1, 0xFE, 0xFF}) + Utf16Be("歌名")},
      {"utf16be", Bytes({2}) + Utf16Be("歌名") + Bytes({0, 0})},
      {"utf8", Bytes({3}) + "歌名" + Bytes({0})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(Tag(3, Frame23("TIT2", c.content))).title, title) << c.name;
    EXPECT_EQ(Parse(Tag(4, Frame24("TIT2", c.content))).title, title) << c.name;
  }
  // ASCII in UTF-16 and a character outside the BMP.
  EXPECT_EQ(Parse(Tag(3, Frame23("TIT2", Bytes({1, 0xFF, 0xFE}) + Utf16Le("Rock")))).title, "Rock");
  EXPECT_EQ(Parse(Tag(3, Frame23("TIT2", Bytes({1, 0xFF, 0xFE}) + Utf16Le("a😀")))).title, Gb("a😀"));
  // An unpaired surrogate and an odd byte do not lose the rest of the text.
  const std::string broken = Bytes({1, 0xFF, 0xFE, 'A', 0, 0x00, 0xD8, 'B', 0, 'C'});
  EXPECT_EQ(Parse(Tag(3, Frame23("TIT2", broken))).title, "A" + Gb("\uFFFD") + "B");
}

TEST(Id3v2Read, MultipleValuesOfV24) {
  const std::string values = Latin("One") + Bytes({0}) + "Two" + Bytes({0});
  EXPECT_EQ(Parse(Tag(4, Frame24("TPE1", values))).artist, "One/Two");
  const std::string utf16 = Bytes({1, 0xFF, 0xFE}) + Utf16Le("A") + Bytes({0, 0, 0xFE, 0xFF}) +
                            Utf16Be("B") + Bytes({0, 0});
  EXPECT_EQ(Parse(Tag(4, Frame24("TPE1", utf16))).artist, "A/B");
  // v2.3 has one value: what follows a terminator is not text.
  EXPECT_EQ(Parse(Tag(3, Frame23("TPE1", values))).artist, "One");
}

TEST(Id3v2Read, Comments) {
  const std::string empty = Bytes({0}) + "CHS" + Bytes({0}) + "hello";
  const std::string described = Bytes({0}) + "eng" + "iTunNORM" + Bytes({0}) + "0000";
  const std::string utf16 =
      Bytes({1}) + "eng" + Bytes({0xFF, 0xFE, 0, 0, 0xFF, 0xFE}) + Utf16Le("text") + Bytes({0, 0});
  EXPECT_EQ(Parse(Tag(3, Frame23("COMM", empty))).comment, "hello");
  EXPECT_EQ(Parse(Tag(3, Frame23("COMM", utf16))).comment, "text");
  // The comment without a description wins, wherever it stands.
  EXPECT_EQ(Parse(Tag(3, Frame23("COMM", described) + Frame23("COMM", empty))).comment, "hello");
  // With only described comments, the first one.
  EXPECT_EQ(Parse(Tag(3, Frame23("COMM", described))).comment, "0000");
  // Truncated comment frames give nothing rather than garbage.
  EXPECT_EQ(Parse(Tag(3, Frame23("COMM", Bytes({0}) + "en"))).comment, "");
}

TEST(Id3v2Read, UserUrl) {
  const std::string utf16Desc =
      Bytes({1, 0xFF, 0xFE}) + Utf16Le("d") + Bytes({0, 0}) + "http://a.b/c" + Bytes({0});
  EXPECT_EQ(Parse(Tag(3, Frame23("WXXX", utf16Desc))).url, "http://a.b/c");
  const std::string markedUrl = Bytes({1, 0xFF, 0xFE, 0, 0, 0xFF, 0xFE}) + Utf16Le("http://z");
  EXPECT_EQ(Parse(Tag(3, Frame23("WXXX", markedUrl))).url, "http://z");
}

TEST(Id3v2Read, Genres) {
  struct Case {
    std::string stored;
    int major;
    std::string expected;
  };
  const Case cases[] = {
      {"(17)", 3, "Rock"},
      {"(17)Rock", 3, "Rock"},
      {"(17)(18)", 3, "Techno"},
      {"Rock", 3, "Rock"},
      {"(Remix)Dance", 3, "Dance"},
      {"(Pop", 3, "Pop"},
      {"(RX)", 3, "Remix"},
      {"(CR)", 3, "Cover"},
      {"()", 3, ""},
      {"(255)", 3, ""},
      {"Rock (Live)", 3, "Rock (Live)"},
      {"((Live) Rock", 3, "(Live) Rock"},
      {"17", 3, "17"},
      {"17", 4, "Rock"},
      {"126", 4, "126"},
      {"RX", 4, "Remix"},
  };
  for (const auto& c : cases) {
    const std::string frame =
        c.major == 3 ? Frame23("TCON", Latin(c.stored)) : Frame24("TCON", Latin(c.stored));
    EXPECT_EQ(Parse(Tag(c.major, frame)).genre, c.expected) << c.stored;
  }
  EXPECT_EQ(Parse(Tag(4, Frame24("TCON", Latin("17") + Bytes({0}) + "Pop"))).genre, "Rock/Pop");
}

TEST(Id3v2Read, ExtendedHeaderFlagsAndUnsynchronisation) {
  // v2.3 extended header: size 6 (without its own 4 bytes).
  const std::string ext23 = Be32(6) + Bytes({0, 0, 0, 0, 0, 0});
  EXPECT_EQ(Parse(Tag(3, ext23 + Frame23("TIT2", Latin("x")), 0, 0x40)).title, "x");
  // v2.4 extended header: syncsafe size that counts itself.
  const std::string ext24 = Syncsafe32(6) + Bytes({1, 0});
  EXPECT_EQ(Parse(Tag(4, ext24 + Frame24("TIT2", Latin("y")), 0, 0x40)).title, "y");

  // v2.3, whole tag unsynchronised: FF 00 stands for FF. The UTF-16 mark FF FE
  // becomes FF 00 FE on disk.
  const std::string plain =
      Frame23("TIT2", Bytes({1, 0xFF, 0xFE}) + Utf16Le("ab")) + Frame23("TPE1", Latin("z"));
  std::string unsynced;
  for (std::size_t i = 0; i < plain.size(); ++i) {
    unsynced += plain[i];
    if (static_cast<unsigned char>(plain[i]) == 0xFF) unsynced += '\0';
  }
  const TagFields u = Parse(Tag(3, unsynced, 0, 0x80));
  EXPECT_EQ(u.title, "ab");
  EXPECT_EQ(u.artist, "z");

  // v2.4: unsynchronisation per frame, and a data length indicator before the data.
  const std::string data = Bytes({1, 0xFF, 0x00, 0xFE}) + Utf16Le("cd");
  EXPECT_EQ(Parse(Tag(4, Frame24("TIT2", data, 0x0002))).title, "cd");
  const std::string withLength = Syncsafe32(7) + Bytes({1, 0xFF, 0xFE}) + Utf16Le("ef");
  EXPECT_EQ(Parse(Tag(4, Frame24("TIT2", withLength, 0x0001))).title, "ef");
  // Grouping byte in front of the data.
  EXPECT_EQ(Parse(Tag(4, Frame24("TIT2", Bytes({9}) + Latin("g"), 0x0040))).title, "g");
  EXPECT_EQ(Parse(Tag(3, Frame23("TIT2", Bytes({9}) + Latin("h"), 0x0020))).title, "h");

  // Compressed and encrypted frames are skipped, the frames after them still read.
  EXPECT_EQ(
      Parse(Tag(3, Frame23("TIT2", Be32(5) + "zzzz", 0x0080) + Frame23("TPE1", Latin("a")))).artist,
      "a");
  const TagFields enc =
      Parse(Tag(4, Frame24("TIT2", Bytes({1}) + "zz", 0x0004) + Frame24("TPE1", Latin("b"))));
  EXPECT_EQ(enc.title, "");
  EXPECT_EQ(enc.artist, "b");
}

TEST(Id3v2Read, V24TagsWithPlainSizes) {
  // 200 bytes: syncsafe would read 0x148 = 328, which lands nowhere.
  const std::string longTitle(199, 'L');
  const std::string body =
      Frame24("TIT2", Latin(longTitle), 0, true) + Frame24("TPE1", Latin("after"), 0, true);
  const TagFields f = Parse(Tag(4, body, 64));
  EXPECT_EQ(f.title, longTitle);
  EXPECT_EQ(f.artist, "after");
  // A real syncsafe size that also happens to be a valid plain one stays syncsafe.
  const std::string ok =
      Frame24("TIT2", Latin(std::string(199, 'S'))) + Frame24("TPE1", Latin("b"));
  EXPECT_EQ(Parse(Tag(4, ok, 10)).artist, "b");
}

TEST(Id3v2Read, MalformedInputGivesWhatCanBeRead) {
  const std::string good = Frame23("TIT2", Latin("ok"));
  struct Case {
    const char* name;
    std::string data;
    std::string title;
  };
  const Case cases[] = {
      {"tag size past the end", "ID3" + Bytes({3, 0, 0}) + Syncsafe32(5000) + good, "ok"},
      {"frame size past the end",
       Tag(3, Frame23("TPE1", Latin("a")) + "TIT2" + Be32(1000) + Bytes({0, 0, 0}) + "cut"), "cut"},
      {"absurd frame size", Tag(3, "TIT2" + Be32(0xFFFFFFFF) + Bytes({0, 0, 0}) + "x"), "x"},
      {"garbage after a frame", Tag(3, good + "\x01\x02garbage"), "ok"},
      {"header only", "ID3" + Bytes({3, 0, 0}) + Syncsafe32(100), ""},
      {"ext header too big", Tag(3, Be32(0xFFFFFF) + good, 0, 0x40), ""},
      {"zero-size frame", Tag(3, Frame23("TIT2", "") + Frame23("TPE1", Latin("a"))), ""},
      {"v2.2 compressed", Tag(2, Frame22("TT2", Latin("x")), 0, 0x40), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.data).title, c.title) << c.name;
}

// Records what the reader asks for.
class RecordingSource : public MemorySource {
 public:
  using MemorySource::MemorySource;
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::string& out) override {
    const std::size_t got = MemorySource::ReadAt(offset, n, out);
    bytesRead += got;
    furthest = std::max<std::uint64_t>(furthest, offset + got);
    return got;
  }
  std::uint64_t bytesRead = 0;
  std::uint64_t furthest = 0;
};

TEST(Id3v2Read, SkipsPicturesAndNeverReadsTheAudio) {
  const std::string picture =
      Bytes({0}) + "image/jpeg" + Bytes({0, 3, 0}) + std::string(300000, 'P');
  const std::string tag =
      Tag(3, Frame23("APIC", picture) + Frame23("TIT2", Latin("After picture")), 100);
  const std::string file = tag + std::string(5000, '\xAA');
  RecordingSource source(file);
  TagFields f;
  ASSERT_TRUE(ReadId3v2(source, f));
  EXPECT_EQ(f.title, "After picture");
  EXPECT_LT(source.bytesRead, 200u);
  EXPECT_LE(source.furthest, tag.size());
}

TEST(Id3v2Read, ReadsFromAFileWithoutLoadingItAll) {
  TempDir dir;
  const std::string picture =
      Bytes({0}) + "image/jpeg" + Bytes({0, 3, 0}) + std::string(300000, 'P');
  const std::string tag =
      Tag(3, Frame23("APIC", picture) + Frame23("TIT2", Latin("After picture")));
  const auto path = dir.File("a.mp3", tag + std::string(5000, '\xAA'));
  TagFields f;
  ASSERT_TRUE(ReadId3v2(path, f));
  EXPECT_EQ(f.title, "After picture");
  EXPECT_TRUE(HasId3v2(path));
  EXPECT_FALSE(ReadId3v2(dir.path() + "/none.mp3", f));
}

}  // namespace
}  // namespace tessarn
