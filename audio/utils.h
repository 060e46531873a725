// Small routines shared by the audio library: wave-format texts, file
// routines, numbers and strings, timing, logging and error texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/sound/mmsystem.h"

namespace lumicast {

using WAVEFORMATEX = sound::WAVEFORMATEX;

// ---- files (an empty name gives the failure result)
bool isExistingFile(const std::string& name);
// Origin: 0 start, 1 current, 2 end. Results: 0 written (also for no data),
// -1 no name, -2 not opened, -3 write failed, -4 short write.
int saveBytesToFile(const std::string& name, const void* data, size_t size, int origin = 0,
                    int64_t offset = 0);
int saveTextToFile(const std::string& name, const std::string& text, int origin = 0,
                   int64_t offset = 0);
// Results: 0, -2 bad handle (size 0), -3 read failed (size 0), -4 short read.
// The file pointer moves only when origin is not 1 or offset is not 0.
int readFromFile(int handle, void* buffer, size_t& size, int origin = 1, int64_t offset = 0);
int64_t fileSize(const std::string& name);
int64_t fileSizeOfHandle(int handle);
bool truncateAt(int handle, int64_t offset, int origin);

// ---- numbers and strings
// Base 2..16 with upper-case digits; "-" for negatives; Separator every
// GroupSize digits from the right when GroupSize > 0.
std::string intToText(int64_t value, unsigned base = 10, unsigned groupSize = 0,
                      const std::string& separator = ",");
int64_t textToInt(const std::string& text, int64_t defValue = 0, unsigned base = 10);
std::string trim(const std::string& text, bool left = true, bool right = true);
std::string padded(const std::string& text, size_t length, char fill = ' ', bool left = true);
std::string repeatChar(char ch, size_t n);
std::string boolToText(bool value);
int64_t gcd(int64_t a, int64_t b);
template <typename T>
T chooseValue(bool condition, T a, T b) {
  return condition ? a : b;
}
// The program's full path with its extension replaced by Ext.
std::string programPathWithExt(const std::string& ext);
// On the user-interface thread: lets pending messages run and returns 1.
// On other threads: returns 0.
int pumpMessages();

// ---- timing
uint64_t counterNow();
uint64_t elapsedMs(uint64_t since);

// ---- base64 and format texts
std::string base64Encode(const uint8_t* data, size_t size);
std::vector<uint8_t> base64Decode(const std::string& text);
std::string formatToText(const WAVEFORMATEX& format);
// False when the text decodes to no usable record (fewer than 16 bytes, or
// extra bytes announced but missing).
bool textToFormat(const std::string& text, WAVEFORMATEX& format);
WAVEFORMATEX pcmFormat(uint32_t rate, uint16_t bits, uint16_t channels);
std::string formatDescription(const WAVEFORMATEX& format);
bool sameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b);
// Root mean square of Count samples of one channel (8-bit samples centred at
// 128 and scaled by 256), optionally of the differences between samples.
uint32_t sampleLevel(const void* data, size_t count, unsigned bits, bool delta, unsigned channel,
                     unsigned channels);

// ---- error texts
std::string mmErrorText(uint32_t code);

// ---- logging
using TLogCallback = std::function<void(const std::string& text, intptr_t userValue)>;
void logSetup(const std::string& fileName, bool toScreen, bool toFile,
              TLogCallback callback = nullptr, intptr_t userValue = 0, int mode = 0);
bool logInfo(const std::string& text, bool showBox = false, bool toFile = false, int mode = 0);
// Appends a line to the emergency log when the switch is on or Force is set.
void logEmergency(const std::string& text, bool force = false);
// The time-stamp prefix logInfo puts in front of a text for Mode (2..6).
std::string logTimeStamp(int mode);

}  // namespace lumicast
