// WAVE files: the recorder piped into the writer, the reader's statuses and
// decoding, and damaged files.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>

extern "C" {
#include <libavformat/avformat.h>
}

#include "audio/pipes.h"
#include "audio/riff.h"
#include "tests/audio/audio_test_util.h"
#include "tests/sound/wave_data.h"

using namespace lumicast;

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t o) {
  return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (static_cast<uint32_t>(b[o + 3]) << 24);
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Chunk(std::vector<uint8_t>& b, const char* id, const std::vector<uint8_t>& data,
           bool pad = true) {
  b.insert(b.end(), id, id + 4);
  Put32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  if (pad && data.size() % 2) b.push_back(0);
}

std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  std::vector<uint8_t> f;
  auto p16 = [&](uint16_t v) {
    f.push_back(static_cast<uint8_t>(v));
    f.push_back(static_cast<uint8_t>(v >> 8));
  };
  p16(tag);
  p16(channels);
  for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(rate >> (8 * i)));
  const uint32_t avg = rate * align;
  for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(avg >> (8 * i)));
  p16(align);
  p16(bits);
  return f;
}

// RIFF/WAVE holding a nested LIST, fmt, fact and two data chunks (one odd-sized).
std::vector<uint8_t> MultiChunkWave() {
  std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
  std::vector<uint8_t> inner = {'I', 'N', 'F', 'O'};
  Chunk(inner, "ISFT", {'t', 'e', 's', 't', 0});
  std::vector<uint8_t> outer = {'a', 'd', 't', 'l'};
  Chunk(outer, "LIST", inner);
  Chunk(body, "LIST", outer);
  Chunk(body, "fmt ", Fmt(1, 1, 8000, 8));
  Chunk(body, "fact", {0x10, 0, 0, 0});
  std::vector<uint8_t> a(101), b(60);
  for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<uint8_t>(i);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(200 + i % 50);
  Chunk(body, "data", a);
  Chunk(body, "data", b);
  std::vector<uint8_t> file;
  Chunk(file, "RIFF", body);
  return file;
}

std::string WriteTemp(const std::vector<uint8_t>& bytes) {
  const std::string path = soundtest::TempPath(".wav");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

// Reads a whole file through the reader; returns what it delivered.
std::vector<uint8_t> ReadThrough(unaRiffStream& r) {
  std::vector<uint8_t> out;
  std::mutex m;
  r.onDataAvailable = [&](unaObject*, const void* data, size_t len) {
    std::lock_guard<std::mutex> lock(m);
    out.insert(out.end(), static_cast<const uint8_t*>(data),
               static_cast<const uint8_t*>(data) + len);
  };
  if (r.open() != 0) return {};
  // A reader without a usable file delivers nothing: a short look is enough.
  audiotest::WaitFor([&] { return r.endReachedForDelivery.load(); }, r.status == 0 ? 20 : 0.05);
  r.close();
  r.onDataAvailable = nullptr;
  return out;
}

}  // namespace

