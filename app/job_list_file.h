// The job-list file: the "General" section with the program settings and the job count, then one
// "Task<n>" section per job holding its 68 keys. One table lists the keys in file order with
// their value form and the job field they hold; writing and reading both walk it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "app/ini_file.h"
#include "app/job_record.h"

namespace lumicast {

enum class TJobKeyForm { Int, Bool, Text, Float, Color };

// The job field a key holds; std::monostate for "IsItemChecked", the item's check state.
using TJobField =
    std::variant<std::monostate, std::string TCovSettings::*, int32_t TCovSettings::*,
                 uint32_t TCovSettings::*, uint8_t TCovSettings::*, TSwfFileKind TCovSettings::*,
                 bool TCovSettings::*, long double TCovSettings::*, double TCovSettings::*>;

struct TJobKey {
  const char* Name;
  TJobKeyForm Form;
  TJobField Field;
};

constexpr int kJobKeyCount = 68;
extern const TJobKey kJobKeys[kJobKeyCount];
// Keys 10 to 68 (indexes 9 to 67): the sound and output settings read after the defaults.
constexpr int kFirstSettingsKey = 9;

constexpr const char* kGeneralSection = "General";
constexpr const char* kJobListID = "Velmora Lumicast";

// "Task" + Index.
std::string TaskSectionName(int Index);

// Writes the job's 68 keys to Section in table order.
void WriteJobKeys(TBiggerIniFile& Ini, const std::string& Section, const TCovSettings& Job,
                  bool Checked);
// Reads the table's keys from First on into the job, each with the job's current value as its
// default. A colour that is not hexadecimal raises EConvertError.
void ReadJobKeys(TBiggerIniFile& Ini, const std::string& Section, TCovSettings& Job,
                 int First = kFirstSettingsKey);

// The indexes below TaskCount whose "Task<n>" section exists (names compared ignoring case, the
// number written as IntToStr writes it), ascending. Only the file's sections are visited, so a
// huge count costs nothing.
std::vector<int> ExistingTaskIndexes(TBigIniFile& Ini, int32_t TaskCount);

// Keeps a copy of FileName as FileName + ".bak", replacing an older copy atomically. Nothing
// happens when FileName does not exist; a file that cannot be read raises.
void BackupJobListFile(const std::string& FileName);

}  // namespace lumicast
