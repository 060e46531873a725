// The MP3 encoder binding against a stand-in plug-in, and the real plug-in
// checked by an independent decoder.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include "audio/mp3_encoder.h"
#include "audio/utils.h"
#include "tests/audio/audio_test_util.h"
#include "tests/sound/wave_data.h"

using namespace lumicast;

namespace {

struct FakeState {
  uint32_t initResult;
  uint32_t samples;
  uint32_t encodeSleepMs;
  volatile int encoding;
  int deinitDuringEncode;
  int encodeCalls;
  uint32_t encodedBytes;
  int deinitCalls;
  int closeCalls;
  int versionCalls;
};

const std::string kFake = std::string(LUMICAST_TEST_PLUGIN_DIR) + "/fake_mp3enc.so";
const std::string kPartial = std::string(LUMICAST_TEST_PLUGIN_DIR) + "/fake_mp3enc_partial.so";
const std::string kReal = std::string(LUMICAST_BIN_DIR) + "/mp3enc.so";

FakeState* Fake() {
  void* h = dlopen(kFake.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!h) return nullptr;
  auto fn = reinterpret_cast<FakeState* (*)()>(dlsym(h, "fake_state"));
  dlclose(h);
  return fn ? fn() : nullptr;
}

mp3EncoderConfig Config(uint32_t rate, int mode, int kbps) {
  mp3EncoderConfig c;
  c.set32(0, 256);
  c.set32(4, 1);
  c.set32(8, 331);
  c.set32(12, static_cast<int32_t>(rate));
  c.set32(20, mode);
  c.set32(24, kbps);
  c.set32(28, kbps);
  c.set32(32, -1);
  c.set32(72, 9);
  c.set32(80, -1);
  c.set32(84, -1);
  return c;
}

std::vector<int16_t> Sine(uint32_t rate, int channels, double seconds) {
  const size_t frames = static_cast<size_t>(rate * seconds);
  std::vector<int16_t> s(frames * channels);
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[i * channels + c] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 1000.0 * i / rate));
  return s;
}

}  // namespace

TEST(Mp3Encoder, BindingCodesAndTheSharedLibrary) {
  {
    unaLameMp3Enc missing("/nonexistent/mp3enc.so");
    EXPECT_EQ(missing.errorCode.load(), kEncoderNotLoaded);
    EXPECT_EQ(missing.applyConfiguration(Config(44100, 1, 128)), kEncoderNotLoaded);
    EXPECT_EQ(missing.open(), kEncoderNotConfigured);
  }
  {
    unaLameMp3Enc partial(kPartial);
    EXPECT_EQ(partial.errorCode.load(), 0u);
    ASSERT_EQ(partial.applyConfiguration(Config(44100, 1, 128)), 0u);
    ASSERT_EQ(partial.open(), 0u);
    std::vector<int16_t> pcm(2304 * 2);
    partial.queueForEncoding(pcm.data(), pcm.size() * 2);
    EXPECT_EQ(partial.close(), 0u);
    EXPECT_EQ(partial.encodedTotal.load(), 2);  // only the final block: encoding had no entry point
  }
  EXPECT_FALSE(encoderBindingLoaded(true));
  {
    unaLameMp3Enc a(kFake);
    unaLameMp3Enc b("another-name.so");  // shares the loaded library and its name
    EXPECT_EQ(b.errorCode.load(), 0u);
    EXPECT_EQ(encoderBindingFileName(true), kFake);
    FakeState* st = Fake();
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->versionCalls, 2);
    st->initResult = 0x123;
    EXPECT_EQ(b.applyConfiguration(Config(44100, 1, 128)), 0x123u);  // the plug-in's own code
    EXPECT_EQ(b.open(), kEncoderNotConfigured);
    st->initResult = 0;
  }
  EXPECT_FALSE(encoderBindingLoaded(true));
}

