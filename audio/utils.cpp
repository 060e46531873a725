#include "audio/utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/sound/ui_thread.h"

namespace lumicast {

// ---------------------------------------------------------------- files

bool isExistingFile(const std::string& name) {
  struct stat st;
  return !name.empty() && ::stat(name.c_str(), &st) == 0;
}

namespace {
int Whence(int origin) { return origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END; }
}  // namespace

int saveBytesToFile(const std::string& name, const void* data, size_t size, int origin,
                    int64_t offset) {
  if (name.empty()) return -1;
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -2;
  int result = 0;
  if (data && size > 0) {
    if (::lseek(fd, offset, Whence(origin)) < 0) {
      result = -3;
    } else {
      size_t done = 0;
      while (done < size) {
        const ssize_t n = ::write(fd, static_cast<const char*>(data) + done, size - done);
        if (n < 0) {
          if (errno == EINTR) continue;
          result = done == 0 ? -3 : -4;
          break;
        }
        if (n == 0) {
          result = -4;
          break;
        }
        done += static_cast<size_t>(n);
      }
    }
  }
  ::close(fd);
  return result;
}

int saveTextToFile(const std::string& name, const std::string& text, int origin, int64_t offset) {
  return saveBytesToFile(name, text.data(), text.size(), origin, offset);
}

int readFromFile(int handle, void* buffer, size_t& size, int origin, int64_t offset) {
  if (handle < 0 || ::fcntl(handle, F_GETFD) < 0) {
    size = 0;
    return -2;
  }
  if ((origin != 1 || offset != 0) && ::lseek(handle, offset, Whence(origin)) < 0) {
    size = 0;
    return -3;
  }
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(handle, static_cast<char*>(buffer) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      size = 0;
      return -3;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  const bool shortRead = done < size;
  size = done;
  return shortRead ? -4 : 0;
}

int64_t fileSize(const std::string& name) {
  struct stat st;
  if (name.empty() || ::stat(name.c_str(), &st) != 0) return 0;
  return st.st_size;
}

int64_t fileSizeOfHandle(int handle) {
  struct stat st;
  if (handle < 0 || ::fstat(handle, &st) != 0) return 0;
  return st.st_size;
}

bool truncateAt(int handle, int64_t offset, int origin) {
  const off_t pos = ::lseek(handle, offset, Whence(origin));
  return pos >= 0 && ::ftruncate(handle, pos) == 0;
}

// ---------------------------------------------------------------- numbers and strings

std::string intToText(int64_t value, unsigned base, unsigned groupSize,
                      const std::string& separator) {
  if (base < 2 || base > 16) base = 10;
  static const char digits[] = "0123456789ABCDEF";
  uint64_t v = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string out;
  unsigned count = 0;
  do {
    if (groupSize > 0 && count > 0 && count % groupSize == 0) out.insert(0, separator);
    out.insert(out.begin(), digits[v % base]);
    v /= base;
    ++count;
  } while (v != 0);
  if (value < 0) out.insert(out.begin(), '-');
  return out;
}

int64_t textToInt(const std::string& text, int64_t defValue, unsigned base) {
  std::string t;
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  t = text.substr(b, e - b);
  if (t.empty()) return defValue;
  if (base == 10) {
    if (t.back() == 'h' || t.back() == 'H') {
      base = 16;
      t.pop_back();
    }
  }
  bool negative = false;
  uint64_t v = 0;
  bool digit = false;
  for (char c : t) {
    if (c == '+') continue;
    if (c == '-') {
      negative = !negative;
      continue;
    }
    if (c == '$' || c == 'x' || c == 'X') {
      if (base == 10) base = 16;
      continue;
    }
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return defValue;
    if (static_cast<unsigned>(d) >= base) return defValue;
    v = v * base + static_cast<unsigned>(d);
    digit = true;
  }
  if (!digit) return defValue;
  return negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
}

std::string trim(const std::string& text, bool left, bool right) {
  size_t b = 0, e = text.size();
  if (left)
    while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  if (right)
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return text.substr(b, e - b);
}

std::string padded(const std::string& text, size_t length, char fill, bool left) {
  if (text.size() >= length) return text;
  const std::string pad(length - text.size(), fill);
  return left ? pad + text : text + pad;
}

std::string repeatChar(char ch, size_t n) { return std::string(n, ch); }
std::string boolToText(bool value) { return value ? "true" : "false"; }

int64_t gcd(int64_t a, int64_t b) {
  if (a == 0 || b == 0) return 1;
  a = std::llabs(a);
  b = std::llabs(b);
  while (b != 0) {
    const int64_t t = a % b;
    a = b;
    b = t;
  }
  return a;
}

std::string programPathWithExt(const std::string& ext) {
  std::string path = classlib::Application->ExeName();
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  if (ext.empty()) return path;
  return path + (ext[0] == '.' ? ext : "." + ext);
}

int pumpMessages() { return sound::PumpUiMessages() ? 1 : 0; }

// ---------------------------------------------------------------- timing

uint64_t counterNow() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

uint64_t elapsedMs(uint64_t since) {
  const uint64_t now = counterNow();
  return now > since ? (now - since) / 1000 : 0;
}

// ---------------------------------------------------------------- base64 and formats

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
int B64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

std::string base64Encode(const uint8_t* data, size_t size) {
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  for (size_t i = 0; i < size; i += 3) {
    const uint32_t b0 = data[i], b1 = i + 1 < size ? data[i + 1] : 0,
                   b2 = i + 2 < size ? data[i + 2] : 0;
    const uint32_t v = (b0 << 16) | (b1 << 8) | b2;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < size ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < size ? kAlphabet[v & 63] : '=';
  }
  return out;
}

std::vector<uint8_t> base64Decode(const std::string& text) {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int count = 0;
  auto flush = [&]() {
    // A group of n >= 2 characters gives n - 1 bytes.
    const uint32_t v = acc << (6 * (4 - count));
    for (int k = 0; k < count - 1; ++k) out.push_back(static_cast<uint8_t>(v >> (16 - 8 * k)));
    acc = 0;
    count = 0;
  };
  for (char c : text) {
    const int v = B64Value(c);
    if (v < 0) continue;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    if (++count == 4) flush();
  }
  if (count >= 2) flush();
  return out;
}

std::string formatToText(const WAVEFORMATEX& format) {
  const std::vector<uint8_t> bytes = sound::FormatToBytes(format);
  return base64Encode(bytes.data(), bytes.size());
}

bool textToFormat(const std::string& text, WAVEFORMATEX& format) {
  const std::vector<uint8_t> bytes = base64Decode(text);
  return sound::FormatFromBytes(bytes.data(), bytes.size(), format);
}

WAVEFORMATEX pcmFormat(uint32_t rate, uint16_t bits, uint16_t channels) {
  WAVEFORMATEX f;
  f.wFormatTag = 1;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
  f.nAvgBytesPerSec = static_cast<uint32_t>(f.nBlockAlign) * rate;
  return f;
}

std::string formatDescription(const WAVEFORMATEX& f) {
  std::string prefix;
  switch (f.wFormatTag) {
    case 1: prefix = "PCM: "; break;
    case 2: prefix = "ADPCM: "; break;
    case 3: prefix = "IEEE Float: "; break;
    case 6: prefix = "ALaw: "; break;
    case 7: prefix = "MuLaw: "; break;
    case 8: prefix = "DTS: "; break;
    case 49: prefix = "GSM6.10: "; break;
    case 66: prefix = "G723: "; break;
    case 80: prefix = "MPEG: "; break;
    case 85: prefix = "MP3: "; break;
    case 352: prefix = "MSAUDIO: "; break;
    default: prefix = "#" + std::to_string(f.wFormatTag) + ": ";
  }
  std::string channels = f.nChannels == 1   ? "Mono"
                         : f.nChannels == 2 ? "Stereo"
                                            : std::to_string(f.nChannels) + " channels";
  return prefix + intToText(f.nSamplesPerSec, 10, 3, ",") + " kHz; " +
         std::to_string(f.wBitsPerSample) + " Bit; " + channels;
}

bool sameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  if (a.wFormatTag != b.wFormatTag || a.nChannels != b.nChannels ||
      a.nSamplesPerSec != b.nSamplesPerSec || a.wBitsPerSample != b.wBitsPerSample)
    return false;
  if (a.wFormatTag == 1) return true;
  return a.extra == b.extra;
}

uint32_t sampleLevel(const void* data, size_t count, unsigned bits, bool delta, unsigned channel,
                     unsigned channels) {
  if (!data || count == 0 || channels == 0 || channel >= channels) return 0;
  auto sample = [&](size_t index) -> int64_t {
    switch (bits) {
      case 4:
      case 8: return (static_cast<int64_t>(static_cast<const uint8_t*>(data)[index]) - 128) * 256;
      case 16: return static_cast<const int16_t*>(data)[index];
      default: return static_cast<const int32_t*>(data)[index];
    }
  };
  double sum = 0;
  int64_t prev = 0;
  for (size_t i = 0; i < count; ++i) {
    int64_t v = sample(channel + i * channels);
    if (delta) {
      const int64_t d = v - prev;
      prev = v;
      v = d;
    }
    sum += static_cast<double>(v) * static_cast<double>(v);
  }
  return static_cast<uint32_t>(std::llround(std::sqrt(sum / static_cast<double>(count))));
}

// ---------------------------------------------------------------- error texts

std::string mmErrorText(uint32_t code) {
  const char* text = nullptr;
  switch (code) {
    case 1: text = "unspecified error"; break;
    case 2: text = "device ID out of range"; break;
    case 3: text = "driver failed enable"; break;
    case 4: text = "device already allocated"; break;
    case 5: text = "device handle is invalid"; break;
    case 6: text = "no device driver present"; break;
    case 7: text = "memory allocation error"; break;
    case 8: text = "function isn't supported"; break;
    case 9: text = "error value out of range"; break;
    case 10: text = "invalid flag passed"; break;
    case 11: text = "invalid parameter passed"; break;
    case 12: text = "handle being used simultaneously on another thread (eg callback)"; break;
    case 13: text = "specified alias not found"; break;
    case 14: text = "bad registry database"; break;
    case 15: text = "registry key not found"; break;
    case 16: text = "registry read error"; break;
    case 17: text = "registry write error"; break;
    case 18: text = "registry delete error"; break;
    case 19: text = "registry value not found"; break;
    case 20: text = "driver does not call DriverCallback"; break;
    case 512: text = "NOT POSSIBLE"; break;
    case 513: text = "BUSY"; break;
    case 514: text = "UNPREPARED"; break;
    case 515: text = "CANCELED"; break;
    default: break;
  }
  if (!text) return std::to_string(code);
  return std::string(text) + " (" + std::to_string(code) + ")";
}

// ---------------------------------------------------------------- logging

namespace {

struct LogState {
  std::mutex mutex;
  std::string fileName;
  bool toScreen = false;
  bool toFile = false;
  TLogCallback callback;
  intptr_t userValue = 0;
  int mode = 0;
  uint64_t reference = counterNow();
  bool emergency = false;  // nothing switches it on
};

LogState& Log() {
  static LogState* s = new LogState;
  return *s;
}

std::tm UtcNow(int* millis) {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t t = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&t, &tm);
  if (millis) *millis = static_cast<int>(ms % 1000);
  return tm;
}

std::string Two(int v) { return padded(std::to_string(v), 2, '0', true); }

}  // namespace

