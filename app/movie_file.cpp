#include "app/movie_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include <zlib.h>

#include "platform/classlib/application.h"
#include "platform/classlib/atomic_file.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/little_endian.h"

namespace lumicast {

using namespace classlib;

namespace {

// Bytes after the fixed 8-byte prefix that can hold the frame rectangle (at most 17 bytes),
// the frame rate and the frame count.
constexpr int kHeaderBodyBytes = 21;
constexpr int kPrefixBytes = 8;
// Size of the fixed buffers used to inflate a compressed body.
constexpr size_t kInflateChunk = 65536;

std::string LowerExtension(const std::string& Path) {
  size_t slash = Path.find_last_of('/');
  size_t dot = Path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = Path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// Reads exactly Count bytes at Offset; false when the stream holds fewer.
bool ReadAt(TStream* Stream, int64_t Offset, void* Buffer, int64_t Count) {
  Stream->SetPosition(Offset);
  return Stream->Read(Buffer, Count) == Count;
}

TSwfFileKind KindOfSignature(const uint8_t* Sig, TSwfFileKind Plain, TSwfFileKind Compressed) {
  if (Sig[1] != 'W' || Sig[2] != 'S') return sfkUnknown;
  if (Sig[0] == 'F') return Plain;
  if (Sig[0] == 'C') return Compressed;
  return sfkUnknown;
}

// Where the movie lies inside a classified file.
struct TMovieSpan {
  TSwfFileKind Kind = sfkUnknown;
  int64_t Offset = 0;
  int64_t Length = 0;
};

// Classifies an open file. Every size read from the file is checked against the file's length;
// files too short for a signature or a projector trailer are not recognised.
TMovieSpan Classify(TStream* File, const std::string& Path) {
  TMovieSpan span;
  std::string ext = LowerExtension(Path);
  if (ext != ".swf" && ext != ".exe") return span;
  int64_t size = File->Size();
  uint8_t sig[3];
  if (ext == ".swf") {
    if (size < 3 || !ReadAt(File, 0, sig, 3)) return span;
    span.Kind = KindOfSignature(sig, sfkSwf, sfkCompressedSwf);
    span.Length = size;
    return span;
  }
  uint8_t trailer[8];
  if (size < 8 || !ReadAt(File, size - 8, trailer, 8)) return span;
  if (GetLE32(trailer) != kProjectorMarker) return span;
  int64_t length = GetLE32(trailer + 4);
  if (length < 3 || length > size - 8) return span;
  int64_t offset = size - 8 - length;
  if (!ReadAt(File, offset, sig, 3)) return span;
  span.Kind = KindOfSignature(sig, sfkProjectorSwf, sfkProjectorCompressedSwf);
  span.Offset = offset;
  span.Length = length;
  return span;
}

// Inflates the zlib stream found in Stream between Offset and Offset + Avail until exactly
// Wanted bytes came out, keeping only the first Keep bytes in Head. Memory use is fixed whatever
// Wanted claims. False when the stream is corrupt or ends before Wanted bytes.
bool InflateBody(TStream* Stream, int64_t Offset, int64_t Avail, uint64_t Wanted, uint8_t* Head,
                 size_t Keep) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  struct Ender {
    z_stream* z;
    ~Ender() { inflateEnd(z); }
  } ender{&z};
  std::vector<uint8_t> in(kInflateChunk), out(kInflateChunk);
  Stream->SetPosition(Offset);
  uint64_t produced = 0;
  int64_t input_left = Avail;
  while (produced < Wanted) {
    if (z.avail_in == 0 && input_left > 0) {
      int64_t n = Stream->Read(in.data(), std::min<int64_t>(input_left, int64_t(in.size())));
      if (n <= 0) return false;
      input_left -= n;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
    }
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(std::min<uint64_t>(out.size(), Wanted - produced));
    int rc = inflate(&z, Z_NO_FLUSH);
    size_t got = static_cast<size_t>(z.next_out - out.data());
    if (produced < Keep) {
      size_t take = std::min<size_t>(got, Keep - static_cast<size_t>(produced));
      std::memcpy(Head + produced, out.data(), take);
    }
    produced += got;
    if (produced >= Wanted) break;
    if (rc == Z_STREAM_END) return false;  // ended before the claimed length
    if (rc == Z_BUF_ERROR && z.avail_in == 0 && input_left > 0) continue;  // needs more input
    if (rc == Z_BUF_ERROR) return false;  // input exhausted before the claimed length
    if (rc != Z_OK) return false;  // data, dictionary or memory error
  }
  return true;
}

// Reads the header of the movie that lies in Stream from Offset, Avail bytes long.
bool ParseHeaderAt(TStream* Stream, int64_t Offset, int64_t Avail, TSwfHeader& Header) {
  uint8_t prefix[kPrefixBytes];
  if (Avail < kPrefixBytes || !ReadAt(Stream, Offset, prefix, kPrefixBytes)) return true;
  Header.Version = prefix[3];
  uint32_t file_length = GetLE32(prefix + 4);
  Header.FileLength = static_cast<int32_t>(file_length);

  std::array<uint8_t, kHeaderBodyBytes> body{};
  size_t have = 0;
  if (Header.Kind == sfkCompressedSwf || Header.Kind == sfkProjectorCompressedSwf) {
    if (file_length <= uint32_t(kPrefixBytes)) return true;
    uint64_t wanted = file_length - uint64_t(kPrefixBytes);
    have = static_cast<size_t>(std::min<uint64_t>(wanted, body.size()));
    if (!InflateBody(Stream, Offset + kPrefixBytes, Avail - kPrefixBytes, wanted, body.data(), have))
      return true;
  } else {
    have = static_cast<size_t>(std::min<int64_t>(Avail - kPrefixBytes, int64_t(body.size())));
    if (!ReadAt(Stream, Offset + kPrefixBytes, body.data(), int64_t(have))) return true;
  }
  if (have < 1) return true;

  // Frame rectangle: 5 bits of field width N, then Xmin, Xmax, Ymin, Ymax of N bits each,
  // most significant bit first. Only the bytes the rectangle, rate and count occupy are needed.
  int n = body[0] >> 3;
  size_t r = static_cast<size_t>((5 + 4 * n + 7) / 8);
  if (r + 4 > have) return true;
  // The fields are signed: a stage may begin left of or above the origin.
  auto field = [&](int start) -> int64_t {
    if (n == 0) return 0;
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      int bit = start + i;
      v = (v << 1) | ((body[size_t(bit / 8)] >> (7 - bit % 8)) & 1u);
    }
    const uint32_t sign = 1u << (n - 1);
    return static_cast<int64_t>(v ^ sign) - static_cast<int64_t>(sign);
  };
  // The stage is the rectangle's extent, wherever the rectangle begins.
  // A rectangle that ends before it begins has no extent.
  auto extent = [](int64_t Min, int64_t Max) { return Max > Min ? static_cast<int32_t>((Max - Min) / 20) : 0; };
  Header.Width = extent(field(5), field(5 + n));
  Header.Height = extent(field(5 + 2 * n), field(5 + 3 * n));
  Header.FrameRate = body[r + 1];
  Header.FrameCount = body[r + 2] + 256 * body[r + 3];
  return false;
}

}  // namespace

