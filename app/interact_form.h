// The conversion window: runs the checked jobs of the job list one after the other in its own
// player, freezes the player on every frame until the frame has been captured (the frame lock),
// keeps the status log and the file and frame counters, and holds the options of the run (key
// colour, error policy, GIF optimisation). Video jobs live in video_job.cpp, image-sequence jobs
// in image_sequence_job.cpp; both use the run state kept here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/frame_capture.h"
#include "app/job_objects.h"
#include "app/job_record.h"
#include "app/shockwave_flash_ex.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"
#include "platform/encoder/mcl.h"

namespace lumicast {

class TElTreeItems;
class TGIFImage;
namespace gifex {
class TGIFImageEx;
}
using gifex::TGIFImageEx;
class TRecordFrm;

// The decimal number with "0" put in front until it is Width characters long.
std::string ZeroPadNumber(int64_t Number, int Width);

// The status line the log shows for a result code of the encoding library, "" for codes that
// log nothing. Code 0 gives the finish line of the job's output type.
std::string ResultStatusLine(int32_t Code, const TCovSettings& Job);

// " to AVI.", " to MPEG.", " to GIF Animation." or " to Image Sequence." by the job's output type.
std::string DestTypeSuffix(const TCovSettings& Job);

// True when Path names a temporary file of the program that a job may delete: its name begins
// with "QZT", its folder is exactly the temporary folder, and it is neither the job's source
// movie nor its imported sound.
bool IsJobTempFile(const std::string& Path, const TCovSettings& Job);
// Deletes Path when IsJobTempFile allows it; failures are ignored.
void DeleteJobTempFile(const std::string& Path, const TCovSettings& Job);

// A frame rate that may come from a movie or a job file, made safe to divide by and to drive a
// timer with: rates below 1 count as 1.
inline int32_t SafeFrameRate(int32_t Rate) { return Rate < 1 ? 1 : Rate; }

class TInteractFrm : public classlib::TForm {
 public:
  explicit TInteractFrm(classlib::TComponent* AOwner);
  ~TInteractFrm() override;
  std::string ClassName() const override { return "TInteractFrm"; }

  // ---- components --------------------------------------------------------------------------
  classlib::TScrollBox* scbInteract = nullptr;
  classlib::TPanel* panInteract = nullptr;  // the stage: the player fills it
  classlib::TMemo* memStatus = nullptr;
  classlib::TGroupBox* grpProgress = nullptr;
  classlib::TLabel* labTotalCaption = nullptr;
  classlib::TProgressBar* prbTotal = nullptr;
  classlib::TLabel* labTotal = nullptr;
  classlib::TLabel* labCurrentCaption = nullptr;
  classlib::TProgressBar* prbCurrent = nullptr;
  classlib::TLabel* labCurrent = nullptr;
  classlib::TTimer* timInteract = nullptr;
  classlib::TColorDialog* dlgColor = nullptr;
  classlib::TMainMenu* mnuMain = nullptr;
  classlib::TMenuItem* mniStart = nullptr;
  classlib::TMenuItem* mniStop = nullptr;
  classlib::TMenuItem* mniCancel = nullptr;
  classlib::TMenuItem* mniOptions = nullptr;
  classlib::TMenuItem* mniBackground = nullptr;
  classlib::TMenuItem* mniBackDefault = nullptr;
  classlib::TMenuItem* mniBackCustomize = nullptr;
  classlib::TMenuItem* mniErrors = nullptr;
  classlib::TMenuItem* mniErrAsk = nullptr;
  classlib::TMenuItem* mniErrIgnore = nullptr;
  classlib::TMenuItem* mniErrAbort = nullptr;
  classlib::TMenuItem* mniPriority = nullptr;
  classlib::TMenuItem* mniFastSpeed = nullptr;
  classlib::TMenuItem* mniBetterQuality = nullptr;
  classlib::TMenuItem* mniRecording = nullptr;
  classlib::TMenuItem* mniRecDefault = nullptr;
  classlib::TMenuItem* mniRecAdvanced = nullptr;
  classlib::TMenuItem* mniOptimizeGif = nullptr;
  classlib::TMenuItem* mniClose = nullptr;

  // ---- fields ------------------------------------------------------------------------------
  TShockwaveFlashEx* Flash = nullptr;  // created by FormCreate, owned by the window
  std::string FpsMovie;                // the frame-signal movie: the program's folder + "fps"
  uint32_t KeyColor = 0x00FFFFFF;      // 0x00RRGGBB
  TElTreeItems* JobList = nullptr;     // the main window's job list (not owned)
  TRecordFrm* RecordForm = nullptr;    // the recording window (not owned)

  // ---- run state shared with the jobs and their callbacks ------------------------------------
  bool Converting = false;
  bool SkipCurrent = false;
  bool FrameReady = false;
  bool LeadInDone = false;
  TCovSettings* CurJob = nullptr;
  int32_t CurFrame = 1;
  int32_t LeadInCount = 0;
  int32_t LeadInLimit = 0;
  double NextGifSample = 0;
  double GifSampleStep = 1;
  TGIFImage* GifImage = nullptr;  // the animation a GIF job gathers; null outside GIF jobs
  int32_t SoundIndex = 0;
  // The last frame the current job captures: its end frame, cut to the frames the player loaded.
  int32_t LastFrame = 0;

