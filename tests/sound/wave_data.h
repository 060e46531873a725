// Test helpers for sound data: sine producers, signal measurements, WAVE
// files made by the ffmpeg command-line tool and a small RIFF chunk reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundtest {

// Samples of one channel as signed values (8-bit data is unsigned, centred at 128).
std::vector<int> Channel(const std::vector<uint8_t>& Data, int Bits, int Channels, int Channel);
// Positive-going zero crossings per second.
double Frequency(const std::vector<int>& Samples, int Rate);
double Rms(const std::vector<int>& Samples, size_t From = 0, size_t To = SIZE_MAX);
// Index of the first sample whose magnitude exceeds Threshold, or -1.
long FirstLoud(const std::vector<int>& Samples, int Threshold);

// Runs the ffmpeg tool to write a WAVE file of a 1 kHz sine (Seconds long)
// with the given codec, rate and channels. False when the tool is missing or fails.
bool MakeEncodedWave(const std::string& Path, const std::string& Codec, int Rate, int Channels,
                     double Seconds);

// Decodes a file with the ffmpeg tool to 16-bit PCM at its own rate and channels.
std::vector<uint8_t> ReferenceDecode(const std::string& Path);

// The "fmt " and "data" chunks of a WAVE file held in memory.
struct WaveChunks {
  std::vector<uint8_t> fmt, data;
};
bool ReadWaveChunks(const std::string& Path, WaveChunks& Out);
std::vector<uint8_t> ReadFileBytes(const std::string& Path);

// A unique file name in the temporary folder.
std::string TempPath(const std::string& Suffix);

}  // namespace soundtest
