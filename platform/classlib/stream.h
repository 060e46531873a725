// Byte streams: TStream with its typed read/write helpers, TMemoryStream and
// TFileStream. ReadBuffer/WriteBuffer raise on a short transfer; Read/Write
// return the count actually moved.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/classlib/object.h"

namespace classlib {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  std::string ClassName() const override { return "TStream"; }

  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t NewSize);

  void ReadBuffer(void* Buffer, int64_t Count);         // EReadError when short
  void WriteBuffer(const void* Buffer, int64_t Count);  // EWriteError when short
  // Copies Count bytes from Source (Count 0: all of Source from its start).
  int64_t CopyFrom(TStream* Source, int64_t Count);

  // Little-endian typed helpers.
  template <typename T>
  T ReadValue() {
    T v{};
    ReadBuffer(&v, sizeof v);
    return v;
  }
  template <typename T>
  void WriteValue(T v) {
    WriteBuffer(&v, sizeof v);
  }
};

class TMemoryStream : public TStream {
 public:
  std::string ClassName() const override { return "TMemoryStream"; }
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t NewSize) override;

  void Clear() {
    data_.clear();
    pos_ = 0;
  }
  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  std::vector<uint8_t>& Bytes() { return data_; }
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToStream(TStream* Stream);
  // Replaces the file in one step (TAtomicFileStream): a failed save leaves it as it was.
  void SaveToFile(const std::string& FileName);

 private:
  std::vector<uint8_t> data_;
  int64_t pos_ = 0;
};

// File open modes.
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

class TFileStream : public TStream {
 public:
  // Raises EFOpenError / EFCreateError with the file name when it cannot open
  // (a folder cannot be opened). The share bits are accepted and not
  // enforced: files are not locked against other processes.
  TFileStream(const std::string& FileName, uint16_t Mode);
  ~TFileStream() override;
  std::string ClassName() const override { return "TFileStream"; }
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  const std::string& FileName() const { return file_name_; }
  int Handle() const { return fd_; }

 protected:
  // For streams that open their file themselves (into fd_, which the stream closes).
  explicit TFileStream(std::string FileName) : file_name_(std::move(FileName)) {}
  int fd_ = -1;

 private:
  std::string file_name_;
};

}  // namespace classlib
