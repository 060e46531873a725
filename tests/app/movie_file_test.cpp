// Movie file reader: classification, header fields of generated movies of every kind,
// hostile and truncated files, projector extraction and temporary names.
#include "app/movie_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/support/test_app.h"

using namespace lumicast;
using Bytes = std::vector<uint8_t>;

namespace {

// Writes bits most significant first.
struct BitWriter {
  Bytes out;
  int used = 0;
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used % 8 == 0) out.push_back(0);
      if ((value >> i) & 1u) out.back() |= uint8_t(0x80 >> (used % 8));
      ++used;
    }
  }
};

void PutLe32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// The uncompressed body of a movie (everything after the 8-byte prefix): frame rectangle of
// N-bit fields, 8.8 frame rate, frame count, an end tag and Padding more bytes.
Bytes MovieBody(uint32_t xmax, uint32_t ymax, int n, uint16_t rate88, uint16_t frames,
                size_t padding = 0) {
  BitWriter w;
  w.Put(uint32_t(n), 5);
  w.Put(0, n);
  w.Put(xmax, n);
  w.Put(0, n);
  w.Put(ymax, n);
  Bytes b = w.out;
  b.push_back(uint8_t(rate88 & 0xFF));
  b.push_back(uint8_t(rate88 >> 8));
  b.push_back(uint8_t(frames & 0xFF));
  b.push_back(uint8_t(frames >> 8));
  b.push_back(0);
  b.push_back(0);  // end tag
  b.insert(b.end(), padding, 0x5A);
  return b;
}

// A whole movie; compressed movies deflate the body. ClaimedLength 0: the true length.
Bytes Movie(bool compressed, const Bytes& body, uint8_t version = 8, uint32_t claimed_length = 0) {
  Bytes m = {uint8_t(compressed ? 'C' : 'F'), 'W', 'S', version};
  PutLe32(m, claimed_length ? claimed_length : uint32_t(8 + body.size()));
  if (!compressed) {
    m.insert(m.end(), body.begin(), body.end());
    return m;
  }
  uLongf len = compressBound(uLong(body.size()));
  Bytes z(len);
  EXPECT_EQ(compress(z.data(), &len, body.data(), uLong(body.size())), Z_OK);
  m.insert(m.end(), z.begin(), z.begin() + long(len));
  return m;
}

Bytes Projector(const Bytes& movie, size_t stub_size = 3000, uint32_t claimed = 0,
                uint32_t marker = kProjectorMarker) {
  Bytes p(stub_size);
  for (size_t i = 0; i < stub_size; ++i) p[i] = uint8_t(i * 7);
  p.insert(p.end(), movie.begin(), movie.end());
  PutLe32(p, marker);
  PutLe32(p, claimed ? claimed : uint32_t(movie.size()));
  return p;
}

Bytes StandardBody() { return MovieBody(11000, 8000, 15, 0x0C80, 60); }  // 550x400, 12.5 fps

class MovieFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_dir_.Path();
    ASSERT_FALSE(dir_.empty());
  }
  std::string Write(const std::string& name, const Bytes& data) {
    std::string path = dir_ + "/" + name;
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return path;
  }
  static Bytes ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
  }
  lumitest::TempDir temp_dir_;
  std::string dir_;
};

TEST_F(MovieFileTest, ClassifiesByLowerCaseExtensionAndSignature) {
  Bytes plain = Movie(false, StandardBody());
  Bytes packed = Movie(true, StandardBody());
  EXPECT_EQ(GetSwfFileKind(Write("a.swf", plain)), sfkSwf);
  EXPECT_EQ(GetSwfFileKind(Write("b.SWF", packed)), sfkCompressedSwf);
  EXPECT_EQ(GetSwfFileKind(Write("GAME.EXE", Projector(plain))), sfkProjectorSwf);
  EXPECT_EQ(GetSwfFileKind(Write("c.exe", Projector(packed))), sfkProjectorCompressedSwf);

  Bytes lower = plain;
  lower[0] = 'f', lower[1] = 'w', lower[2] = 's';
  EXPECT_EQ(GetSwfFileKind(Write("lower.swf", lower)), sfkUnknown);
  EXPECT_EQ(GetSwfFileKind(Write("movie.txt", plain)), sfkUnknown);
  EXPECT_EQ(GetSwfFileKind(Write("noext", plain)), sfkUnknown);
  // A projector's movie is found through its trailer only.
  EXPECT_EQ(GetSwfFileKind(Write("plain.exe", plain)), sfkUnknown);
  EXPECT_EQ(GetSwfFileKind(Write("marker.exe", Projector(plain, 100, 0, 0xFA123457))), sfkUnknown);
  EXPECT_EQ(GetSwfFileKind(Write("other.exe", Projector(Bytes{'M', 'Z', 0, 0, 0}))), sfkUnknown);
}