TEST(WaveFiles, RecorderPipedIntoWriterWritesAnExactFile) {
  const std::string path = soundtest::TempPath(".wav");
  audiotest::ManualClock clock;
  audiotest::Tone tone;
  TunavclWaveInDevice waveIn;
  TunavclWaveRiff waveRiff;
  waveIn.setConsumer(&waveRiff);
  waveIn.setMinActiveTime(0);
  for (auto* p :
       {static_cast<unavclInOutWavePipe*>(&waveIn), static_cast<unavclInOutWavePipe*>(&waveRiff)}) {
    p->setPcmFormat(0, 44100);
    p->setPcmFormat(1, 16);
    p->setPcmFormat(2, 2);
  }
  waveRiff.setIsInput(false);
  waveRiff.setFileName(path);
  std::vector<uint8_t> captured;
  std::mutex m;
  waveIn.onDataAvailable = [&](unavclInOutPipe*, const void* data, size_t len) {
    std::lock_guard<std::mutex> lock(m);
    captured.insert(captured.end(), static_cast<const uint8_t*>(data),
                    static_cast<const uint8_t*>(data) + len);
  };
  ASSERT_TRUE(waveIn.open());
  EXPECT_TRUE(waveRiff.active());
  EXPECT_EQ(fileSize(path), 44);  // the writer opened first and wrote its header
  // Three seconds, a tenth at a time: each step waits until the recorder has taken what the
  // mix delivered, so a busy machine cannot make the device drop data for want of a buffer.
  for (int step = 1; step <= 30; ++step) {
    clock.advance(10);
    ASSERT_TRUE(audiotest::WaitFor([&] { return waveIn.outByteCount.load() == 17640u * step; }))
        << step;
  }
  waveIn.close();
  EXPECT_FALSE(waveRiff.active());

  const std::vector<uint8_t> file = soundtest::ReadFileBytes(path);
  ASSERT_EQ(file.size(), 529244u);
  std::vector<uint8_t> header;
  header.insert(header.end(), {'R', 'I', 'F', 'F'});
  Put32(header, 529236);
  header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(header, 16);
  const auto fmt = Fmt(1, 2, 44100, 16);
  header.insert(header.end(), fmt.begin(), fmt.end());
  header.insert(header.end(), {'d', 'a', 't', 'a'});
  Put32(header, 529200);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
  ASSERT_EQ(captured.size(), 529200u);
  EXPECT_TRUE(std::equal(captured.begin(), captured.end(), file.begin() + 44));

  // An independent reader agrees on format and samples.
  SF_INFO info{};
  SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(sf, nullptr);
  EXPECT_EQ(info.samplerate, 44100);
  EXPECT_EQ(info.channels, 2);
  ASSERT_EQ(info.frames, 132300);
  std::vector<int16_t> samples(132300 * 2);
  EXPECT_EQ(sf_readf_short(sf, samples.data(), 132300), 132300);
  sf_close(sf);
  EXPECT_EQ(std::memcmp(samples.data(), captured.data(), captured.size()), 0);

  AVFormatContext* ctx = nullptr;
  ASSERT_EQ(avformat_open_input(&ctx, path.c_str(), nullptr, nullptr), 0);
  ASSERT_EQ(avformat_find_stream_info(ctx, nullptr), 0);
  EXPECT_EQ(ctx->streams[0]->codecpar->sample_rate, 44100);
  EXPECT_EQ(ctx->streams[0]->codecpar->ch_layout.nb_channels, 2);
  std::vector<uint8_t> viaFfmpeg;
  AVPacket* pkt = av_packet_alloc();
  while (av_read_frame(ctx, pkt) == 0) {
    viaFfmpeg.insert(viaFfmpeg.end(), pkt->data, pkt->data + pkt->size);
    av_packet_unref(pkt);
  }
  av_packet_free(&pkt);
  avformat_close_input(&ctx);
  EXPECT_EQ(viaFfmpeg, captured);
  std::remove(path.c_str());
}

TEST(WaveFiles, OddSizedRecordingHasNoPadAndQueuedBytesAreWrittenBeforeTheSizes) {
  const std::string path = soundtest::TempPath(".wav");
  {
    unaRiffStream writer(path, nullptr, 1, pcmFormat(11025, 8, 1));
    ASSERT_EQ(writer.status, unaRiffStream::statusWriterReady);
    ASSERT_EQ(writer.open(), 0u);
    std::vector<uint8_t> block(1001, 0x80);
    // Written and closed at once: the bytes are still queued when the close starts.
    EXPECT_EQ(writer.write(block.data(), block.size()), 1001u);
    EXPECT_EQ(writer.close(), 0u);
  }
  const auto file = soundtest::ReadFileBytes(path);
  ASSERT_EQ(file.size(), 44u + 1001);
  EXPECT_EQ(Le32(file, 40), 1001u);
  EXPECT_EQ(Le32(file, 4), 1001u + 36);
  std::remove(path.c_str());

  // Without a usable file the writer runs and writes nothing.
  unaRiffStream none("  ", nullptr, 1, pcmFormat(11025, 8, 1));
  EXPECT_EQ(none.status, unaRiffStream::statusWriterNoFile);
  EXPECT_EQ(none.open(), 0u);
  none.write("abc", 3);
  EXPECT_EQ(none.close(), 0u);
}

TEST(WaveFiles, ConsumerRemovedWhileRecordingGetsNothingMore) {
  const std::string path = soundtest::TempPath(".wav");
  audiotest::ManualClock clock;
  audiotest::Tone tone;
  TunavclWaveInDevice waveIn;
  TunavclWaveRiff waveRiff;
  waveRiff.setIsInput(false);
  waveRiff.setFileName(path);
  const std::string same = path;
  waveRiff.setFileName(same);  // the same name again keeps the writer
  unaMsAcmStreamDevice* writer = waveRiff.device();
  waveRiff.setFileName(same);
  EXPECT_EQ(waveRiff.device(), writer);
  waveIn.setConsumer(&waveRiff);
  std::atomic<int64_t> events{0};
  waveIn.onDataAvailable = [&](unavclInOutPipe*, const void*, size_t len) {
    events += static_cast<int64_t>(len);
  };
  ASSERT_TRUE(waveIn.open());
  clock.advance(20);
  ASSERT_TRUE(audiotest::WaitFor([&] { return waveRiff.inByteCount.load() == 2 * 17640; }));
  waveIn.setConsumer(nullptr);
  clock.advance(20);
  ASSERT_TRUE(audiotest::WaitFor([&] { return events.load() == 4 * 17640; }));
  EXPECT_EQ(waveRiff.inByteCount.load(), 2 * 17640);
  waveIn.close();
  waveRiff.close();
  std::remove(path.c_str());
}

