#include "app/job_list_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/main_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/atomic_file.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/string_utils.h"
#include "treectl/tree.h"

using namespace classlib;

namespace lumicast {

using F = TJobKeyForm;
using S = TCovSettings;

const TJobKey kJobKeys[kJobKeyCount] = {
    {"IsItemChecked", F::Bool, std::monostate{}},
    {"swfFilename", F::Text, &S::swfFilename},
    {"swfFileType", F::Int, &S::swfFileType},
    {"swfFileVersion", F::Int, &S::swfFileVersion},
    {"swfFileSize", F::Int, &S::swfFileSize},
    {"swfW", F::Int, &S::swfW},
    {"swfH", F::Int, &S::swfH},
    {"swfFrameRate", F::Int, &S::swfFrameRate},
    {"swfTotalFrames", F::Int, &S::swfTotalFrames},
    {"adoFilename", F::Text, &S::adoFilename},
    {"adoSource", F::Int, &S::adoSource},
    {"adoFileType", F::Int, &S::adoFileType},
    {"adoWavChannel", F::Int, &S::adoWavChannel},
    {"adoWavBits", F::Int, &S::adoWavBits},
    {"adoWavFreq", F::Int, &S::adoWavFreq},
    {"adoMp3Channel", F::Int, &S::adoMp3Channel},
    {"adoMp3BitRate", F::Int, &S::adoMp3BitRate},
    {"adoIsSyncAutomatically", F::Bool, &S::adoIsSyncAutomatically},
    {"adoIsSyncManually", F::Bool, &S::adoIsSyncManually},
    {"adoSyncType", F::Int, &S::adoSyncType},
    {"adoSyncOffset", F::Float, &S::adoSyncOffset},
    {"destFilename", F::Text, &S::destFilename},
    {"destFilepath", F::Text, &S::destFilepath},
    {"destType", F::Int, &S::destType},
    {"destSequenceMode", F::Int, &S::destSequenceMode},
    {"destColorDepth", F::Int, &S::destColorDepth},
    {"destAlphaMode", F::Int, &S::destAlphaMode},
    {"destStartFrame", F::Int, &S::destStartFrame},
    {"destEndFrame", F::Int, &S::destEndFrame},
    {"destW", F::Int, &S::destW},
    {"destH", F::Int, &S::destH},
    {"destCropX", F::Int, &S::destCropX},
    {"destCropY", F::Int, &S::destCropY},
    {"destCropW", F::Int, &S::destCropW},
    {"destCropH", F::Int, &S::destCropH},
    {"destIsCrop", F::Bool, &S::destIsCrop},
    {"destIsKeepAspectRatio", F::Bool, &S::destIsKeepAspectRatio},
    {"destIsKeepSourceSize", F::Bool, &S::destIsKeepSourceSize},
    {"destIsKeepSourceFrames", F::Bool, &S::destIsKeepSourceFrames},
    {"destSplitSize", F::Float, &S::destSplitSize},
    {"destIsSplit", F::Bool, &S::destIsSplit},
    {"destAVIKeepSourceFps", F::Bool, &S::destAVIKeepSourceFps},
    {"destAVIFrameRate", F::Int, &S::destAVIFrameRate},
    {"destAVICodec", F::Text, &S::destAVICodec},
    {"destAVICodecID", F::Int, &S::destAVICodecID},
    {"destAVIKeyFramerate", F::Int, &S::destAVIKeyFramerate},
    {"destAVIBitrate", F::Int, &S::destAVIBitrate},
    {"destAVIMinBitrate", F::Int, &S::destAVIMinBitrate},
    {"destAVIMaxBitrate", F::Int, &S::destAVIMaxBitrate},
    {"destAVIQuality", F::Float, &S::destAVIQuality},
    {"destMPEGCodec", F::Int, &S::destMPEGCodec},
    {"destMPEGFrameRate", F::Int, &S::destMPEGFrameRate},
    {"destMPEGCodecID", F::Int, &S::destMPEGCodecID},
    {"destMPEGBitrate", F::Int, &S::destMPEGBitrate},
    {"destMPEGMinBitrate", F::Int, &S::destMPEGMinBitrate},
    {"destMPEGMaxBitrate", F::Int, &S::destMPEGMaxBitrate},
    {"destMPEGAspectRatio", F::Int, &S::destMPEGAspectRatio},
    {"destGIFKeepSourceFps", F::Bool, &S::destGIFKeepSourceFps},
    {"destGIFFrameRate", F::Int, &S::destGIFFrameRate},
    {"destGIFRepeatCount", F::Int, &S::destGIFRepeatCount},
    {"destGIFBackgroundColor", F::Color, &S::destGIFBackgroundColor},
    {"destGIFTransparentColor", F::Color, &S::destGIFTransparentColor},
    {"destGIFIsBackground", F::Bool, &S::destGIFIsBackground},
    {"destGIFIsTransparent", F::Bool, &S::destGIFIsTransparent},
    {"destGIFIsInterlaced", F::Bool, &S::destGIFIsInterlaced},
    {"destGIFIsLooping", F::Bool, &S::destGIFIsLooping},
    {"destImageType", F::Int, &S::destImageType},
    {"destImageJPEGQuality", F::Int, &S::destImageJPEGQuality},
};

namespace {

// Every numeric field as a signed 64-bit value and back. 8-bit fields give their unsigned value
// and take the low 8 bits; the 32-bit FourCC is written as a signed decimal.
struct NumberOf {
  const S& job;
  int64_t operator()(std::monostate) const { return 0; }
  int64_t operator()(std::string S::*) const { return 0; }
  int64_t operator()(int32_t S::*m) const { return job.*m; }
  int64_t operator()(uint32_t S::*m) const { return static_cast<int32_t>(job.*m); }
  int64_t operator()(uint8_t S::*m) const { return job.*m; }
  int64_t operator()(TSwfFileKind S::*m) const { return static_cast<uint8_t>(job.*m); }
  int64_t operator()(bool S::*m) const { return job.*m ? 1 : 0; }
  int64_t operator()(long double S::*m) const { return static_cast<int64_t>(job.*m); }
  int64_t operator()(double S::*m) const { return static_cast<int64_t>(job.*m); }
};

struct SetNumber {
  S& job;
  int32_t v;
  void operator()(std::monostate) const {}
  void operator()(std::string S::*) const {}
  void operator()(int32_t S::*m) const { job.*m = v; }
  void operator()(uint32_t S::*m) const { job.*m = static_cast<uint32_t>(v); }
  void operator()(uint8_t S::*m) const { job.*m = static_cast<uint8_t>(v & 0xFF); }
  void operator()(TSwfFileKind S::*m) const { job.*m = static_cast<TSwfFileKind>(v & 0xFF); }
  void operator()(bool S::*m) const { job.*m = v != 0; }
  void operator()(long double S::*m) const { job.*m = v; }
  void operator()(double S::*m) const { job.*m = v; }
};

long double FloatOf(const S& Job, const TJobField& Field) {
  if (auto* m = std::get_if<long double S::*>(&Field)) return Job.**m;
  if (auto* m = std::get_if<double S::*>(&Field)) return Job.**m;
  return static_cast<long double>(std::visit(NumberOf{Job}, Field));
}

void SetFloat(S& Job, const TJobField& Field, long double Value) {
  if (auto* m = std::get_if<long double S::*>(&Field))
    Job.** m = Value;
  else if (auto* m = std::get_if<double S::*>(&Field))
    Job.** m = static_cast<double>(Value);
}

bool IsFloatField(const TJobField& Field) {
  return std::holds_alternative<long double S::*>(Field) ||
         std::holds_alternative<double S::*>(Field);
}

}  // namespace

std::string TaskSectionName(int Index) { return "Task" + IntToStr(Index); }

void WriteJobKeys(TBiggerIniFile& Ini, const std::string& Section, const TCovSettings& Job,
                  bool Checked) {
  for (const TJobKey& key : kJobKeys) {
    if (std::holds_alternative<std::monostate>(key.Field)) {
      Ini.WriteBool(Section, key.Name, Checked);
      continue;
    }
    switch (key.Form) {
      case F::Text:
        Ini.WriteString(Section, key.Name, Job.*std::get<std::string S::*>(key.Field));
        break;
      case F::Bool:
        Ini.WriteBool(Section, key.Name, std::visit(NumberOf{Job}, key.Field) != 0);
        break;
      case F::Int:
        Ini.WriteString(Section, key.Name, IntToStr(std::visit(NumberOf{Job}, key.Field)));
        break;
      case F::Float: Ini.WriteFloat(Section, key.Name, FloatOf(Job, key.Field)); break;
      case F::Color:
        Ini.WriteColor(Section, key.Name,
                       static_cast<TColor>(std::visit(NumberOf{Job}, key.Field)));
        break;
    }
  }
}

void ReadJobKeys(TBiggerIniFile& Ini, const std::string& Section, TCovSettings& Job, int First) {
  for (int i = std::max(First, 0); i < kJobKeyCount; ++i) {
    const TJobKey& key = kJobKeys[i];
    if (std::holds_alternative<std::monostate>(key.Field)) continue;
    switch (key.Form) {
      case F::Text: {
        std::string S::*m = std::get<std::string S::*>(key.Field);
        Job.*m = Ini.ReadString(Section, key.Name, Job.*m);
        break;
      }
      case F::Bool:
      case F::Int: {
        const auto current = static_cast<int32_t>(std::visit(NumberOf{Job}, key.Field));
        std::visit(SetNumber{Job, Ini.ReadInteger(Section, key.Name, current)}, key.Field);
        break;
      }
      case F::Float:
        if (IsFloatField(key.Field)) {
          SetFloat(Job, key.Field, Ini.ReadFloat(Section, key.Name, FloatOf(Job, key.Field)));
        } else {
          // An integer field written as floating-point text: read as an integer, so a text
          // with a fraction gives the default.
          const auto current = static_cast<int32_t>(std::visit(NumberOf{Job}, key.Field));
          std::visit(SetNumber{Job, Ini.ReadInteger(Section, key.Name, current)}, key.Field);
        }
        break;
      case F::Color: {
        const auto current = static_cast<TColor>(std::visit(NumberOf{Job}, key.Field));
        std::visit(SetNumber{Job, Ini.ReadColor(Section, key.Name, current)}, key.Field);
        break;
      }
    }
  }
}

std::vector<int> ExistingTaskIndexes(TBigIniFile& Ini, int32_t TaskCount) {
  std::vector<int> indexes;
  if (TaskCount <= 0) return indexes;
  TStringList names;
  Ini.GetSectionNames(&names);
  for (int i = 0; i < names.Count(); ++i) {
    const std::string& name = names.Get(i);
    if (name.size() < 5 || name.size() > 14 || !SameText(name.substr(0, 4), "Task")) continue;
    const std::string digits = name.substr(4);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    if (digits.size() > 1 && digits[0] == '0') continue;  // not how the index is written
    const int64_t n = std::stoll(digits);
    if (n < TaskCount) indexes.push_back(static_cast<int>(n));
  }
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  return indexes;
}

void BackupJobListFile(const std::string& FileName) {
  const int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return;
    throw EInOutError("I/O error: cannot open \"" + FileName + "\": " + std::strerror(errno));
  }
  std::string data;
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    err = ::fstat(fd, &st) != 0 ? errno : EISDIR;
  } else {
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        err = errno;
        break;
      }
      if (n == 0) break;
      data.append(buf, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  if (err != 0)
    throw EInOutError("I/O error: cannot read \"" + FileName + "\": " + std::strerror(err));
  try {
    ReplaceFileContents(FileName + ".bak", data.data(), static_cast<int64_t>(data.size()));
  } catch (const EStreamError& e) {
    throw EInOutError("I/O error: " + e.Message());
  }
}