  // The bitmaps and library handles of the job that runs now; null between jobs.
  const TJobObjects* JobObjects() const { return objects_.get(); }

  // ---- the batch and the jobs --------------------------------------------------------------
  void ConvertAll();
  bool ConvertToVideo(TCovSettings* Job);
  bool ConvertToImages(TCovSettings* Job);
  bool ConvertToGif(TCovSettings* Job);
  // Shows the GIF output window for the gathered animation and returns its modal result.
  int ShowGifWindow(TGIFImage* Image, TGIFImageEx* Optimizer, const std::string& OutputPath);

  // Appends a line to the log.
  virtual void Log(const std::string& Line);

  // Encoding-library callbacks; User is the window.
  static void VideoSourceCallback(MclHandle Source, void* User);
  static void AudioSourceCallback(MclHandle Source, void* User);
  static void GifFrameSourceCallback(MclHandle Source, void* User);
  static void ConvertErrorCallback(void* User, const char* FileName, int32_t* Action);

  // Sizes of the frame and the stage for a job, and the capture of the shown frame into the
  // window's bitmaps (FrameNumber < 0 keeps the player where it is; AlphaMode <= 0 makes no mask).
  TFrameSizes GetFrameSizes(const TCovSettings& Job) const;
  bool CaptureFrame(classlib::TBitmap* Frame, classlib::TBitmap* Alpha, classlib::TBitmap* Stage,
                    int AlphaMode, int FrameNumber, int CropX, int CropY);
  // The same capture straight into a 32-bit frame where the player alone makes up the stage.
  TDirectCapture CaptureFrameInto(int Width, int Height, classlib::TBitmap* Stage, int AlphaMode,
                                  int FrameNumber, int CropX, int CropY,
                                  const std::function<uint8_t*(int Width, int Height)>& Target);

  // Event handlers.
  void FormCreate(classlib::TObject* Sender);
  void FormShow(classlib::TObject* Sender);
  void FormCloseQuery(classlib::TObject* Sender, bool& CanClose);
  void FormDestroy(classlib::TObject* Sender);
  void FormKeyDown(classlib::TObject* Sender, uint16_t& Key, classlib::TShiftState Shift);
  void FlashFSCommand(classlib::TObject* Sender, const std::string& Command,
                      const std::string& Args);
  void FlashSkipTimer(classlib::TObject* Sender);
  void timInteractTimer(classlib::TObject* Sender);
  void mniStartClick(classlib::TObject* Sender);
  void mniStopClick(classlib::TObject* Sender);
  void mniCancelClick(classlib::TObject* Sender);
  void mniBackDefaultClick(classlib::TObject* Sender);
  void mniBackCustomizeClick(classlib::TObject* Sender);
  void mniRecDefaultClick(classlib::TObject* Sender);
  void mniRecAdvancedClick(classlib::TObject* Sender);
  void mniOptimizeGifClick(classlib::TObject* Sender);
  void mniCloseClick(classlib::TObject* Sender);

 protected:
  void WMClose(classlib::TMessage& Message) override;

 private:
  void CreateComponents();
  classlib::TMenuItem* AddItem(classlib::TMenuItem* Parent, const std::string& Caption,
                               classlib::TNotifyEvent OnClick = {});
  void SetGlyphColor(classlib::TColor Color);
  // Closes the window unless a batch runs (the refusal is shown once).
  void RequestClose();
  // Prepares the player for a job: the played movie with the frame-signal movie above it, sent
  // to the start frame and stopped. ResetBackground clears a colour set by the program first.
  void LoadJobMovie(const TCovSettings& Job, bool ResetBackground);
  // Lets messages run until a frame is ready, the run ends or the job is cancelled; true when a
  // frame is ready.
  bool WaitForFrame();
  // Starts the player the way the job's sequence mode asks (mode 2 plays nothing).
  void StartPlayback(const TCovSettings& Job);
  // Stops the player and unloads it, turns the timer off and hides the cancel item.
  void StopJobPlayback();
  // After LoadJobMovie: checks that the player holds a movie and that the range from First to
  // the job's end frame (EndFrame) holds a frame of it, and sets LastFrame, cut to the frames the
  // player loaded. Logs why when it cuts or when there is nothing to convert (then false).
  bool CheckJobRange(int32_t First, int32_t EndFrame);
  // True when the job has an output folder that exists or could be made. Otherwise logs
  // Converting (the job's first line) and the write error, so that no job passes without a word.
  bool OutputFolderReady(const TCovSettings& Job, const std::string& Folder,
                         const std::string& Converting);
  // Runs one step of a job's clean-up: a failure goes to the application's handler and does not
  // stop the steps after it.
  void CleanupStep(const std::function<void()>& Step) noexcept;
  // Frees the current job's objects.
  void FreeJobObjects() noexcept { objects_.reset(); }
  void ShowFrameProgress(int Position, int Maximum);
  // A frame of the job starting at StartFrame was handed on: moves to the next frame, shows the
  // progress through the range up to LastFrame and waits for the next capture.
  void FrameDelivered(int32_t StartFrame);
  void ResetCounters();
  // True when the job's movie still exists and is a movie; otherwise logs why not.
  bool SourceMovieReady(const TCovSettings& Job);
  int ItemCount() const;

  std::unique_ptr<TJobObjects> objects_;
};

}  // namespace lumicast
