#include "platform/classlib/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/file_utils.h"

namespace classlib {

namespace {

// Links followed before a chain is taken for a loop (the system's own limit).
constexpr int kMaxLinkHops = 40;
// Names tried before a folder is taken to refuse new files.
constexpr int kUniqueNameTries = 100;

std::string ErrorText(int Err) { return std::strerror(Err); }

// Six characters from [A-Za-z0-9], different on every call.
std::string RandomPart() {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kChars) - 2);
  std::string s(6, ' ');
  for (char& c : s) c = kChars[pick(engine)];
  return s;
}

// The file a name finally refers to: symbolic links are followed (relative ones from the folder
// that holds them); the last name may not exist yet. Err is set on a loop or an unreadable link.
std::string ResolveLinks(const std::string& FileName, int& Err) {
  std::string path = FileName;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    for (;;) {
      ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
      if (n < 0) {
        Err = errno;
        return path;
      }
      if (static_cast<size_t>(n) < buf.size()) {
        std::string link(buf.data(), static_cast<size_t>(n));
        path = (!link.empty() && link[0] == PathDelim) ? link : ExtractFilePath(path) + link;
        break;
      }
      buf.resize(buf.size() * 2);  // the link grew since lstat
    }
  }
  Err = ELOOP;
  return path;
}

// Opens a new file Base + <unique part> + Suffix exclusively with the given permissions (less
// the umask). Returns the descriptor, or -1 with errno set.
int OpenUniqueFile(const std::string& Base, const std::string& Suffix, mode_t Mode,
                   std::string& Name) {
  for (int i = 0; i < kUniqueNameTries; ++i) {
    Name = Base + RandomPart() + Suffix;
    int fd = ::open(Name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, Mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Gives the unnamed file Fd the name Base + <unique part>. Returns false with errno set.
bool LinkUnnamed(int Fd, const std::string& Base, std::string& Name) {
  const std::string proc = "/proc/self/fd/" + std::to_string(Fd);
  for (int i = 0; i < kUniqueNameTries; ++i) {
    Name = Base + RandomPart();
    if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, Name.c_str(), AT_SYMLINK_FOLLOW) == 0)
      return true;
    if (errno == EEXIST) continue;
    // Without /proc only a privileged process can name a descriptor directly.
    if (errno == ENOENT && ::linkat(Fd, "", AT_FDCWD, Name.c_str(), AT_EMPTY_PATH) == 0)
      return true;
    return false;
  }
  errno = EEXIST;
  return false;
}

// Makes a rename in Dir durable; a failure only weakens durability, so it is not reported.
void SyncDirectory(const std::string& Dir) {
  int fd = ::open(Dir.empty() ? "." : Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

TAtomicFileStream::TAtomicFileStream(const std::string& FileName) : TFileStream(FileName) {
  if (FileName.empty()) throw EFCreateError("Cannot create file \"\". " + ErrorText(ENOENT));
  int err = 0;
  target_ = ResolveLinks(FileName, err);
  if (err != 0) Fail("create", err);

  struct stat st;
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) Fail("create", EISDIR);
    if (!S_ISREG(st.st_mode)) Fail("create", EINVAL);
    // The superuser may write anything: a file without any write bit is read-only for it too.
    if ((st.st_mode & 0222) == 0) Fail("create", EACCES);
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) Fail("create", errno);
    keep_attributes_ = true;
    mode_ = st.st_mode & 07777;
    uid_ = st.st_uid;
    gid_ = st.st_gid;
  } else if (errno != ENOENT) {
    Fail("create", errno);
  }

  const std::string dir = ExtractFileDir(target_);
  fd_ = ::open(dir.empty() ? "." : dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd_ >= 0) {
    unnamed_ = true;
    return;
  }
  // A file system without unnamed files: write under a unique name beside the target.
  fd_ = OpenUniqueFile(target_ + ".", "", 0666, temp_name_);
  if (fd_ < 0) {
    temp_name_.clear();
    Fail("create", errno);
  }
}

TAtomicFileStream::~TAtomicFileStream() { Discard(); }

void TAtomicFileStream::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_name_.empty()) ::unlink(temp_name_.c_str());
  temp_name_.clear();
}

void TAtomicFileStream::Fail(const std::string& What, int Err) {
  Discard();
  const std::string text = "Cannot " + What + " file \"" + FileName() + "\". " + ErrorText(Err);
  if (What == "create") throw EFCreateError(text);
  throw EWriteError(text);
}

int64_t TAtomicFileStream::Write(const void* Buffer, int64_t Count) {
  if (fd_ < 0) throw EWriteError("Cannot write file \"" + FileName() + "\". " + ErrorText(EBADF));
  errno = 0;
  int64_t done = TFileStream::Write(Buffer, Count);
  if (done < Count) Fail("write", errno != 0 ? errno : ENOSPC);
  return done;
}

void TAtomicFileStream::Commit() {
  if (fd_ < 0) throw EWriteError("Cannot write file \"" + FileName() + "\". " + ErrorText(EBADF));
  if (keep_attributes_) {
    // The owner first: changing it clears the set-user and set-group bits that fchmod restores.
    // A process that may not give the file away keeps it as its own (the group where it can).
    if ((uid_ != ::geteuid() || gid_ != ::getegid()) && ::fchown(fd_, uid_, gid_) != 0)
      (void)::fchown(fd_, static_cast<uid_t>(-1), gid_);
    if (::fchmod(fd_, mode_) != 0) Fail("write", errno);
  }
  if (::fsync(fd_) != 0) Fail("write", errno);
  if (unnamed_ && !LinkUnnamed(fd_, target_ + ".", temp_name_)) {
    temp_name_.clear();
    Fail("write", errno);
  }
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp_name_.c_str());
    temp_name_.clear();
    Fail("write", err);
  }
  if (::rename(temp_name_.c_str(), target_.c_str()) != 0) {
    int err = errno;
    Fail("write", err);  // Discard removes the temporary name
  }
  temp_name_.clear();
  SyncDirectory(ExtractFileDir(target_));
}

void ReplaceFileContents(const std::string& FileName, const void* Data, int64_t Size) {
  TAtomicFileStream out(FileName);
  if (Size > 0) out.Write(Data, Size);
  out.Commit();
}

std::string CreateUniqueFile(const std::string& Directory, const std::string& Prefix,
                             const std::string& Suffix) {
  std::string name;
  int fd = OpenUniqueFile(Directory + Prefix, Suffix, 0600, name);
  if (fd < 0) {
    int err = errno;
    throw EFCreateError("Cannot create file \"" + Directory + Prefix + "*" + Suffix + "\". " +
                        ErrorText(err));
  }
  ::close(fd);
  return name;
}

}  // namespace classlib