TEST_F(MovieFileTest, TooShortAndInconsistentFilesAreNotRecognised) {
  EXPECT_EQ(GetSwfFileKind(Write("empty.swf", {})), sfkUnknown);
  EXPECT_EQ(GetSwfFileKind(Write("two.swf", {'F', 'W'})), sfkUnknown);
  EXPECT_EQ(GetSwfFileKind(Write("empty.exe", {})), sfkUnknown);
  EXPECT_EQ(GetSwfFileKind(Write("seven.exe", {0x56, 0x34, 0x12, 0xFA, 0, 0, 0})), sfkUnknown);

  Bytes plain = Movie(false, StandardBody());
  // Lengths beyond the file, up to the largest 32-bit value, and lengths too short for a signature.
  for (uint32_t claimed : {uint32_t(plain.size() + 101), 0x7FFFFFFFu, 0xFFFFFFFFu, 2u}) {
    std::string p = Write("long.exe", Projector(plain, 100, claimed));
    EXPECT_EQ(GetSwfFileKind(p), sfkUnknown) << claimed;
    TSwfHeader h;
    EXPECT_TRUE(ReadSwfHeader(p, h));
    EXPECT_EQ(h.Kind, sfkUnknown);
    EXPECT_EQ(ExtractSwfFromProjector(p, dir_ + "/out.swf"), "");
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/out.swf"));
  }
  // A length that exactly reaches the start of the file is still fine.
  EXPECT_EQ(GetSwfFileKind(Write("nostub.exe", Projector(plain, 0))), sfkProjectorSwf);
}

TEST_F(MovieFileTest, MissingFileRaises) {
  TSwfHeader h;
  EXPECT_THROW(GetSwfFileKind(dir_ + "/missing.swf"), classlib::EFOpenError);
  EXPECT_THROW(ReadSwfHeader(dir_ + "/missing.swf", h), classlib::EFOpenError);
  EXPECT_THROW(ExtractSwfFromProjector(dir_ + "/missing.exe"), classlib::EFOpenError);
}

TEST_F(MovieFileTest, ReadsTheHeaderOfEveryKind) {
  Bytes body = StandardBody();
  struct Case {
    const char* name;
    Bytes data;
    TSwfFileKind kind;
  } cases[] = {
      {"p.swf", Movie(false, body, 6), sfkSwf},
      {"c.swf", Movie(true, body, 6), sfkCompressedSwf},
      {"p.exe", Projector(Movie(false, body, 6)), sfkProjectorSwf},
      {"c.exe", Projector(Movie(true, body, 6)), sfkProjectorCompressedSwf},
  };
  for (auto& c : cases) {
    TSwfHeader h;
    ASSERT_FALSE(ReadSwfHeader(Write(c.name, c.data), h)) << c.name;
    EXPECT_EQ(h.Kind, c.kind) << c.name;
    EXPECT_EQ(h.Version, 6);
    EXPECT_EQ(h.FileLength, int32_t(8 + body.size())) << c.name;  // uncompressed length
    EXPECT_EQ(h.Width, 550);
    EXPECT_EQ(h.Height, 400);
    EXPECT_EQ(h.FrameRate, 12);  // integer part of 12.5
    EXPECT_EQ(h.FrameCount, 60);
  }
}

TEST_F(MovieFileTest, HeaderFieldsFollowTheBitLayout) {
  struct Case {
    uint32_t xmax, ymax;
    int n;
    uint16_t rate, frames;
    int w, h, fps;
  } cases[] = {
      {11019, 8019, 15, 0x1800, 1, 550, 400, 24},  // twips truncate toward zero
      {19, 39, 7, 0x0001, 0xFFFF, 0, 1, 0},        // below one pixel; the largest frame count
      {0x3FFFFFFF, 0x3FFFFFFF, 31, 0xFF00, 0x1234, 53687091, 53687091,
       255},                            // widest fields (signed)
      {19, 39, 6, 0x0001, 1, 0, 0, 0},  // fields are signed: 39 in 6 bits is -25, no extent
      {2880 * 20, 20, 17, 0x1E00, 300, 2880, 1, 30},  // fields crossing byte boundaries
  };
  for (auto& c : cases) {
    Bytes m = Movie(false, MovieBody(c.xmax, c.ymax, c.n, c.rate, c.frames));
    classlib::TMemoryStream s;
    s.WriteBuffer(m.data(), int64_t(m.size()));
    TSwfHeader h;
    h.Kind = sfkSwf;
    ASSERT_FALSE(ParseSwfHeaderStream(&s, h)) << c.n;
    EXPECT_EQ(h.Width, c.w);
    EXPECT_EQ(h.Height, c.h);
    EXPECT_EQ(h.FrameRate, c.fps);
    EXPECT_EQ(h.FrameCount, c.frames);
  }
}