std::string logTimeStamp(int mode) {
  LogState& s = Log();
  const std::tm tm = UtcNow(nullptr);
  const std::string date = std::to_string(tm.tm_year + 1900) + "." + std::to_string(tm.tm_mon + 1) +
                           "." + std::to_string(tm.tm_mday);
  const std::string time = std::to_string(tm.tm_hour) + ":" + std::to_string(tm.tm_min) + ":" +
                           std::to_string(tm.tm_sec);
  std::string out;
  switch (mode) {
    case 2: out = date + " "; break;
    case 3: out = time + " "; break;
    case 4: out = date + " " + time + " "; break;
    case 5:
      out = time + "(" + std::to_string(elapsedMs(s.reference) / 1000) + ") ";
      s.reference = counterNow();
      break;
    case 6:
      out = date + " " + time + "(" + std::to_string(elapsedMs(s.reference)) + ") ";
      s.reference = counterNow();
      break;
    default: break;
  }
  return out;
}

void logEmergency(const std::string& text, bool force) {
  LogState& s = Log();
  if (!s.emergency && !force) return;
  int ms = 0;
  const std::tm tm = UtcNow(&ms);
  const std::string stamp = Two(tm.tm_mday) + "." + Two(tm.tm_mon + 1) + "." +
                            std::to_string(tm.tm_year + 1900) + " " + Two(tm.tm_hour) + ":" +
                            Two(tm.tm_min) + ":" + Two(tm.tm_sec) + "." +
                            padded(std::to_string(ms), 3, '0', true);
  std::string base = programPathWithExt("");
  const size_t slash = base.rfind('/');
  if (slash != std::string::npos) base = base.substr(slash + 1);
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + base + "_emergency.log";
  saveTextToFile(path, "\r\n" + stamp + " " + text, 2, 0);
}