// ---- the main window's load and save ------------------------------------------------------------

void TMainFrm::SaveTasks() {
  if (BackupOnSave) BackupJobListFile(JobListFile);
  // The file is written whole: what it held is dropped in memory first.
  auto holder = std::make_unique<TBiggerIniFile>(JobListFile);
  TBiggerIniFile* target = holder.get();
  target->Clear();
  target->SetChanged(true);
  target->WriteString(kGeneralSection, "ID", kJobListID);
  const int count = JobCount();
  target->WriteInteger(kGeneralSection, "TaskCount", count);
  target->WriteBool(kGeneralSection, "IsShowTips", IsShowTips);
  target->WriteBool(kGeneralSection, "IsSetAudioSource", IsSetAudioSource);
  TElTreeItems* items = lstFile->Items();
  for (int i = 0; i < count; ++i) {
    TElTreeItem* item = items->Item(i);
    const TCovSettings* job = JobOf(item);
    if (job == nullptr) continue;
    WriteJobKeys(*target, TaskSectionName(i), *job, item->Checked());
  }
  target->FlushFile();
  BackupOnSave = false;
}

void TMainFrm::LoadTasks() {
  if (Loading) return;
  Loading = true;
  struct LoadEnd {
    TMainFrm* f;
    ~LoadEnd() { f->Loading = false; }
  } end{this};

  lstFile->Items()->Clear();
  std::unique_ptr<TBiggerIniFile> ini;
  try {
    ini = std::make_unique<TBiggerIniFile>(JobListFile);
  } catch (const Exception& e) {
    // The list starts empty; the file stays as it is until the next save, which keeps it
    // as a backup first.
    BackupOnSave = true;
    MessageDlg("The job list \"" + JobListFile + "\" could not be read: " + e.Message(), mtError,
               mbOK);
    ini = std::make_unique<TBiggerIniFile>("");
  }
  const int32_t task_count = ini->ReadInteger(kGeneralSection, "TaskCount", 0);
  IsShowTips = ini->ReadBool(kGeneralSection, "IsShowTips", true);
  IsSetAudioSource = ini->ReadBool(kGeneralSection, "IsSetAudioSource", false);

  const std::vector<int> indexes = ExistingTaskIndexes(*ini, task_count);
  // The list is laid out and painted once, when all its jobs are in; messages still run
  // between jobs.
  lstFile->WithUpdate([&] {
    for (int index : indexes) {
      const std::string section = TaskSectionName(index);
      const std::string movie = ini->ReadString(section, "swfFilename", "");
      if (movie.empty() || !FileExists(movie)) {
        BackupOnSave = true;
        continue;
      }
      auto* job = new TCovSettings;
      TElTreeItem* item = nullptr;
      try {
        job->swfFilename = movie;
        // Keys the file lacks read as 0.
        job->swfFileType =
            static_cast<TSwfFileKind>(ini->ReadInteger(section, "swfFileType", 0) & 0xFF);
        job->swfFileVersion = ini->ReadInteger(section, "swfFileVersion", 0);
        job->swfFileSize = ini->ReadInteger(section, "swfFileSize", 0);
        job->swfW = ini->ReadInteger(section, "swfW", 0);
        job->swfH = ini->ReadInteger(section, "swfH", 0);
        job->swfFrameRate = ini->ReadInteger(section, "swfFrameRate", 1);
        job->swfRunFrameRate = ini->ReadInteger(section, "swfFrameRate", 1);
        job->swfTotalFrames = ini->ReadInteger(section, "swfTotalFrames", 0);
        InitSettings(job->swfFilename, job, false);
        ReadJobKeys(*ini, section, *job);
        item = AddJobItem(job, ini->ReadBool(section, "IsItemChecked", true));
      } catch (...) {
        BackupOnSave = true;
        if (item != nullptr) {
          item->Data = nullptr;
          lstFile->Items()->DeleteItem(item);
        }
        delete job;
      }
      Application->ProcessMessages();
    }
  });
  // Sections the list does not hold (a missing "General" section, tasks left out, sections
  // beyond TaskCount) would vanish at the next save: that save keeps the file first.
  if (JobCount() + (ini->HasSection(kGeneralSection) ? 1 : 0) < ini->SectionCount())
    BackupOnSave = true;
  if (JobCount() > 0) {
    TElTreeItem* first = lstFile->Items()->Item(0);
    try {
      first->SetSelected(true);
      first->SetFocused(true);
    } catch (...) {
      // The first job cannot be shown (its movie cannot be opened): say why and go on.
      Application->HandleException(this);
    }
  }
  SelectRecordingSource();
}

}  // namespace lumicast