TSwfFileKind SwfFileKindFromInt(int Value) {
  return Value >= 0 && Value < kSwfFileKindCount ? static_cast<TSwfFileKind>(Value) : sfkUnknown;
}

std::string GetTempDirectory() { return GetTempDir(); }

std::string CreateTempFileName(const std::string& Extension) {
  return CreateUniqueFile(GetTempDirectory(), "QZT", Extension);
}

int64_t CopyStreamWithProgress(TStream* Source, TStream* Dest, int64_t Count, const TCopyProgress& Progress) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  if (Count < 0) throw EReadError("Stream read error");
  if (Progress) Progress(0, Count);
  std::vector<uint8_t> buf(static_cast<size_t>(std::min(Count, kCopyChunkSize)));
  int64_t done = 0;
  while (done < Count) {
    int64_t n = std::min<int64_t>(Count - done, int64_t(buf.size()));
    Source->ReadBuffer(buf.data(), n);
    Dest->WriteBuffer(buf.data(), n);
    done += n;
    if (Progress) Progress(done, Count);
  }
  return Count;
}

TSwfFileKind GetSwfFileKind(const std::string& Path) {
  TFileStream file(Path, fmOpenRead);
  try {
    return Classify(&file, Path).Kind;
  } catch (const EStreamError&) {
    return sfkUnknown;  // unreadable (a folder, an I/O error): not a movie
  }
}

bool ReadSwfHeader(const std::string& Path, TSwfHeader& Header) {
  Header = TSwfHeader{};
  TFileStream file(Path, fmOpenRead);
  try {
    TMovieSpan span = Classify(&file, Path);
    Header.Kind = span.Kind;
    if (span.Kind == sfkUnknown) return true;
    return ParseHeaderAt(&file, span.Offset, span.Length, Header);
  } catch (const std::exception&) {
    return true;
  }
}

bool ParseSwfHeaderStream(TStream* Stream, TSwfHeader& Header) {
  try {
    return ParseHeaderAt(Stream, 0, Stream->Size(), Header);
  } catch (const std::exception&) {
    return true;
  }
}

std::string ExtractSwfFromProjector(const std::string& Path, const std::string& OutPath,
                                    const TCopyProgress& Progress) {
  TFileStream file(Path, fmOpenRead);
  TMovieSpan span;
  try {
    span = Classify(&file, Path);
  } catch (const EStreamError&) {
    return {};
  }
  if (span.Kind != sfkProjectorSwf && span.Kind != sfkProjectorCompressedSwf) return {};

  TCursorGuard hourglass;
  std::string out = OutPath.empty() ? CreateTempFileName(".swf") : OutPath;
  try {
    TFileStream dest(out, fmCreate);
    file.SetPosition(span.Offset);
    CopyStreamWithProgress(&file, &dest, span.Length, Progress);
  } catch (...) {
    ::unlink(out.c_str());
    throw;
  }
  return out;
}

}  // namespace lumicast
