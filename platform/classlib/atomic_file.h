// Saving a file so that it is either wholly replaced or left as it was, and making unique
// temporary files.
//
// TAtomicFileStream writes the new contents beside the target, in a file that has no name until
// it is complete where the file system allows it (else under a unique name next to the target),
// and Commit syncs it and moves it over the target in one step. Destroying the stream without
// Commit, or a failure anywhere, leaves the old file untouched and nothing beside it; a process
// killed while writing leaves nothing either where the unnamed file could be used.
//
// The rules every writer gets from it:
// - a symbolic link is followed: the file it points to is replaced and the link stays;
// - a replaced file keeps its permission bits, and its owner and group where the process may
//   set them; a new file gets the usual permissions less the process's umask;
// - a target the process may not write, or that has no write bit at all (so the rule holds for
//   the superuser too), or that is not a regular file raises EFCreateError when the stream is
//   made, before anything is written.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/stream.h"

namespace classlib {

class TAtomicFileStream : public TFileStream {
 public:
  // Raises EFCreateError (with the target's name and the system's reason) when the target
  // cannot be replaced.
  explicit TAtomicFileStream(const std::string& FileName);
  // Without a successful Commit the target is left as it was and the new contents vanish.
  ~TAtomicFileStream() override;
  TAtomicFileStream(const TAtomicFileStream&) = delete;
  TAtomicFileStream& operator=(const TAtomicFileStream&) = delete;
  std::string ClassName() const override { return "TAtomicFileStream"; }

  // Returns the count written; a failure of the file system (full disk, size limit) raises
  // EWriteError at once, so a short write is never mistaken for a finished file.
  int64_t Write(const void* Buffer, int64_t Count) override;

  // Makes the written contents the target's, durably. Raises EWriteError when it cannot (the
  // target is then unchanged). Writing after Commit raises.
  void Commit();

  // The file that will be replaced: FileName() with links resolved.
  const std::string& TargetName() const { return target_; }

 private:
  [[noreturn]] void Fail(const std::string& What, int Err);
  void Discard();

  std::string target_;
  std::string temp_name_;  // empty while the new contents have no name
  bool unnamed_ = false;
  bool keep_attributes_ = false;  // the target exists: give the new file its mode and owner
  uint32_t mode_ = 0;
  uint32_t uid_ = 0, gid_ = 0;
};

// Replaces FileName's contents with Size bytes of Data through TAtomicFileStream.
void ReplaceFileContents(const std::string& FileName, const void* Data, int64_t Size);

// Creates a new empty file named Directory + Prefix + <unique part> + Suffix, exclusively
// (never opening one that exists), readable and writable by its owner only, and returns its
// name. Directory ends with "/" (or is empty for the current folder). Raises EFCreateError when
// no file can be made.
std::string CreateUniqueFile(const std::string& Directory, const std::string& Prefix,
                             const std::string& Suffix);

}  // namespace classlib
