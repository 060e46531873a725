// The compressed-audio manager: drivers, suggestions, and decoding data made
// by FFmpeg's encoders back to 16-bit PCM.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sound/mmsystem.h"
#include "tests/sound/wave_data.h"

using namespace sound;

namespace {

struct DriverList {
  std::vector<HACMDRIVERID> ids;
};

bool Collect(HACMDRIVERID id, uintptr_t inst, uint32_t) {
  reinterpret_cast<DriverList*>(inst)->ids.push_back(id);
  return true;
}

HACMDRIVERID DriverFor(uint16_t tag) {
  DriverList list;
  acmDriverEnum(Collect, reinterpret_cast<uintptr_t>(&list), 0);
  for (HACMDRIVERID id : list.ids) {
    HACMDRIVER h;
    if (acmDriverOpen(&h, id, 0)) continue;
    struct Found {
      uint16_t tag;
      bool hit = false;
    } found{tag};
    ACMFORMATTAGDETAILS t;
    acmFormatTagEnum(
        h, &t,
        [](HACMDRIVERID, ACMFORMATTAGDETAILS* d, uintptr_t inst, uint32_t) {
          auto* f = reinterpret_cast<Found*>(inst);
          if (d->dwFormatTag == f->tag) f->hit = true;
          return true;
        },
        reinterpret_cast<uintptr_t>(&found), 0);
    acmDriverClose(h, 0);
    if (found.hit) return id;
  }
  return nullptr;
}

// Decodes a whole WAVE file's data through the manager in chunks, as the
// codec device does; returns the PCM bytes.
std::vector<uint8_t> DecodeAll(const WAVEFORMATEX& src, const std::vector<uint8_t>& data,
                               WAVEFORMATEX& dst, MMRESULT& failure) {
  failure = 0;
  HACMDRIVERID id = DriverFor(src.wFormatTag);
  EXPECT_NE(id, nullptr);
  if (!id) return {};
  HACMDRIVER drv;
  EXPECT_EQ(acmDriverOpen(&drv, id, 0), 0u);
  dst.wFormatTag = 1;
  EXPECT_EQ(acmFormatSuggest(drv, &src, &dst, 16, ACM_FORMATSUGGESTF_WFORMATTAG), 0u);
  HACMSTREAM s;
  EXPECT_EQ(acmStreamOpen(&s, drv, &src, &dst, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME), 0u);
  uint32_t chunk = 0;
  EXPECT_EQ(acmStreamSize(s, dst.nAvgBytesPerSec / 10, &chunk, ACM_STREAMSIZEF_DESTINATION), 0u);
  uint32_t dstSize = 0;
  EXPECT_EQ(acmStreamSize(s, chunk, &dstSize, ACM_STREAMSIZEF_SOURCE), 0u);
  std::vector<uint8_t> out, dstBuf(dstSize), carry;
  size_t pos = 0;
  bool first = true;
  while (pos < data.size() || !carry.empty()) {
    const size_t take = std::min<size_t>(chunk - carry.size(), data.size() - pos);
    carry.insert(carry.end(), data.begin() + pos, data.begin() + pos + take);
    pos += take;
    ACMSTREAMHEADER h;
    h.pbSrc = carry.data();
    h.cbSrcLength = static_cast<uint32_t>(carry.size());
    h.pbDst = dstBuf.data();
    h.cbDstLength = dstSize;
    acmStreamPrepareHeader(s, &h, 0);
    const MMRESULT r = acmStreamConvert(
        s, &h, ACM_STREAMCONVERTF_BLOCKALIGN | (first ? ACM_STREAMCONVERTF_START : 0));
    first = false;
    acmStreamUnprepareHeader(s, &h, 0);
    if (r) {
      failure = r;
      break;
    }
    out.insert(out.end(), dstBuf.begin(), dstBuf.begin() + h.cbDstLengthUsed);
    carry.erase(carry.begin(), carry.begin() + h.cbSrcLengthUsed);
    if (h.cbSrcLengthUsed == 0) break;  // a partial block left over
  }
  acmStreamClose(s, 0);
  acmDriverClose(drv, 0);
  return out;
}

}  // namespace

