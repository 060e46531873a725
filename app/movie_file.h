// Input movies: classification of a file (plain movie, compressed movie, projector carrying
// either), the few header fields a job needs, extraction of a projector's movie into a file of
// its own, and the names of the program's temporary files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"

namespace lumicast {

// Kind of an input file. Stored in the job record and the job list as its 8-bit value.
enum TSwfFileKind : uint8_t {
  sfkSwf = 0,                     // ".swf", signature "FWS"
  sfkCompressedSwf = 1,           // ".swf", signature "CWS"
  sfkProjectorSwf = 2,            // ".exe" carrying an "FWS" movie
  sfkProjectorCompressedSwf = 3,  // ".exe" carrying a "CWS" movie
  sfkUnknown = 4,
};
constexpr int kSwfFileKindCount = 5;

// A kind read back from a file: values outside 0..4 count as not recognised.
TSwfFileKind SwfFileKindFromInt(int Value);

// Summary of one movie's header.
struct TSwfHeader {
  TSwfFileKind Kind = sfkUnknown;
  int32_t Version = 0;
  int32_t FileLength = 0;  // whole uncompressed movie, header included
  int32_t Width = 0;       // stage size in pixels (twips div 20)
  int32_t Height = 0;
  int32_t FrameRate = 0;  // integer part of the 8.8 frame rate
  int32_t FrameCount = 0;
};

// Marker in the last 8 bytes of a projector: marker, then the carried movie's length.
constexpr uint32_t kProjectorMarker = 0xFA123456u;
// Chunk size of stream copies.
constexpr int64_t kCopyChunkSize = 61440;

// Reports a copy's progress: called once with (0, total) before the first chunk, then with
// (copied so far, total) after every chunk. Empty: no report.
using TCopyProgress = std::function<void(int64_t Copied, int64_t Total)>;

// The system temporary folder, ending in "/".
std::string GetTempDirectory();

// Creates a new empty file "QZT<unique><Extension>" in the temporary folder, exclusively, and
// returns its full name. The file is left in place so the name stays taken until the caller
// overwrites or deletes it. Raises EFCreateError when no file can be created.
std::string CreateTempFileName(const std::string& Extension = ".tmp");

// Copies Count bytes from Source's position to Dest in chunks of at most kCopyChunkSize (Count 0:
// the whole of Source from its beginning). Short reads and writes raise. Returns the count copied.
int64_t CopyStreamWithProgress(classlib::TStream* Source, classlib::TStream* Dest, int64_t Count,
                               const TCopyProgress& Progress = {});

// Classifies a file by its extension (compared in lower case) and signature. A file that cannot
// be opened raises EFOpenError; anything unrecognised, truncated or inconsistent is sfkUnknown.
TSwfFileKind GetSwfFileKind(const std::string& Path);

// Reads the header of a movie file. Returns true on FAILURE. The header is cleared first; after a
// failure its Kind is still the file's kind. Never reads the whole file into memory: a compressed
// body is inflated through a fixed buffer. Open failures raise EFOpenError.
bool ReadSwfHeader(const std::string& Path, TSwfHeader& Header);

// Reads the header fields of a movie held in Stream, its first byte at position 0. Header.Kind
// must be set (kinds 1 and 3 are compressed). Returns true on FAILURE; fields read before a
// failure keep their values.
bool ParseSwfHeaderStream(classlib::TStream* Stream, TSwfHeader& Header);

// Writes the movie carried by a projector to OutPath, or when that is empty to a new temporary
// "QZT...swf" file, and returns the name written. Returns an empty string, writing nothing, when
// the file is not a projector carrying a movie. A failed copy removes the partial output and
// raises.
std::string ExtractSwfFromProjector(const std::string& Path, const std::string& OutPath = "",
                                    const TCopyProgress& Progress = {});

}  // namespace lumicast