TEST_F(MovieFileTest, SmallValidMovieIsRead) {
  // A 1x1 movie is 18 bytes in all: shorter than the widest possible header.
  Bytes m = Movie(false, MovieBody(20, 20, 6, 0x0100, 1));
  ASSERT_LT(m.size(), 29u);
  TSwfHeader h;
  ASSERT_FALSE(ReadSwfHeader(Write("tiny.swf", m), h));
  EXPECT_EQ(h.Width, 1);
  EXPECT_EQ(h.FrameCount, 1);
  ASSERT_FALSE(ReadSwfHeader(Write("tinyc.swf", Movie(true, MovieBody(20, 20, 6, 0x0100, 1))), h));
  EXPECT_EQ(h.Height, 1);
}

TEST_F(MovieFileTest, TruncatedPlainMovieFailsKeepingTheFieldsRead) {
  Bytes m = Movie(false, StandardBody(), 9);
  m.resize(12);  // the rectangle needs 9 bytes after the prefix
  TSwfHeader h;
  EXPECT_TRUE(ReadSwfHeader(Write("trunc.swf", m), h));
  EXPECT_EQ(h.Kind, sfkSwf);
  EXPECT_EQ(h.Version, 9);
  EXPECT_EQ(h.Width, 0);
  m.resize(5);
  EXPECT_TRUE(ReadSwfHeader(Write("trunc2.swf", m), h));
  EXPECT_EQ(h.Version, 0);  // cleared, not left over from the previous read
}

TEST_F(MovieFileTest, CompressedBodyMustReachTheClaimedLength) {
  Bytes body = StandardBody();
  TSwfHeader h;
  // Claims one byte more than the body inflates to.
  EXPECT_TRUE(
      ReadSwfHeader(Write("short.swf", Movie(true, body, 8, uint32_t(8 + body.size() + 1))), h));
  EXPECT_EQ(h.Version, 8);
  // A zlib stream cut in half.
  Bytes cut = Movie(true, MovieBody(11000, 8000, 15, 0x0C80, 60, 5000));
  cut.resize(cut.size() / 2);
  EXPECT_TRUE(ReadSwfHeader(Write("cut.swf", cut), h));
  // Corrupt compressed data.
  Bytes bad = Movie(true, body);
  bad[8] ^= 0xFF;
  EXPECT_TRUE(ReadSwfHeader(Write("bad.swf", bad), h));
  // Claimed lengths that cannot even hold the prefix.
  for (uint32_t claimed : {1u, 8u}) {
    EXPECT_TRUE(ReadSwfHeader(Write("len.swf", Movie(true, body, 8, claimed)), h)) << claimed;
  }
  // Claiming less than the body holds is fine: only the claimed bytes are inflated.
  ASSERT_FALSE(ReadSwfHeader(Write("less.swf", Movie(true, body, 8, 8 + 15)), h));
  EXPECT_EQ(h.Width, 550);
}

TEST_F(MovieFileTest, HugeClaimedLengthsAreNotAllocated) {
  // A tiny compressed movie claiming 2 GB and 4 GB: the reader inflates what is there and fails.
  for (uint32_t claimed : {0x80000000u, 0xFFFFFFFFu}) {
    Bytes m = Movie(true, StandardBody(), 8, claimed);
    TSwfHeader h;
    EXPECT_TRUE(ReadSwfHeader(Write("huge.swf", m), h));
    EXPECT_TRUE(ReadSwfHeader(Write("huge.exe", Projector(m)), h));
    classlib::TMemoryStream s;
    s.WriteBuffer(m.data(), int64_t(m.size()));
    h.Kind = sfkCompressedSwf;
    EXPECT_TRUE(ParseSwfHeaderStream(&s, h));
  }
  // A large body that compresses well is inflated through the fixed buffer.
  Bytes big = MovieBody(11000, 8000, 15, 0x0C80, 60, 24 << 20);
  TSwfHeader h;
  ASSERT_FALSE(ReadSwfHeader(Write("big.swf", Movie(true, big)), h));
  EXPECT_EQ(h.FileLength, int32_t(8 + big.size()));
  EXPECT_EQ(h.FrameCount, 60);
}

