#include "platform/classlib/file_utils.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace classlib {

namespace {

// Index just past the last "/" (0 when there is none).
size_t NameStart(const std::string& s) {
  size_t p = s.rfind(PathDelim);
  return p == std::string::npos ? 0 : p + 1;
}

// Index of the dot that starts the extension of the last path element, or npos.
size_t ExtStart(const std::string& s) {
  size_t dot = s.rfind('.');
  if (dot == std::string::npos || dot < NameStart(s)) return std::string::npos;
  return dot;
}

bool StatPath(const std::string& path, struct stat& st) {
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ExtractFilePath(const std::string& FileName) {
  return FileName.substr(0, NameStart(FileName));
}

std::string ExtractFileDir(const std::string& FileName) {
  size_t start = NameStart(FileName);
  if (start == 0) return "";
  // The root keeps its delimiter: the folder of "/x" is "/".
  if (start == 1) return "/";
  return FileName.substr(0, start - 1);
}

std::string ExtractFileName(const std::string& FileName) {
  return FileName.substr(NameStart(FileName));
}

std::string ExtractFileExt(const std::string& FileName) {
  size_t dot = ExtStart(FileName);
  return dot == std::string::npos ? std::string() : FileName.substr(dot);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
  size_t dot = ExtStart(FileName);
  return (dot == std::string::npos ? FileName : FileName.substr(0, dot)) + Extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& S) {
  if (!S.empty() && S.back() == PathDelim) return S;
  return S + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& S) {
  if (S.size() > 1 && S.back() == PathDelim) return S.substr(0, S.size() - 1);
  return S;
}

bool IsPathDelimiter(const std::string& S, int Index) {
  return Index >= 0 && static_cast<size_t>(Index) < S.size() &&
         S[static_cast<size_t>(Index)] == PathDelim;
}

std::string GetCurrentDir() {
  std::vector<char> buf(PATH_MAX);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return "";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

std::string ExpandFileName(const std::string& FileName) {
  std::string full = FileName;
  if (full.empty() || full[0] != PathDelim)
    full = IncludeTrailingPathDelimiter(GetCurrentDir()) + full;
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= full.size()) {
    size_t j = full.find(PathDelim, i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += PathDelim + p;
  if (out.empty()) out.push_back(PathDelim);
  // A trailing delimiter names a folder; keep it.
  if (full.back() == PathDelim && out != "/") out += PathDelim;
  return out;
}

bool FileExists(const std::string& FileName) {
  struct stat st;
  return StatPath(FileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& Directory) {
  struct stat st;
  return StatPath(Directory, st) && S_ISDIR(st.st_mode);
}

bool CreateDir(const std::string& Dir) { return !Dir.empty() && ::mkdir(Dir.c_str(), 0777) == 0; }

bool RemoveDir(const std::string& Dir) { return !Dir.empty() && ::rmdir(Dir.c_str()) == 0; }

bool ForceDirectories(const std::string& Dir) {
  if (Dir.empty()) return false;
  std::string d = ExcludeTrailingPathDelimiter(Dir);
  if (DirectoryExists(d)) return true;
  std::string parent = ExtractFileDir(d);
  // Stop at the root or at a relative first element.
  if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
  return CreateDir(d) || DirectoryExists(d);
}

bool DeleteFile(const std::string& FileName) {
  struct stat st;
  if (FileName.empty() || ::lstat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(FileName.c_str()) == 0;
}

bool RenameFile(const std::string& OldName, const std::string& NewName) {
  if (OldName.empty() || NewName.empty()) return false;
  if (::renameat2(AT_FDCWD, OldName.c_str(), AT_FDCWD, NewName.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without no-replace renames: check, then rename.
  struct stat st;
  if (::lstat(NewName.c_str(), &st) == 0) return false;
  return ::rename(OldName.c_str(), NewName.c_str()) == 0;
}

bool ReplaceFile(const std::string& Source, const std::string& Target) {
  if (Source.empty() || Target.empty()) return false;
  return ::rename(Source.c_str(), Target.c_str()) == 0;
}

std::string GetTempDir() {
  const char* env = std::getenv("TMPDIR");
  std::string dir = (env != nullptr && *env != '\0' && DirectoryExists(env)) ? env : "/tmp";
  return IncludeTrailingPathDelimiter(dir);
}

int64_t FileSize(const std::string& FileName) {
  struct stat st;
  if (!StatPath(FileName, st) || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

int64_t FileAge(const std::string& FileName) {
  struct stat st;
  if (!StatPath(FileName, st) || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_mtime);
}

}  // namespace classlib