TEST(Mp3Encoder, EventDecidesWhatIsStoredAndShortTailsAreDropped) {
  unaLameMp3Enc enc(kFake);
  FakeState* st = Fake();
  ASSERT_NE(st, nullptr);
  *st = FakeState{0, 1152 * 2, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(enc.applyConfiguration(Config(44100, 1, 128)), 0u);
  EXPECT_EQ(enc.chunkBytes, 1152u * 2 * 2);
  std::atomic<int> events{0};
  enc.onDataAvailable = [&](unaAbstractEncoder*, const void*, size_t, bool& store) {
    ++events;
    EXPECT_FALSE(store);
  };
  ASSERT_EQ(enc.open(), 0u);
  std::vector<uint8_t> pcm(enc.chunkBytes * 3 + 1);
  enc.queueForEncoding(pcm.data(), pcm.size());
  enc.queueForEncoding(nullptr, 100);  // nothing
  EXPECT_EQ(enc.close(), 0u);
  EXPECT_EQ(st->encodedBytes, enc.chunkBytes * 3);  // the 1-byte tail never reaches the plug-in
  EXPECT_EQ(enc.encodedTotal.load(), 3 * 4 + 2);
  EXPECT_EQ(events.load(), 4);
  EXPECT_EQ(enc.outStream.getSize(), 0);
  EXPECT_EQ(st->closeCalls, 1);

  // Without the event everything is kept in the output stream.
  enc.onDataAvailable = nullptr;
  ASSERT_EQ(enc.applyConfiguration(Config(44100, 1, 128)), 0u);
  ASSERT_EQ(enc.open(), 0u);
  enc.queueForEncoding(pcm.data(), enc.chunkBytes + 10);  // a partial chunk, encoded at close
  EXPECT_EQ(enc.close(), 0u);
  EXPECT_EQ(enc.outStream.getSize(), 4 + 4 + 2);
}

TEST(Mp3Encoder, StreamIsNotEndedWhileAChunkIsBeingEncoded) {
  unaLameMp3Enc enc(kFake);
  FakeState* st = Fake();
  ASSERT_NE(st, nullptr);
  *st = FakeState{0, 64, 30, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(enc.applyConfiguration(Config(44100, 1, 128)), 0u);
  ASSERT_EQ(enc.open(), 0u);
  std::vector<uint8_t> pcm(enc.chunkBytes * 6);
  enc.queueForEncoding(pcm.data(), pcm.size());
  ASSERT_TRUE(
      audiotest::WaitFor([&] { return __atomic_load_n(&st->encoding, __ATOMIC_SEQ_CST) != 0; }));
  EXPECT_EQ(enc.close(), 0u);
  EXPECT_EQ(st->deinitDuringEncode, 0);
  EXPECT_EQ(st->deinitCalls, 1);
  EXPECT_EQ(st->encodedBytes, pcm.size());
}

TEST(Mp3Encoder, RealPluginOutputDecodes) {
  struct Case {
    uint32_t rate;
    int mode, kbps;
  } cases[] = {{44100, 1, 128}, {44100, 3, 96}, {22050, 0, 64}, {11025, 3, 32}, {44100, 2, 320}};
  for (const auto& k : cases) {
    SCOPED_TRACE(std::to_string(k.rate) + " mode " + std::to_string(k.mode));
    const int channels = k.mode == 3 ? 1 : 2;
    const std::string path = soundtest::TempPath(".mp3");
    {
      unaLameMp3Enc enc(kReal);
      ASSERT_EQ(enc.errorCode.load(), 0u);
      ASSERT_EQ(enc.applyConfiguration(Config(k.rate, k.mode, k.kbps)), 0u);
      enc.onDataAvailable = [&](unaAbstractEncoder*, const void* data, size_t size, bool&) {
        saveBytesToFile(path, data, size, 2, 0);
      };
      ASSERT_EQ(enc.open(), 0u);
      const auto pcm = Sine(k.rate, channels, 3.0);
      // Blocks of a tenth of a second, as a recording delivers them.
      const size_t block = k.rate / 10 * channels;
      for (size_t i = 0; i < pcm.size(); i += block)
        enc.queueForEncoding(pcm.data() + i, std::min(block, pcm.size() - i) * 2);
      ASSERT_EQ(enc.close(), 0u);
      EXPECT_EQ(enc.encodedTotal.load(), soundtest::ReadFileBytes(path).size());
    }
    AVFormatContext* fmt = nullptr;
    ASSERT_EQ(avformat_open_input(&fmt, path.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(fmt, nullptr), 0);
    const AVCodecParameters* par = fmt->streams[0]->codecpar;
    EXPECT_EQ(par->sample_rate, static_cast<int>(k.rate));
    EXPECT_EQ(par->ch_layout.nb_channels, channels);
    const AVCodec* dec = avcodec_find_decoder(par->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(dec);
    avcodec_parameters_to_context(ctx, par);
    ASSERT_EQ(avcodec_open2(ctx, dec, nullptr), 0);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<int> left;
    auto drain = [&] {
      while (avcodec_receive_frame(ctx, frame) == 0) {
        for (int i = 0; i < frame->nb_samples; ++i) {
          const float v = frame->format == AV_SAMPLE_FMT_FLTP
                              ? reinterpret_cast<float*>(frame->data[0])[i]
                              : reinterpret_cast<int16_t*>(frame->data[0])[i] / 32768.f;
          left.push_back(static_cast<int>(v * 32767));
        }
      }
    };
    while (av_read_frame(fmt, pkt) == 0) {
      avcodec_send_packet(ctx, pkt);
      av_packet_unref(pkt);
      drain();
    }
    avcodec_send_packet(ctx, nullptr);
    drain();
    const double seconds = static_cast<double>(left.size()) / k.rate;
    EXPECT_GE(seconds, 3.0);
    EXPECT_LE(seconds, 3.15);
    // Skip the encoder's start-up and measure the tone.
    std::vector<int> body(left.begin() + static_cast<long>(k.rate / 10),
                          left.end() - static_cast<long>(k.rate / 10));
    EXPECT_NEAR(soundtest::Frequency(body, static_cast<int>(k.rate)), 1000.0, 10.0);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    std::remove(path.c_str());
  }
}
