#include "app/movie_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "platform/classlib/application.h"
#include "platform/classlib/atomic_file.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/little_endian.h"
#include "platform/flash/format/inflate.h"
#include "platform/flash/format/movie.h"

using namespace classlib;

namespace lumicast {

namespace {

constexpr int kPrefixBytes = static_cast<int>(flash::kMoviePrefixSize);

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
  Stream->SetPosition(Offset);
  int64_t input_left = Avail;
  uint64_t kept = 0, produced = 0;
  auto read = [&](uint8_t* buffer, size_t capacity) -> size_t {
    int64_t n =
        input_left > 0 ? Stream->Read(buffer, std::min<int64_t>(input_left, int64_t(capacity))) : 0;
    if (n <= 0) return 0;
    input_left -= n;
    return static_cast<size_t>(n);
  };
  auto write = [&](const uint8_t* data, size_t size) {
    size_t take = static_cast<size_t>(std::min<uint64_t>(size, Keep - kept));
    std::memcpy(Head + kept, data, take);
    kept += take;
  };
  flash::InflateStream(read, write, Wanted, &produced);
  return produced >= Wanted;
}

// Reads the header of the movie that lies in Stream from Offset, Avail bytes long.
bool ParseHeaderAt(TStream* Stream, int64_t Offset, int64_t Avail, TSwfHeader& Header) {
  uint8_t prefix[kPrefixBytes];
  if (Avail < kPrefixBytes || !ReadAt(Stream, Offset, prefix, kPrefixBytes)) return true;
  Header.Version = prefix[3];
  uint32_t file_length = GetLE32(prefix + 4);
  Header.FileLength = static_cast<int32_t>(file_length);

  std::array<uint8_t, flash::kStageFieldsMaxSize> body{};
  size_t have = 0;
  if (Header.Kind == sfkCompressedSwf || Header.Kind == sfkProjectorCompressedSwf) {
    if (file_length <= uint32_t(kPrefixBytes)) return true;
    uint64_t wanted = file_length - uint64_t(kPrefixBytes);
    have = static_cast<size_t>(std::min<uint64_t>(wanted, body.size()));
    if (!InflateBody(Stream, Offset + kPrefixBytes, Avail - kPrefixBytes, wanted, body.data(),
                     have))
      return true;
  } else {
    have = static_cast<size_t>(std::min<int64_t>(Avail - kPrefixBytes, int64_t(body.size())));
    if (!ReadAt(Stream, Offset + kPrefixBytes, body.data(), int64_t(have))) return true;
  }

  flash::SwfHeader h;
  try {
    flash::ReadStageFields(body.data(), have, h);
  } catch (const flash::FormatError&) {
    return true;  // the rectangle, rate or count is cut short
  }
  // The stage is the rectangle's extent, wherever the rectangle begins (the fields are signed:
  // a stage may begin left of or above the origin). A rectangle that ends before it begins has
  // no extent.
  auto extent = [](int64_t Min, int64_t Max) {
    return Max > Min ? static_cast<int32_t>((Max - Min) / 20) : 0;
  };
  Header.Width = extent(h.frame_size.xmin, h.frame_size.xmax);
  Header.Height = extent(h.frame_size.ymin, h.frame_size.ymax);
  Header.FrameRate = static_cast<int32_t>(h.frame_rate);
  Header.FrameCount = h.frame_count;
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

int64_t CopyStreamWithProgress(TStream* Source, TStream* Dest, int64_t Count,
                               const TCopyProgress& Progress) {
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