TEST_F(MovieFileTest, ProjectorCompressedBodyIsBoundedByTheCarriedLength) {
  // The zlib stream is cut at the carried movie's end, though the stub before it is long.
  Bytes m = Movie(true, MovieBody(11000, 8000, 15, 0x0C80, 60, 5000));
  Bytes half(m.begin(), m.begin() + long(m.size() / 2));
  TSwfHeader h;
  EXPECT_TRUE(ReadSwfHeader(Write("half.exe", Projector(half)), h));
  EXPECT_EQ(h.Kind, sfkProjectorCompressedSwf);
}

TEST_F(MovieFileTest, ExtractionIsByteExact) {
  Bytes movie = Movie(true, MovieBody(11000, 8000, 15, 0x0C80, 60, 200000));
  std::string exe = Write("game.exe", Projector(movie, 70000));
  std::string out = dir_ + "/out.swf";
  std::vector<std::pair<int64_t, int64_t>> reports;
  EXPECT_EQ(ExtractSwfFromProjector(
                exe, out, [&](int64_t done, int64_t total) { reports.emplace_back(done, total); }),
            out);
  EXPECT_EQ(ReadAll(out), movie);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front(), std::make_pair(int64_t(0), int64_t(movie.size())));
  EXPECT_EQ(reports.back(), std::make_pair(int64_t(movie.size()), int64_t(movie.size())));

  // Without an output name: a new temporary movie.
  setenv("TMPDIR", dir_.c_str(), 1);
  std::string tmp = ExtractSwfFromProjector(exe);
  unsetenv("TMPDIR");
  EXPECT_EQ(std::filesystem::path(tmp).parent_path(), std::filesystem::path(dir_));
  EXPECT_EQ(std::filesystem::path(tmp).filename().string().substr(0, 3), "QZT");
  EXPECT_EQ(std::filesystem::path(tmp).extension(), ".swf");
  EXPECT_EQ(ReadAll(tmp), movie);
  TSwfHeader h;
  ASSERT_FALSE(ReadSwfHeader(tmp, h));
  EXPECT_EQ(h.Kind, sfkCompressedSwf);

  // Not a projector: nothing written.
  EXPECT_EQ(ExtractSwfFromProjector(Write("m.swf", movie), dir_ + "/none.swf"), "");
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/none.swf"));
}

TEST_F(MovieFileTest, TemporaryNamesAreCreatedExclusively) {
  setenv("TMPDIR", dir_.c_str(), 1);
  EXPECT_EQ(GetTempDirectory(), dir_ + "/");
  std::string a = CreateTempFileName(".wav");
  std::string b = CreateTempFileName(".wav");
  std::string c = CreateTempFileName();
  unsetenv("TMPDIR");
  EXPECT_NE(a, b);
  for (const auto& n : {a, b, c}) {
    std::filesystem::path p(n);
    EXPECT_EQ(p.parent_path(), std::filesystem::path(dir_));
    EXPECT_EQ(p.filename().string().substr(0, 3), "QZT");
    EXPECT_TRUE(std::filesystem::exists(p));  // still reserved
    EXPECT_EQ(std::filesystem::file_size(p), 0u);
  }
  EXPECT_EQ(std::filesystem::path(a).extension(), ".wav");
}

TEST(CopyStreamWithProgressTest, CopiesInChunks) {
  classlib::TMemoryStream src, dst;
  Bytes data(150000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i % 251);
  src.WriteBuffer(data.data(), int64_t(data.size()));

  // Count 0 copies the whole source from its beginning, wherever it stood.
  std::vector<int64_t> steps;
  EXPECT_EQ(
      CopyStreamWithProgress(&src, &dst, 0, [&](int64_t done, int64_t) { steps.push_back(done); }),
      150000);
  EXPECT_EQ(dst.Bytes(), data);
  EXPECT_EQ(steps, (std::vector<int64_t>{0, 61440, 122880, 150000}));

  // A part from the current position; more than remains raises.
  src.SetPosition(100);
  classlib::TMemoryStream part;
  EXPECT_EQ(CopyStreamWithProgress(&src, &part, 50), 50);
  EXPECT_EQ(part.Bytes(), Bytes(data.begin() + 100, data.begin() + 150));
  src.SetPosition(149990);
  EXPECT_THROW(CopyStreamWithProgress(&src, &part, 11), classlib::EReadError);
}

}  // namespace