// Pausing in the middle of a buffer: the part-filled buffer reaches the file at the pause, the
// mix heard while paused does not, and recording goes on after the resume without a gap. (Taking
// the consumer away instead, as pausing once did, lost the sound of the buffer in progress.)
TEST(WaveFiles, PauseInTheMiddleOfABufferLosesNothingAndRecordsNothing) {
  const std::string path = soundtest::TempPath(".wav");
  audiotest::ManualClock clock;
  // Every sample of period p holds 100 (p + 1), so the file tells which periods it holds.
  int period = 0;
  const int id = sound::MixAddProducer([&](int16_t* out, int frames) {
    ++period;
    for (int i = 0; i < 2 * frames; ++i) out[i] = static_cast<int16_t>(100 * period);
  });
  TunavclWaveInDevice waveIn;
  TunavclWaveRiff waveRiff;
  waveRiff.setIsInput(false);
  waveRiff.setFileName(path);
  waveIn.setConsumer(&waveRiff);
  waveIn.setMinActiveTime(0);
  ASSERT_TRUE(waveIn.open());
  constexpr int64_t kPeriodBytes = 441 * 4;
  clock.advance(25);  // two and a half buffers
  ASSERT_TRUE(audiotest::WaitFor([&] { return waveIn.outByteCount.load() == 2 * 17640; }));
  ASSERT_TRUE(waveIn.inputDevice()->pauseCapture());
  ASSERT_TRUE(audiotest::WaitFor([&] { return waveIn.outByteCount.load() == 25 * kPeriodBytes; }));
  clock.advance(30);
  ASSERT_TRUE(waveIn.inputDevice()->resumeCapture());
  clock.advance(25);
  ASSERT_TRUE(audiotest::WaitFor([&] { return waveIn.outByteCount.load() == 45 * kPeriodBytes; }));
  waveIn.close();
  waveRiff.close();
  sound::MixRemoveProducer(id);

  const std::vector<uint8_t> file = soundtest::ReadFileBytes(path);
  ASSERT_EQ(file.size(), 44u + 50 * kPeriodBytes);
  // Runs of equal samples: 50 whole periods, rising, with one jump of 31 periods at the pause
  // (whatever the Stereo Mix line's volume makes of the levels).
  std::vector<std::pair<int16_t, int>> runs;
  for (size_t at = 44; at + 1 < file.size(); at += 2) {
    const auto v = static_cast<int16_t>(file[at] | file[at + 1] << 8);
    if (runs.empty() || runs.back().first != v) runs.push_back({v, 0});
    ++runs.back().second;
  }
  ASSERT_EQ(runs.size(), 50u);
  for (const auto& [value, samples] : runs) EXPECT_EQ(samples, 441 * 2);
  const double step = (runs[24].first - runs[0].first) / 24.0;
  EXPECT_NEAR(runs[25].first - runs[24].first, 31 * step, 2);
  EXPECT_NEAR(runs[49].first - runs[25].first, 24 * step, 2);
  std::remove(path.c_str());
}

TEST(WaveFiles, PcmFormatPropertiesKeepBlockAlignAndRate) {
  TunavclWaveRiff riff;
  riff.setPcmFormat(2, 1);
  EXPECT_EQ(riff.pcm().nBlockAlign, 2);
  EXPECT_EQ(riff.pcm().nAvgBytesPerSec, 88200u);
}

