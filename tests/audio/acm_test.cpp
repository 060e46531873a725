// The compressed-audio manager's driver lookup and its cached enumeration.
#include <gtest/gtest.h>

#include "audio/acm.h"

using namespace lumicast;

TEST(AudioAcm, DriversAreFoundByTagAndEnumerationsAreCached) {
  unaMsAcm acm;
  acm.readDrivers();
  ASSERT_GT(acm.driverCount(), 1);
  unaMsAcmDriver* pcm = acm.findDriverForTag(1);
  ASSERT_NE(pcm, nullptr);
  EXPECT_EQ(pcm->details().wPid, 38);
  EXPECT_EQ(pcm->enumerations, 0);  // PCM is found by its ids, without enumerating
  unaMsAcmDriver* ima = acm.findDriverForTag(0x11);
  ASSERT_NE(ima, nullptr);
  EXPECT_TRUE(ima->listsTag(0x11));
  const int asked = ima->enumerations;
  EXPECT_EQ(ima->readFormats(0, false, true), 0u);
  EXPECT_EQ(ima->enumerations, asked);  // same parameters: the platform is not asked again
  EXPECT_EQ(ima->readFormats(0, true, true), 0u);
  EXPECT_EQ(ima->enumerations, asked + 1);
  EXPECT_EQ(acm.findDriverForTag(0x1234), nullptr);
  sound::WAVEFORMATEX tmpl;
  tmpl.nChannels = 2;
  tmpl.nSamplesPerSec = 22050;
  tmpl.wBitsPerSample = 16;
  ASSERT_EQ(pcm->readFormats(0x20000 | 0x40000 | 0x80000, false, false, &tmpl), 0u);
  ASSERT_EQ(pcm->formatCount(), 1);
  EXPECT_EQ(pcm->format(0)->format.nBlockAlign, 4);
}
