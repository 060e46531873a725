// ID3 tags of MP3 files: the frames of each tag version and text encoding, the ID3v1 fields, and
// damaged tags, which give the frames before the damage and never a read outside the data.
#include <gtest/gtest.h>

#include <random>

#include "platform/flash/format/id3.h"

namespace {

using flash::Id3Tags;

std::string BigEndian(uint32_t v, int n) {
  std::string s;
  for (int i = n - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

std::string SyncSafe(uint32_t v) {
  std::string s;
  for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (7 * i)) & 0x7F);
  return s;
}

// A frame of tag version 2, 3 or 4.
std::string Frame(int version, const std::string& id, const std::string& body, uint16_t flags = 0) {
  if (version == 2) return id + BigEndian(static_cast<uint32_t>(body.size()), 3) + body;
  std::string size = version == 3 ? BigEndian(static_cast<uint32_t>(body.size()), 4)
                                  : SyncSafe(static_cast<uint32_t>(body.size()));
  return id + size + BigEndian(flags, 2) + body;
}

std::string Tag(int version, const std::string& frames, uint8_t flags = 0, size_t padding = 0) {
  std::string body = frames + std::string(padding, '\0');
  return "ID3" + std::string{static_cast<char>(version), 0, static_cast<char>(flags)} +
         SyncSafe(static_cast<uint32_t>(body.size())) + body;
}

// The bytes of a literal, zeros included.
template <size_t N>
std::string B(const char (&s)[N]) {
  return std::string(s, N - 1);
}

std::string Latin1(const std::string& s) { return std::string(1, '\0') + s; }

// Unsynchronised bytes: a zero after every 0xFF.
std::string Unsynchronised(const std::string& s) {
  std::string out;
  for (char c : s) {
    out += c;
    if (c == '\xFF') out += '\0';
  }
  return out;
}

std::string Utf16(const std::u16string& s, bool big_endian, bool bom) {
  std::string out;
  if (bom) out += big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : s) {
    char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

std::string Pairs(const Id3Tags& t) {
  std::string s;
  for (const auto& f : t.frames) s += f.id + "=" + f.text + ";";
  return s;
}

Id3Tags Read(const std::string& bytes) {
  return flash::ReadId3Tags(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Every encoding, comments and user addresses, frames scripts do not see, and the padding.
std::string Version3Tag() {
  std::string frames =
      Frame(3, "TPE1", Latin1("Caf\xE9")) +
      Frame(3, "TIT2",
            "\x01" + Utf16(u"Tit\u00E9 \U0001F600", false, true) + std::string(2, '\0')) +
      Frame(3, "COMM", Latin1("eng") + "desc" + B("\0") + "First") +
      Frame(3, "WOAR", "http://example.com") +
      Frame(3, "COMM",
            "\x01"
            "eng" +
                Utf16(u"d", true, true) + std::string(2, '\0') + Utf16(u"Second", true, true)) +
      Frame(3, "WXXX", Latin1("home") + std::string(1, '\0') + "http://a.b") +
      Frame(3, "TXXX", Latin1("x") + std::string(1, '\0') + "y") + Frame(3, "TYER", Latin1("1999"));
  return Tag(3, frames, 0, 64);
}

TEST(Id3, Version3FramesInEveryEncodingInFileOrder) {
  Id3Tags t = Read(Version3Tag() + "\xFF\xFB\x90\x00");
  EXPECT_FALSE(t.version1);
  EXPECT_EQ(Pairs(t),
            "TPE1=Caf\xC3\xA9;TIT2=Tit\xC3\xA9 \xF0\x9F\x98\x80;COMM=First;COMM=Second;"
            "WXXX=http://a.b;TYER=1999;");
  EXPECT_EQ(flash::Id3v2TagSize(reinterpret_cast<const uint8_t*>(Version3Tag().data()), 4000),
            Version3Tag().size());
}

TEST(Id3, Version4AndVersion2Frames) {
  // Sizes seven bits a byte, UTF-8 and UTF-16BE text, a frame unsynchronised with a data length
  // indicator, a grouped one, a compressed one passed by; the footer counts in the tag's size.
  std::string frames = Frame(4, "TALB",
                             "\x03"
                             "\xC3\xBC"
                             "ber") +
                       Frame(4, "TPE1", "\x02" + Utf16(u"Big", true, false)) +
                       Frame(4, "TCON", B("\0\0\0\x06") + Unsynchronised(B("\0\xFFRock")), 0x0003) +
                       Frame(4, "TIT2", "G" + Latin1("Grouped"), 0x0040) +
                       Frame(4, "TRCK", Latin1("7"), 0x0008) +
                       Frame(4, "TPE2", Latin1(std::string(199, 'a')));  // two size bytes
  std::string tag = Tag(4, frames, 0x10);
  tag += "3DI" + tag.substr(3, 7);
  Id3Tags t = Read(tag);
  EXPECT_EQ(Pairs(t),
            "TALB=\xC3\xBC"
            "ber;TPE1=Big;TCON=\xC3\xBFRock;TIT2=Grouped;TPE2=" +
                std::string(199, 'a') + ";");
  EXPECT_EQ(flash::Id3v2TagSize(reinterpret_cast<const uint8_t*>(tag.data()), tag.size() + 50),
            tag.size());

  Id3Tags v2 =
      Read(Tag(2, Frame(2, "TT2", Latin1("Song")) + Frame(2, "TP1", Latin1("Band")) +
                      Frame(2, "PIC", "xxxx") + Frame(2, "COM", Latin1("eng") + '\0' + "Hi")));
  EXPECT_EQ(Pairs(v2), "TIT2=Song;TPE1=Band;COMM=Hi;");
}

TEST(Id3, WholeTagUnsynchronisationAndExtendedHeader) {
  std::string frames = Frame(3, "TIT2",
                             B("\0A\xFF"
                               "B"));
  std::string extended = BigEndian(6, 4) + std::string(6, '\0');
  Id3Tags t = Read(Tag(3, Unsynchronised(extended + frames), 0x80 | 0x40));
  EXPECT_EQ(Pairs(t),
            "TIT2=A\xC3\xBF"
            "B;");
}

std::string Version1(const std::string& title, const std::string& comment, int track,
                     uint8_t genre) {
  std::string t = "TAG";
  auto field = [&](const std::string& s, size_t n) {
    t += (s + std::string(n, '\0')).substr(0, n);
  };
  field(title, 30);
  field("Artist   ", 30);
  field("", 30);  // no album
  field("2001", 4);
  if (track > 0) {
    field(comment, 28);
    t += '\0';
    t += static_cast<char>(track);
  } else {
    field(comment, 30);
  }
  t += static_cast<char>(genre);
  return t;
}

TEST(Id3, Version1FieldsAndTheTrackOfVersion1_1) {
  std::string frames(1000, '\x55');
  Id3Tags t = Read(frames + Version1("Title", "Nice", 5, 17));
  EXPECT_TRUE(t.version1);
  EXPECT_EQ(Pairs(t), "TIT2=Title;TPE1=Artist;TYER=2001;COMM=Nice;TRCK=5;TCON=17;");
  t = Read(Version1(std::string(30, 'x'), std::string(30, 'c'), 0, 255));
  EXPECT_EQ(Pairs(t), "TIT2=" + std::string(30, 'x') +
                          ";TPE1=Artist;TYER=2001;COMM=" + std::string(30, 'c') + ";");
  // A version 2 tag wins; without any tag there is nothing.
  EXPECT_EQ(Pairs(Read(Version3Tag() + frames + Version1("Other", "", 0, 1))).substr(0, 5),
            "TPE1=");
  EXPECT_TRUE(Read(frames).frames.empty());
  EXPECT_TRUE(Read("").frames.empty());
}

// Damage: the frames before it are kept; a size running past the data, a bad id or a size
// byte with its top bit set ends the frames; nothing reads outside the bytes given.
TEST(Id3, DamagedTagsKeepTheFramesBeforeTheDamage) {
  const std::string good = Version3Tag();
  const Id3Tags whole = Read(good);
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    std::string part = good.substr(0, cut);
    Id3Tags t = Read(part);
    ASSERT_LE(t.frames.size(), whole.frames.size()) << cut;
    for (size_t i = 0; i < t.frames.size(); ++i) {
      EXPECT_EQ(t.frames[i].id, whole.frames[i].id) << cut;
      EXPECT_EQ(t.frames[i].text, whole.frames[i].text) << cut;
    }
  }
  std::string huge = Tag(3, Frame(3, "TIT2", Latin1("ok")) + "TALB" + BigEndian(0xFFFFFFF0u, 4) +
                                B("\0\0") + Latin1("x"));
  EXPECT_EQ(Pairs(Read(huge)), "TIT2=ok;");
  std::string claims_more = Tag(3, Frame(3, "TIT2", Latin1("ok")));
  claims_more.replace(6, 4, SyncSafe(0x0FFFFFFF));
  EXPECT_EQ(Pairs(Read(claims_more)), "TIT2=ok;");
  std::string bad_size = Tag(3, Frame(3, "TIT2", Latin1("ok")));
  bad_size[6] = '\x80';
  EXPECT_TRUE(Read(bad_size).frames.empty());
  EXPECT_EQ(flash::Id3v2TagSize(reinterpret_cast<const uint8_t*>(bad_size.data()), bad_size.size()),
            0u);
  // Odd-length UTF-16, a lone surrogate, an unknown encoding, a comment too short for its
  // language, an empty text frame.
  Id3Tags odd = Read(Tag(3, Frame(3, "TIT2",
                                  B("\x01\xFF\xFE"
                                    "A\0B")) +
                                Frame(3, "TPE1",
                                      B("\x01\xFF\xFE\x00\xD8"
                                        "C\0")) +
                                Frame(3, "TALB",
                                      "\x07"
                                      "abc") +
                                Frame(3, "COMM", B("\0en")) + Frame(3, "TYER", "")));
  EXPECT_EQ(Pairs(odd),
            "TIT2=A;TPE1=\xEF\xBF\xBD"
            "C;");
}

// Random mutations of a good tag: no crash, every text valid UTF-8 and no longer than the data
// could make it.
TEST(Id3, HostileMutationsNeverReadOutsideTheData) {
  std::mt19937 random(25);
  const std::string base = Tag(4, Frame(4, "TIT2", "\x01" + Utf16(u"T\u00EFtle", false, true)) +
                                      Frame(4, "TCON", B("\0\0\0\x05") + Latin1("Jazz"), 0x0003)) +
                           Version3Tag() + Version1("t", "c", 3, 2);
  for (int round = 0; round < 4000; ++round) {
    std::string bytes = round % 2 ? base : Version3Tag();
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int c = 0; c < changes; ++c) {
      size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0: bytes[at] = static_cast<char>(random()); break;
        case 1: bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8))); break;
        case 2: bytes.erase(at, random() % 16); break;
        default: bytes.insert(at, std::string(random() % 4, static_cast<char>(random()))); break;
      }
      if (bytes.empty()) bytes = "I";
    }
    // A copy of exactly the data's size, so that a read past its end leaves the allocation.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    Id3Tags t = flash::ReadId3Tags(exact.data(), exact.size());
    for (const auto& f : t.frames) {
      ASSERT_LE(f.text.size(), exact.size() * 2);
      ASSERT_EQ(f.id.size(), 4u);
      for (size_t i = 0; i < f.text.size();) {  // well-formed UTF-8
        const auto b = static_cast<uint8_t>(f.text[i]);
        const size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        ASSERT_LE(i + n, f.text.size());
        for (size_t k = 1; k < n; ++k) ASSERT_EQ(static_cast<uint8_t>(f.text[i + k]) & 0xC0, 0x80);
        i += n;
      }
    }
  }
}

}  // namespace
