// The sound tags read back as written, and malformed ones fail the way the rest of the format does.
#include <gtest/gtest.h>

#include "platform/flash/format/movie.h"
#include "platform/flash/format/sound_writer.h"
#include "platform/flash/format/writer.h"

namespace {

using namespace flash;

SoundFormat Pcm16(int rate_code, bool stereo) {
  return SoundFormat{kSoundPcmLittle, static_cast<uint8_t>(rate_code), true, stereo};
}

TEST(SoundFormat, TagsRoundTrip) {
  SwfWriter w(9, 100, 100, 20);
  w.Tag(kTagDefineSound,
        EncodeDefineSound(5, Pcm16(3, true), 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  w.Tag(kTagDefineSound,
        EncodeDefineSound(6, SoundFormat{kSoundMp3, 2, true, false}, 1152, {0xFF, 0xFB}, 529));
  w.Tag(kTagSymbolClass, EncodeSymbolClass({{6, "Beep"}}));
  SoundInfo info;
  info.no_multiple = true;
  info.has_in = info.has_out = true;
  info.in_point = 100;
  info.out_point = 90000;
  info.loops = 3;
  info.envelope = {{0, 0, 32768}, {44100, 32768, 0}};
  w.Tag(kTagStartSound, EncodeStartSound(5, info));
  SoundStreamHead head;
  head.playback = Pcm16(2, false);
  head.stream = Pcm16(2, false);
  head.samples_per_block = 1102;
  w.Tag(kTagSoundStreamHead2, EncodeSoundStreamHead(head));
  w.Tag(kTagSoundStreamBlock, EncodeSoundStreamBlock(head.stream, {9, 9, 9, 9}));
  w.ShowFrame();
  SoundInfo stop;
  stop.stop = true;
  w.Tag(kTagStartSound2, EncodeStartSound2("Beep", stop));
  ButtonSounds bs;
  bs.button_id = 7;
  bs.transitions[2].sound_id = 5;
  bs.transitions[2].info.loops = 2;
  w.Tag(kTagDefineButtonSound, EncodeDefineButtonSound(bs));
  w.ShowFrame();

  auto movie = ParseMovie(w.Finish(true));
  const auto* s5 = dynamic_cast<const SoundDef*>(movie->Find(5));
  ASSERT_NE(s5, nullptr);
  EXPECT_EQ(s5->format, Pcm16(3, true));
  EXPECT_EQ(s5->sample_count, 3u);
  EXPECT_EQ(s5->data.size(), 12u);
  const auto* s6 = dynamic_cast<const SoundDef*>(movie->Find(6));
  ASSERT_NE(s6, nullptr);
  EXPECT_EQ(s6->seek_samples, 529);
  EXPECT_EQ(s6->data, (std::vector<uint8_t>{0xFF, 0xFB}));
  EXPECT_EQ(movie->class_ids.at("Beep"), 6);

  ASSERT_EQ(movie->timeline.frames.size(), 2u);
  const Frame& f1 = movie->timeline.frames[0];
  ASSERT_EQ(f1.sounds.size(), 1u);
  const SoundInfo& got = f1.sounds[0].info;
  EXPECT_EQ(f1.sounds[0].sound_id, 5);
  EXPECT_TRUE(got.no_multiple);
  EXPECT_FALSE(got.stop);
  EXPECT_EQ(got.in_point, 100u);
  EXPECT_EQ(got.out_point, 90000u);
  EXPECT_EQ(got.loops, 3);
  ASSERT_EQ(got.envelope.size(), 2u);
  EXPECT_EQ(got.envelope[1].position, 44100u);
  EXPECT_EQ(got.envelope[1].left, 32768);
  EXPECT_EQ(got.envelope[1].right, 0);
  ASSERT_TRUE(f1.stream_block);
  EXPECT_EQ(f1.stream_block->size(), 4u);
  ASSERT_TRUE(movie->timeline.stream_head);
  EXPECT_EQ(movie->timeline.stream_head->samples_per_block, 1102);

  const Frame& f2 = movie->timeline.frames[1];
  ASSERT_EQ(f2.sounds.size(), 1u);
  EXPECT_EQ(f2.sounds[0].class_name, "Beep");
  EXPECT_TRUE(f2.sounds[0].info.stop);
  EXPECT_FALSE(f2.stream_block);
  ASSERT_EQ(movie->button_sounds.count(7), 1u);
  EXPECT_EQ(movie->button_sounds.at(7).transitions[2].sound_id, 5);
  EXPECT_EQ(movie->button_sounds.at(7).transitions[2].info.loops, 2);
  EXPECT_EQ(movie->button_sounds.at(7).transitions[0].sound_id, 0);
}

TEST(SoundFormat, SampleRates) {
  EXPECT_DOUBLE_EQ((SoundFormat{kSoundPcmLittle, 0}.SampleRate()), 5512.5);
  EXPECT_DOUBLE_EQ((SoundFormat{kSoundAdpcm, 1}.SampleRate()), 11025);
  EXPECT_DOUBLE_EQ((SoundFormat{kSoundMp3, 3}.SampleRate()), 44100);
  EXPECT_DOUBLE_EQ((SoundFormat{kSoundNelly16k, 3}.SampleRate()), 16000);
  EXPECT_DOUBLE_EQ((SoundFormat{kSoundNelly8k, 3}.SampleRate()), 8000);
  EXPECT_DOUBLE_EQ((SoundFormat{kSoundNelly, 2}.SampleRate()), 22050);
  EXPECT_DOUBLE_EQ((SoundFormat{kSoundSpeex, 0}.SampleRate()), 16000);
}

TEST(SoundFormat, HeadChangingFormatMidStreamLeavesNoStream) {
  SwfWriter w(9, 100, 100, 20);
  SoundStreamHead a;
  a.stream = Pcm16(2, false);
  SoundStreamHead same = a;
  same.samples_per_block = 77;  // only the block size differs: the stream stays
  w.Tag(kTagSoundStreamHead, EncodeSoundStreamHead(a));
  w.Tag(kTagSoundStreamHead, EncodeSoundStreamHead(same));
  w.ShowFrame();
  EXPECT_TRUE(ParseMovie(w.Finish(false))->timeline.stream_head);

  SoundStreamHead b = a;
  b.stream.stereo = true;
  w.Tag(kTagSoundStreamHead2, EncodeSoundStreamHead(b));
  w.ShowFrame();
  EXPECT_FALSE(ParseMovie(w.Finish(false))->timeline.stream_head);
}

// Every truncation of a sound tag that cuts a field is a malformed movie; none crashes.
TEST(SoundFormat, TruncatedTagsAreMalformed) {
  SoundInfo info;
  info.has_in = info.has_out = true;
  info.loops = 2;
  info.envelope = {{0, 1, 2}, {3, 4, 5}};
  ButtonSounds bs;
  bs.button_id = 1;
  bs.transitions[0].sound_id = 2;
  bs.transitions[0].info = info;
  SoundStreamHead head;
  head.stream = SoundFormat{kSoundMp3, 3, true, true};
  struct Case {
    uint16_t code;
    std::vector<uint8_t> body;
    size_t fixed;  // bytes below which the tag is malformed
  } cases[] = {
      {kTagDefineSound, EncodeDefineSound(1, SoundFormat{kSoundMp3, 3, true, true}, 1, {}, 1), 9},
      {kTagStartSound, EncodeStartSound(1, info), 0},
      {kTagStartSound2, EncodeStartSound2("Name", info), 0},
      {kTagSoundStreamHead2, EncodeSoundStreamHead(head), 4},
      {kTagDefineButtonSound, EncodeDefineButtonSound(bs), 0},
      {kTagSymbolClass, EncodeSymbolClass({{1, "A"}, {2, "B"}}), 0},
  };
  for (const Case& c : cases) {
    size_t limit = c.fixed ? c.fixed : c.body.size();
    for (size_t cut = 0; cut < limit; ++cut) {
      SwfWriter w(9, 100, 100, 20);
      w.Tag(c.code, std::vector<uint8_t>(c.body.begin(),
                                         c.body.begin() + static_cast<std::ptrdiff_t>(cut)));
      w.ShowFrame();
      EXPECT_THROW(ParseMovie(w.Finish(false)), FormatError)
          << "tag " << c.code << " cut at " << cut;
    }
    SwfWriter whole(9, 100, 100, 20);
    whole.Tag(c.code, c.body);
    whole.ShowFrame();
    EXPECT_NO_THROW(ParseMovie(whole.Finish(false))) << "tag " << c.code;
  }
}

}  // namespace