TEST(Acm, PcmDriverComesFirstAndCodecDriversDecodeOnly) {
  DriverList list;
  ASSERT_EQ(acmDriverEnum(Collect, reinterpret_cast<uintptr_t>(&list), 0), 0u);
  ASSERT_FALSE(list.ids.empty());
  ACMDRIVERDETAILS d;
  ASSERT_EQ(acmDriverDetails(list.ids[0], &d, 0), 0u);
  EXPECT_EQ(d.wMid, 1);
  EXPECT_EQ(d.wPid, 38);
  EXPECT_STREQ(d.szShortName, "PCM");
  for (uint16_t tag : {2, 7, 0x11, 0x31}) EXPECT_NE(DriverFor(tag), nullptr) << tag;

  HACMDRIVER drv;
  ASSERT_EQ(acmDriverOpen(&drv, DriverFor(0x11), 0), 0u);
  WAVEFORMATEX src;
  src.wFormatTag = 0x11;
  src.nChannels = 1;
  src.nSamplesPerSec = 8000;
  src.nBlockAlign = 256;
  src.wBitsPerSample = 4;
  src.nAvgBytesPerSec = 4055;
  WAVEFORMATEX dst;
  dst.wFormatTag = 0x11;  // asking for the same tag back: decoding only
  EXPECT_EQ(acmFormatSuggest(drv, &src, &dst, 50, ACM_FORMATSUGGESTF_WFORMATTAG),
            ACMERR_NOTPOSSIBLE);
  HACMSTREAM s;
  WAVEFORMATEX pcm;
  pcm.wFormatTag = 1;
  ASSERT_EQ(acmFormatSuggest(drv, &src, &pcm, 16, ACM_FORMATSUGGESTF_WFORMATTAG), 0u);
  EXPECT_EQ(pcm.wBitsPerSample, 16);
  EXPECT_EQ(pcm.nSamplesPerSec, 8000u);
  EXPECT_EQ(acmStreamOpen(&s, drv, &src, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_ASYNC),
            MMSYSERR_NOTSUPPORTED);
  EXPECT_EQ(acmStreamOpen(&s, drv, &pcm, &src, nullptr, 0, 0, 0),
            ACMERR_NOTPOSSIBLE);  // no encoding
  WAVEFORMATEX absurd = src;
  absurd.nAvgBytesPerSec = 17u * 1024 * 1024;
  EXPECT_EQ(acmStreamOpen(&s, drv, &absurd, &pcm, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
  acmDriverClose(drv, 0);
}

TEST(Acm, DecodesDataMadeByFfmpegEncoders) {
  struct Case {
    const char* codec;
    int rate, channels;
  } cases[] = {{"pcm_mulaw", 8000, 1},
               {"adpcm_ima_wav", 22050, 2},
               {"adpcm_ms", 11025, 1},
               {"libgsm_ms", 8000, 1}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.codec);
    const std::string path = soundtest::TempPath(".wav");
    if (!soundtest::MakeEncodedWave(path, k.codec, k.rate, k.channels, 1.0))
      GTEST_SKIP() << "ffmpeg tool missing";
    soundtest::WaveChunks w;
    ASSERT_TRUE(soundtest::ReadWaveChunks(path, w));
    const std::vector<uint8_t> reference = soundtest::ReferenceDecode(path);
    std::remove(path.c_str());
    WAVEFORMATEX src;
    ASSERT_TRUE(FormatFromBytes(w.fmt.data(), w.fmt.size(), src));
    WAVEFORMATEX dst;
    MMRESULT failure;
    const auto pcm = DecodeAll(src, w.data, dst, failure);
    EXPECT_EQ(failure, 0u);
    EXPECT_EQ(dst.nChannels, k.channels);
    // Sample for sample what the ffmpeg tool decodes, give or take the end
    // of the last block.
    const size_t n = std::min(pcm.size(), reference.size());
    EXPECT_NEAR(static_cast<double>(pcm.size()), static_cast<double>(reference.size()),
                std::max<double>(src.nBlockAlign * 4.0, 2048.0));
    EXPECT_GT(n, static_cast<size_t>(k.rate) * k.channels);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.begin() + static_cast<long>(n), reference.begin()));
    EXPECT_NEAR(static_cast<double>(pcm.size()) / dst.nBlockAlign / k.rate, 1.0, 0.15);
  }
}

TEST(Acm, UndecodableDataStopsTheStream) {
  const std::string path = soundtest::TempPath(".wav");
  if (!soundtest::MakeEncodedWave(path, "adpcm_ms", 11025, 1, 3.0))
    GTEST_SKIP() << "ffmpeg tool missing";
  soundtest::WaveChunks w;
  ASSERT_TRUE(soundtest::ReadWaveChunks(path, w));
  std::remove(path.c_str());
  WAVEFORMATEX src;
  ASSERT_TRUE(FormatFromBytes(w.fmt.data(), w.fmt.size(), src));
  ASSERT_GT(w.data.size(), 8u * src.nBlockAlign);
  w.data[6 * src.nBlockAlign] = 0xFF;  // block 6 names a predictor that does not exist
  WAVEFORMATEX dst;
  MMRESULT failure;
  const auto pcm = DecodeAll(src, w.data, dst, failure);
  EXPECT_EQ(failure, ACMERR_NOTPOSSIBLE);
  EXPECT_LE(pcm.size(), 6u * 2036 * 2);  // nothing after the bad block
}