TEST(WaveFiles, ReaderStatuses) {
  struct Case {
    std::vector<uint8_t> bytes;
    int status;
    unaMsAcm* acm;
  };
  std::vector<Case> cases;
  cases.push_back({{'R', 'I', 'F'}, unaRiffStream::statusNotRiff, nullptr});
  std::vector<uint8_t> notRiff = MultiChunkWave();
  notRiff[0] = 'X';
  cases.push_back({notRiff, unaRiffStream::statusNotRiff, nullptr});
  {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    Chunk(body, "data", std::vector<uint8_t>(40, 1));
    std::vector<uint8_t> f;
    Chunk(f, "RIFF", body);
    cases.push_back({f, unaRiffStream::statusNoFormat, nullptr});
  }
  auto withFmt = [](const std::vector<uint8_t>& fmt) {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    Chunk(body, "fmt ", fmt);
    Chunk(body, "data", std::vector<uint8_t>(64, 1));
    std::vector<uint8_t> f;
    Chunk(f, "RIFF", body);
    return f;
  };
  cases.push_back(
      {withFmt(Fmt(1, 2, 8000000, 16)), unaRiffStream::statusNoFormat, nullptr});  // 32 MB a second
  cases.push_back({withFmt(Fmt(1, 0, 8000, 16)), unaRiffStream::statusNoFormat, nullptr});
  cases.push_back({withFmt(Fmt(1, 1, 0, 16)), unaRiffStream::statusNoFormat, nullptr});
  std::vector<uint8_t> shortFmt = Fmt(1, 1, 8000, 8);
  shortFmt.resize(14);
  cases.push_back({withFmt(shortFmt), unaRiffStream::statusNoFormat, nullptr});
  std::vector<uint8_t> ima = Fmt(0x11, 1, 8000, 4);
  ima[12] = 0;  // block align 256
  ima[13] = 1;
  ima.insert(ima.end(), {2, 0, 0xF9, 0x01});
  cases.push_back({withFmt(ima), unaRiffStream::statusNoAcm, nullptr});
  std::vector<uint8_t> overlong = ima;
  overlong[16] = 40;  // announces more extra bytes than the chunk holds
  cases.push_back({withFmt(overlong), unaRiffStream::statusNoFormat, sharedAcm()});
  std::vector<uint8_t> unknown = ima;
  unknown[0] = 0x34;
  unknown[1] = 0x12;
  cases.push_back({withFmt(unknown), unaRiffStream::statusNoDriver, sharedAcm()});
  std::vector<uint8_t> threeChannels = ima;
  threeChannels[2] = 3;
  cases.push_back({withFmt(threeChannels), unaRiffStream::statusCodecRefused, sharedAcm()});
  cases.push_back({MultiChunkWave(), unaRiffStream::statusReaderReady, nullptr});
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string path = WriteTemp(cases[i].bytes);
    unaRiffStream r(path, cases[i].acm, false, false);
    EXPECT_EQ(r.status, cases[i].status) << "case " << i;
    if (r.status != 0) {
      EXPECT_TRUE(ReadThrough(r).empty()) << "case " << i;
    }
    std::remove(path.c_str());
  }
}

TEST(WaveFiles, ReaderPlaysEveryDataChunkAndPadsTheLastWithSilence) {
  const std::string path = WriteTemp(MultiChunkWave());
  unaRiffStream r(path, nullptr, false, false);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.dataSize, 161u);
  EXPECT_EQ(r.factSamples, 16u);
  const auto out = ReadThrough(r);
  ASSERT_EQ(out.size() % r.chunkSize, 0u);
  ASSERT_GE(out.size(), 161u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[100], 100);
  EXPECT_EQ(out[101], 200);  // the second data chunk follows the first
  EXPECT_EQ(out[160], 200 + 59 % 50);
  EXPECT_EQ(out.back(), 128);  // 8-bit silence
  EXPECT_TRUE(r.endReached.load());
  std::remove(path.c_str());
}

TEST(WaveFiles, CompressedWaveIsReadAsPcmOfTheRightLength) {
  const std::string path = soundtest::TempPath(".wav");
  if (!soundtest::MakeEncodedWave(path, "adpcm_ima_wav", 22050, 1, 1.0))
    GTEST_SKIP() << "ffmpeg tool missing";
  const std::vector<uint8_t> reference = soundtest::ReferenceDecode(path);
  unaRiffStream r(path, sharedAcm(), false, false);
  ASSERT_EQ(r.status, 0);
  ASSERT_NE(r.dstFormat(), nullptr);
  EXPECT_EQ(r.dstFormat()->wFormatTag, 1);
  EXPECT_EQ(r.dstFormat()->wBitsPerSample, 16);
  const auto out = ReadThrough(r);
  EXPECT_EQ(out.size(), reference.size());
  EXPECT_TRUE(out == reference);
  std::remove(path.c_str());
}

TEST(WaveFiles, TruncatedAndMutatedFilesAreHandled) {
  const std::vector<uint8_t> good = MultiChunkWave();
  for (size_t n = 0; n <= good.size(); ++n) {
    const std::string path =
        WriteTemp(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)));
    unaRiffStream r(path, sharedAcm(), false, false);
    EXPECT_TRUE(r.status == 0 || r.status == -1 || r.status == 254) << n;
    if (r.status == 0 && n % 9 == 0) {
      const auto out = ReadThrough(r);
      EXPECT_LE(r.dataSize, n);
      EXPECT_FALSE(out.empty());
    }
    std::remove(path.c_str());
  }
  std::mt19937 rng(1234);
  for (int i = 0; i < 400; ++i) {
    std::vector<uint8_t> bad = good;
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int c = 0; c < changes; ++c) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
    const std::string path = WriteTemp(bad);
    unaRiffStream r(path, sharedAcm(), i % 2 == 0, false);
    EXPECT_LE(r.dataSize, bad.size());
    if (r.status == 0 && i % 10 == 0) {
      r.open();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      r.close();
    }
    std::remove(path.c_str());
  }
}