void logSetup(const std::string& fileName, bool toScreen, bool toFile, TLogCallback callback,
              intptr_t userValue, int mode) {
  LogState& s = Log();
  std::string name = trim(fileName);
  if (name.empty()) name = programPathWithExt("log");
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  const bool none = upper == "<NONE>";
  char proc[32];
  std::snprintf(proc, sizeof proc, "%zX", reinterpret_cast<size_t>(callback ? &callback : nullptr));
  logEmergency("LOGBEFORE=\"" + s.fileName + "\"");
  logEmergency("LOGAFTER=\"" + name + "\"");
  logEmergency("LOGTOFILE=" + boolToText(toFile && !none));
  logEmergency("LOGTOSCREEN=" + boolToText(toScreen));
  logEmergency(std::string("LOGPROC=") + proc);
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fileName = none ? std::string() : name;
  s.toScreen = toScreen;
  s.toFile = toFile && !none;
  s.callback = std::move(callback);
  s.userValue = userValue;
  s.mode = mode;
  s.reference = counterNow();
}

bool logInfo(const std::string& text, bool showBox, bool toFile, int mode) {
  LogState& s = Log();
  std::string line;
  TLogCallback callback;
  intptr_t user;
  std::string file;
  bool box, writeFile;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    line = logTimeStamp(mode == 0 ? s.mode : mode) + text;
    callback = s.callback;
    user = s.userValue;
    file = s.fileName;
    box = showBox || s.toScreen;
    writeFile = (toFile || s.toFile) && !file.empty();
  }
  if (box && sound::OnUiThread()) classlib::MessageBox(line, "Information message", 0);
  if (callback) callback(line, user);
  if (writeFile) saveTextToFile(file, line + "\r\n", 2, 0);
  return true;
}

}  // namespace lumicast
