// Name lists, codec lists and file information.
#include <cstring>
#include <string>
#include <vector>

#include "platform/encoder/audio_stream.h"
#include "platform/encoder/codec_table.h"
#include "platform/encoder/handles.h"
#include "platform/encoder/mcl.h"

namespace mcl {
namespace {

struct NameList : Object {
  std::vector<std::string> names;
};

struct CodecList : Object {
  std::vector<CodecEntry> entries;
};

}  // namespace
}  // namespace mcl

MclHandle MclListCreate() { return mcl::Register(std::make_unique<mcl::NameList>()); }

int32_t MclListAdd(MclHandle list, const char* fileName, int32_t, int32_t, int32_t) {
  auto* l = mcl::FindAs<mcl::NameList>(list);
  if (!l) return kMclBadSound;
  if (!fileName) return kMclBadInput;
  l->names.emplace_back(fileName);
  return kMclOk;
}

int32_t MclListGetName(MclHandle list, int32_t index, char* buffer, int32_t bufferSize) {
  if (buffer && bufferSize > 0) buffer[0] = '\0';
  auto* l = mcl::FindAs<mcl::NameList>(list);
  if (!l || !buffer || bufferSize <= 0 || index < 0 || size_t(index) >= l->names.size()) return 0;
  const std::string& name = l->names[size_t(index)];
  // A name that does not fit is not cut short: a shortened path would name
  // another file.
  if (name.empty() || name.size() >= size_t(bufferSize)) return 0;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return int32_t(name.size());
}

int32_t MclListFree(MclHandle list) {
  if (!mcl::FindAs<mcl::NameList>(list)) return kMclBadSound;
  mcl::Release(list);
  return kMclOk;
}

MclHandle MclCodecsVideoCreate(int32_t fileFormat, int32_t width, int32_t height, int32_t bits) {
  auto list = std::make_unique<mcl::CodecList>();
  (void)width;
  (void)height;  // every listed encoder takes any size
  for (const mcl::CodecEntry& e : mcl::AvailableCodecs(fileFormat)) {
    // Codecs that cannot keep alpha are still offered for 32-bit images
    // (the alpha is dropped), as the uncompressed 24-bit frames are.
    (void)bits;
    list->entries.push_back(e);
  }
  return mcl::Register(std::move(list));
}

int32_t MclCodecsGetCount(MclHandle list) {
  auto* l = mcl::FindAs<mcl::CodecList>(list);
  return l ? int32_t(l->entries.size()) : 0;
}

int32_t MclCodecsGetInfo(MclHandle list, MclCodecInfo* record, int32_t index) {
  auto* l = mcl::FindAs<mcl::CodecList>(list);
  if (!l) return kMclBadSound;
  if (!record || index < 0 || size_t(index) >= l->entries.size()) return kMclBadInput;
  const mcl::CodecEntry& e = l->entries[size_t(index)];
  std::memset(record, 0, sizeof *record);
  record->size = int32_t(sizeof *record);
  std::strncpy(record->description, e.description, 128);
  record->fourCC = e.fourCC;
  record->fileFormat = e.fourCC <= kMclCodecMpeg2 ? kMclFormatMpeg : kMclFormatAvi;
  record->hasDialog = e.lossless ? 0 : -1;
  record->supportsAlpha = e.alpha ? -1 : 0;
  return kMclOk;
}

int32_t MclCodecsFree(MclHandle list) {
  if (!mcl::FindAs<mcl::CodecList>(list)) return kMclBadSound;
  mcl::Release(list);
  return kMclOk;
}

int32_t MclGetFileInfo(const char* fileName, int32_t recordSize, void* record, int32_t, int32_t) {
  if (!record || recordSize <= 0) return kMclBadInput;
  MclFileInfo info;
  std::memset(&info, 0, sizeof info);
  info.size = int32_t(sizeof info);
  int32_t result = kMclBadInput;
  if (fileName && *fileName) {
    bool hasAudio = false, supported = false;
    int rate = 0, channels = 0;
    int64_t ms = 0;
    if (mcl::ProbeAudio(fileName, hasAudio, supported, rate, channels, ms)) {
      result = kMclOk;
      info.hasAudio = hasAudio ? -1 : 0;
      info.audioSupported = supported ? -1 : 0;
      info.audioSampleRate = rate;
      info.audioChannels = channels;
      info.audioDurationMs = ms > INT32_MAX ? INT32_MAX : int32_t(ms);
    }
  }
  // Only as much of the record as the caller has room for.
  std::memcpy(record, &info, std::min<size_t>(size_t(recordSize), sizeof info));
  return result;
}
