// File-name and file-system helpers. Paths use "/" as the only delimiter.
//
// Name helpers work on the text only:
//   ExtractFilePath("/a/b.c/d.txt") = "/a/b.c/"   (keeps the trailing "/")
//   ExtractFileDir ("/a/b.c/d.txt") = "/a/b.c"    (no trailing "/", but "/" stays "/")
//   ExtractFileName("/a/b.c/d.txt") = "d.txt"
//   ExtractFileExt ("/a/b.c/d")     = ""          (only the last element is looked at)
//   ExtractFileExt ("d.tar.gz")     = ".gz"       (includes the dot)
//   ChangeFileExt  ("/a/b.c/d", ".avi") = "/a/b.c/d.avi"
#pragma once

#include <cstdint>
#include <string>

namespace classlib {

constexpr char PathDelim = '/';

std::string ExtractFilePath(const std::string& FileName);
std::string ExtractFileDir(const std::string& FileName);
std::string ExtractFileName(const std::string& FileName);
std::string ExtractFileExt(const std::string& FileName);
// Replaces the extension of the last path element, or appends Extension when
// it has none. Extension normally starts with "."; "" removes the extension.
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
std::string IncludeTrailingPathDelimiter(const std::string& S);
// Removes one trailing "/" unless the path is the root "/" itself.
std::string ExcludeTrailingPathDelimiter(const std::string& S);
bool IsPathDelimiter(const std::string& S, int Index);
// Absolute path of FileName relative to the current folder, with "." and ".."
// elements resolved textually (symbolic links are not followed).
std::string ExpandFileName(const std::string& FileName);

// True only for an existing file that is not a folder (symbolic links followed).
bool FileExists(const std::string& FileName);
bool DirectoryExists(const std::string& Directory);
// Creates the folder and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& Dir);
bool CreateDir(const std::string& Dir);
bool RemoveDir(const std::string& Dir);
// Removes a file (not a folder); false when it could not.
bool DeleteFile(const std::string& FileName);
// Renames; false when NewName already exists or the rename fails.
bool RenameFile(const std::string& OldName, const std::string& NewName);
// Moves Source onto Target in one step, replacing Target atomically (used to
// save a file by writing it beside and then swapping it in).
bool ReplaceFile(const std::string& Source, const std::string& Target);
// The system temporary folder ($TMPDIR, else /tmp) with a trailing "/".
std::string GetTempDir();
// Size in bytes, -1 when the file does not exist or is a folder.
int64_t FileSize(const std::string& FileName);
// Modification time in seconds since 1970-01-01 UTC, -1 when the file does
// not exist or is a folder.
int64_t FileAge(const std::string& FileName);
std::string GetCurrentDir();

}  // namespace classlib
