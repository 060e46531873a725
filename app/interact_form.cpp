#include "app/interact_form.h"

#include <cstdlib>

#include "app/movie_file.h"
#include "app/record_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/command_launch.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/string_utils.h"
#include "treectl/tree_items.h"

using namespace classlib;

namespace lumicast {

// ---- free helpers -------------------------------------------------------------------------------

std::string ZeroPadNumber(int64_t Number, int Width) {
  std::string s = IntToStr(Number);
  if (Width > 0 && static_cast<int>(s.size()) < Width)
    s.insert(0, static_cast<size_t>(Width) - s.size(), '0');
  return s;
}

std::string DestTypeSuffix(const TCovSettings& Job) {
  switch (DestTypeOf(Job)) {
    case dtMPEG: return " to MPEG.";
    case dtGIF: return " to GIF Animation.";
    case dtImages: return " to Image Sequence.";
    default: return " to AVI.";
  }
}

namespace {

std::string QuotedName(const TCovSettings& Job) {
  return "\"" + ExtractFileName(Job.swfFilename) + "\"";
}

}  // namespace

std::string ResultStatusLine(int32_t Code, const TCovSettings& Job) {
  switch (Code) {
    case kMclOk: return "Status:> Finish converting " + QuotedName(Job) + DestTypeSuffix(Job);
    case kMclAborted: return "Status:> Converting was aborted!";
    case kMclBadInput: return "Status:> Invalid or non-existing input file.";
    case kMclBadOutput:
      return "Status:> Output file is not defined or uses unrecognized file name extension / "
             "format.";
    case kMclReadError: return "Status:> Error reading input file.";
    case kMclWriteError: return "Status:> Error writing to output file.";
    case kMclBadJob: return "Status:> Mcl handle passed to a function wasn not initialized.";
    case kMclBadImage: return "Status:> Image handle passed to a function was not initialized.";
    case kMclBadSound: return "Status:> Sound handle passed to a function was not initialized.";
    case kMclException: return "Status:> An exception appeared during execution of the function.";
    default: return "";
  }
}

bool IsJobTempFile(const std::string& Path, const TCovSettings& Job) {
  if (Path.empty()) return false;
  const std::string name = ExtractFileName(Path);
  if (name.compare(0, 3, "QZT") != 0) return false;
  if (ExtractFilePath(Path) != GetTempDirectory()) return false;
  // The user's own files are never removed, even when they look like ours.
  if (Path == Job.swfFilename || Path == Job.adoFilename) return false;
  return true;
}

void DeleteJobTempFile(const std::string& Path, const TCovSettings& Job) {
  // A file that cannot be deleted stays; the job's outcome does not depend on it.
  if (IsJobTempFile(Path, Job)) DeleteFile(Path);
}

// ---- the window ---------------------------------------------------------------------------------

TInteractFrm::TInteractFrm(TComponent* AOwner) : TForm(AOwner) {
  FpsMovie = ExtractFilePath(Application->ExeName()) + "fps";
  CreateComponents();
}

TInteractFrm::~TInteractFrm() { BeforeDestruction(); }

TMenuItem* TInteractFrm::AddItem(TMenuItem* Parent, const std::string& Caption,
                                 TNotifyEvent OnClick) {
  auto* item = new TMenuItem(this);
  item->SetCaption(Caption);
  item->OnClick = std::move(OnClick);
  Parent->Add(item);
  return item;
}

void TInteractFrm::CreateComponents() {
  SetCaption("Converting...");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  Font()->SetName("Arial");
  SetClientSize(625, 400);
  SetKeyPreview(true);

  timInteract = new TTimer(this);
  timInteract->SetEnabled(false);
  timInteract->SetInterval(200);
  timInteract->SetOnTimer([this](TObject* s) { timInteractTimer(s); });
  dlgColor = new TColorDialog(this);

  // The menu.
  mnuMain = new TMainMenu(this);
  TMenuItem* root = mnuMain->Items();
  mniStart = AddItem(root, "&Start!", [this](TObject* s) { mniStartClick(s); });
  mniStop = AddItem(root, "S&top", [this](TObject* s) { mniStopClick(s); });
  mniStop->SetVisible(false);
  mniCancel = AddItem(root, "Cancel current converting", [this](TObject* s) { mniCancelClick(s); });
  mniCancel->SetVisible(false);
  mniOptions = AddItem(root, "Options");
  mniBackground = AddItem(mniOptions, "Background Color");
  mniBackDefault =
      AddItem(mniBackground, "Default", [this](TObject* s) { mniBackDefaultClick(s); });
  mniBackCustomize =
      AddItem(mniBackground, "Customize", [this](TObject* s) { mniBackCustomizeClick(s); });
  mniErrors = AddItem(mniOptions, "If some errors occur");
  mniErrAsk = AddItem(mniErrors, "Ask me");
  mniErrIgnore = AddItem(mniErrors, "Ignore(Recommended)");
  mniErrAbort = AddItem(mniErrors, "Abort");
  mniPriority = AddItem(mniOptions, "Converting Priority");
  mniFastSpeed = AddItem(mniPriority, "Fast Speed");
  mniBetterQuality = AddItem(mniPriority, "Better Quality");
  mniRecording = AddItem(mniOptions, "Recording Settings");
  mniRecDefault = AddItem(mniRecording, "&Default", [this](TObject* s) { mniRecDefaultClick(s); });
  mniRecAdvanced =
      AddItem(mniRecording, "&Advanced", [this](TObject* s) { mniRecAdvancedClick(s); });
  mniOptimizeGif =
      AddItem(mniOptions, "Optimize Animated GIF", [this](TObject* s) { mniOptimizeGifClick(s); });
  mniClose = AddItem(root, "&Close", [this](TObject* s) { mniCloseClick(s); });
  for (TMenuItem* group : {mniBackground, mniErrors, mniPriority}) {
    for (int i = 0; i < group->Count(); ++i) {
      group->Items(i)->SetRadioItem(true);
      group->Items(i)->SetGroupIndex(1);
      group->Items(i)->SetAutoCheck(true);
    }
  }
  mniBackDefault->SetChecked(true);
  mniErrIgnore->SetChecked(true);
  mniFastSpeed->SetChecked(true);
  SetGlyphColor(clWhite);
  SetMenu(mnuMain);

  // The progress bar at the bottom.
  grpProgress = new TGroupBox(this);
  grpProgress->SetParent(this);
  grpProgress->SetCaption(" Converting progress");
  grpProgress->SetBounds(0, 330, 625, 70);
  grpProgress->SetAlign(alBottom);
  labTotalCaption = new TLabel(this);
  labTotalCaption->SetParent(grpProgress);
  labTotalCaption->SetCaption("Total:");
  labTotalCaption->SetBounds(8, 20, 50, 16);
  prbTotal = new TProgressBar(this);
  prbTotal->SetParent(grpProgress);
  prbTotal->SetBounds(64, 20, 380, 16);
  labTotal = new TLabel(this);
  labTotal->SetParent(grpProgress);
  labTotal->SetBounds(452, 20, 165, 16);
  labCurrentCaption = new TLabel(this);
  labCurrentCaption->SetParent(grpProgress);
  labCurrentCaption->SetCaption("Current:");
  labCurrentCaption->SetBounds(8, 44, 50, 16);
  prbCurrent = new TProgressBar(this);
  prbCurrent->SetParent(grpProgress);
  prbCurrent->SetBounds(64, 44, 380, 16);
  labCurrent = new TLabel(this);
  labCurrent->SetParent(grpProgress);
  labCurrent->SetBounds(452, 44, 165, 16);

  // The log on the right, the player's scroll box filling the rest.
  memStatus = new TMemo(this);
  memStatus->SetParent(this);
  memStatus->SetBounds(400, 0, 225, 330);
  memStatus->SetAlign(alRight);
  memStatus->SetReadOnly(true);
  memStatus->SetScrollBars(TScrollStyle::ssVertical);
  memStatus->Font()->SetStyle(fsBold);
  scbInteract = new TScrollBox(this);
  scbInteract->SetParent(this);
  scbInteract->SetAlign(alClient);
  scbInteract->SetColor(clWhite);
  panInteract = new TPanel(this);
  panInteract->SetParent(scbInteract);
  panInteract->SetBevelOuter(TBevelCut::bvNone);
  panInteract->SetBounds(0, 0, 352, 240);

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
  OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { FormKeyDown(s, k, sh); };
}

void TInteractFrm::FormCreate(TObject*) {
  if (Flash != nullptr) return;
  Flash = new TShockwaveFlashEx(this);
  Flash->SetParent(panInteract);
  Flash->SetAlign(alClient);
  Flash->SetVisible(true);
  Flash->SetMovie(" ");
  Flash->OnBeforeTimer = [](TObject*) {};
  Flash->OnAfterTimer = [](TObject*) {};
  Flash->OnSkipTimer = [this](TObject* s) { FlashSkipTimer(s); };
  Flash->OnFSCommand = [this](TObject* s, const std::string& c, const std::string& a) {
    FlashFSCommand(s, c, a);
  };
  panInteract->SetBounds(0, 0, 352, 240);
  memStatus->Lines()->Clear();
}

int TInteractFrm::ItemCount() const { return JobList != nullptr ? JobList->Count() : 0; }

void TInteractFrm::ResetCounters() {
  prbTotal->SetPosition(0);
  prbCurrent->SetPosition(0);
  labTotal->SetCaption("0/" + IntToStr(ItemCount()) + " Files Done");
  labCurrent->SetCaption("0 Frames Done");
}

void TInteractFrm::FormShow(TObject*) {
  TForm* main = Application->MainForm();
  if (main != nullptr && main != this) CenterOn(main);
  CurFrame = 1;
  Converting = false;
  SkipCurrent = false;
  FrameReady = false;
  LeadInDone = false;
  ResetCounters();
  memStatus->Lines()->Clear();
  Log("Status:> Ready... Click \"Start!\" menu to begin converting.");
}

void TInteractFrm::FormCloseQuery(TObject*, bool& CanClose) {
  if (!Converting) return;
  MessageBox("Please stop converting at first, then close the window!", Application->Title(),
             MB_OK | MB_ICONWARNING);
  CanClose = false;
}

void TInteractFrm::FormDestroy(TObject*) {
  // A job's objects never outlive the window, whatever ended the run.
  FreeJobObjects();
  if (Flash != nullptr) {
    Flash->OnFSCommand = nullptr;
    Flash->OnSkipTimer = nullptr;
    delete Flash;
  }
  Flash = nullptr;
}

// A modal window's close request would only set the modal result and be judged after the batch
// has returned; the refusal is given at once instead, so a close asked for while converting is
// dropped rather than carried out when the batch ends.
void TInteractFrm::RequestClose() {
  if (Modal() && !CloseQuery()) return;
  Close();
}

void TInteractFrm::WMClose(TMessage&) { RequestClose(); }

void TInteractFrm::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key != VK_ESCAPE) return;
  Key = 0;
  RequestClose();
}

void TInteractFrm::Log(const std::string& Line) { memStatus->Lines()->Add(Line); }

// ---- menu ---------------------------------------------------------------------------------------

void TInteractFrm::mniStartClick(TObject*) { ConvertAll(); }

void TInteractFrm::mniStopClick(TObject*) {
  Converting = false;
  if (Flash != nullptr) Flash->StopPlay();
  Log("Status:> Stop converting");
}

void TInteractFrm::mniCancelClick(TObject*) {
  SkipCurrent = true;
  if (CurJob != nullptr)
    Log("Status:> Cancel converting " + QuotedName(*CurJob) + DestTypeSuffix(*CurJob));
}

void TInteractFrm::SetGlyphColor(TColor Color) {
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(12, 12);
  glyph.Canvas()->Brush()->SetColor(Color);
  glyph.Canvas()->FillRect(Rect(0, 0, 12, 12));
  mniBackground->SetBitmap(&glyph);
}

void TInteractFrm::mniBackDefaultClick(TObject*) {
  mniBackDefault->SetChecked(true);
  mniBackCustomize->SetChecked(false);
  SetGlyphColor(clWhite);
  KeyColor = 0x00FFFFFF;
  if (Flash != nullptr) Flash->SetBackgroundColor(0x00FFFFFF);
}

void TInteractFrm::mniBackCustomizeClick(TObject*) {
  mniBackCustomize->SetChecked(true);
  mniBackDefault->SetChecked(false);
  if (!dlgColor->Execute()) return;
  const uint32_t c = static_cast<uint32_t>(ColorToRGB(dlgColor->Color)) & 0xFFFFFF;
  SetGlyphColor(static_cast<TColor>(c));
  KeyColor = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  if (Flash != nullptr) Flash->SetBackgroundColor(static_cast<int32_t>(KeyColor));
}

void TInteractFrm::mniRecDefaultClick(TObject*) {
  if (RecordForm == nullptr) return;
  bool selected = false;
  try {
    selected = RecordForm->SetRecordingSource(0x1008, "Stereo Mix");
  } catch (...) {
    selected = false;
  }
  ShowMessage(selected ? "Successful!\rRecording source is set to \"Stereo Mix\".\rRecording "
                         "volume is set to 30%."
                       : "Failed!\rPlease click the 'Advanced' menu to try again!");
}

// Opens the desktop's recording-level mixer: the sound control panel on its input tab where it
// is installed, else the terminal mixer's capture view.
void TInteractFrm::mniRecAdvancedClick(TObject*) { LaunchRecordingMixer(); }

void TInteractFrm::mniOptimizeGifClick(TObject*) {
  mniOptimizeGif->SetChecked(!mniOptimizeGif->Checked());
}

void TInteractFrm::mniCloseClick(TObject*) { RequestClose(); }

// ---- frame lock ---------------------------------------------------------------------------------

void TInteractFrm::FlashFSCommand(TObject*, const std::string& Command, const std::string&) {
  if (Command != "enterFrame" || !Converting || CurJob == nullptr) return;
  if (DestSequenceModeOf(*CurJob) == 2) return;
  Flash->SkipTimer = true;
  FrameReady = true;
}

void TInteractFrm::FlashSkipTimer(TObject*) {
  if (!Converting || CurJob == nullptr || DestSequenceModeOf(*CurJob) == 2 || FrameReady) return;
  Flash->SkipTimer = false;
}

void TInteractFrm::timInteractTimer(TObject*) {
  if (CurJob == nullptr || DestSequenceModeOf(*CurJob) != 1 || Flash == nullptr) return;
  try {
    if (!Flash->IsPlaying()) Flash->Play();
  } catch (const Exception&) {
    // A movie that will not play now is tried again at the next tick; anything else is not the
    // player's refusal and goes on to the application's handler.
  }
}

bool TInteractFrm::WaitForFrame() {
  // A wait that ends because the program is quitting ends the run too: nothing would ever make a
  // frame ready again, and a job that kept waiting would spin without end.
  if (!Application->WaitUntil([this] { return FrameReady || !Converting || SkipCurrent; }))
    Converting = false;
  return FrameReady && Converting && !SkipCurrent;
}

// ---- job helpers --------------------------------------------------------------------------------

TFrameSizes TInteractFrm::GetFrameSizes(const TCovSettings& Job) const {
  TFrameSizes s = lumicast::GetFrameSizes(Job);
  // Sizes from a job file may be anything: keep the bitmaps and the stage within sane bounds.
  auto clamp = [](int v) { return v < 1 ? 1 : (v > 8192 ? 8192 : v); };
  s.FrameW = clamp(s.FrameW);
  s.FrameH = clamp(s.FrameH);
  s.StageW = clamp(s.StageW);
  s.StageH = clamp(s.StageH);
  return s;
}

bool TInteractFrm::CaptureFrame(TBitmap* Frame, TBitmap* Alpha, TBitmap* Stage, int AlphaMode,
                                int FrameNumber, int CropX, int CropY) {
  return lumicast::CaptureFrame(Flash, panInteract, Frame, Alpha, Stage, AlphaMode, FrameNumber,
                                CropX, CropY, KeyColor);
}

TDirectCapture TInteractFrm::CaptureFrameInto(
    int Width, int Height, TBitmap* Stage, int AlphaMode, int FrameNumber, int CropX, int CropY,
    const std::function<uint8_t*(int Width, int Height)>& Target) {
  return lumicast::CaptureFrameInto(Flash, panInteract, Width, Height, Stage, AlphaMode,
                                    FrameNumber, CropX, CropY, KeyColor, Target);
}

void TInteractFrm::LoadJobMovie(const TCovSettings& Job, bool ResetBackground) {
  // The window shows the captured frames without painting each one on the capturing thread.
  Flash->SetLivePreview(true);
  Flash->PreviewMsg = true;
  Flash->SkipTimer = false;
  FrameReady = false;  // a frame left ready by the previous job belongs to its movie
  if (ResetBackground) Flash->SetBGColor(" ");
  Flash->SetMovie(" ");
  Flash->SetMovie(Job.swfPlayFilename);
  Flash->StopPlay();
  Flash->LoadMovie(88, FpsMovie);
  if (Job.destStartFrame > 1) Flash->GotoFrame(Job.destStartFrame);
  if (mniBackCustomize->Checked()) Flash->SetBackgroundColor(static_cast<int32_t>(KeyColor));
  Flash->StopPlay();
}

// Mode 1 starts playing at once as well as through the timer: the frame signal keeps coming
// while the movie stands still, so waiting for the timer's first tick would take the start
// frame over and over in place of the frames that follow it.
void TInteractFrm::StartPlayback(const TCovSettings& Job) {
  switch (DestSequenceModeOf(Job)) {
    case 0: Flash->Play(); break;
    case 1:
      Flash->Play();
      timInteract->SetEnabled(true);
      break;
    default: break;
  }
}

void TInteractFrm::CleanupStep(const std::function<void()>& Step) noexcept {
  try {
    Step();
  } catch (...) {
    // Clean-up runs also while an exception leaves a job: what fails here is reported and the
    // remaining steps still run.
    Application->HandleException(this);
  }
}

void TInteractFrm::StopJobPlayback() {
  CleanupStep([this] { timInteract->SetEnabled(false); });
  CleanupStep([this] {
    if (Flash != nullptr) {
      Flash->StopPlay();
      Flash->SkipTimer = false;
      Flash->SetMovie(" ");
    }
  });
  // The preview's pictures go with the job.
  CleanupStep([this] {
    if (Flash != nullptr) Flash->SetLivePreview(false);
  });
  CleanupStep([this] { mniCancel->SetVisible(false); });
}

bool TInteractFrm::CheckJobRange(int32_t First, int32_t EndFrame) {
  const int32_t loaded = Flash->TotalFrames();
  if (loaded <= 0) {
    // A damaged movie, or one the player cannot read, leaves it empty: nothing to capture.
    Log(ResultStatusLine(kMclBadInput, *CurJob));
    return false;
  }
  LastFrame = EndFrame;
  if (LastFrame > loaded) {
    // A header may claim more frames than the movie holds; capturing past the last one would
    // take the same pictures over and over.
    LastFrame = loaded;
    Log("Status:> The movie has only " + IntToStr(loaded) + " frames; converting up to frame " +
        IntToStr(loaded) + ".");
  }
  if (First > LastFrame) {
    Log("Status:> No frame to convert: the range " + IntToStr(First) + " to " + IntToStr(EndFrame) +
        " holds no frame of the movie.");
    return false;
  }
  return true;
}

bool TInteractFrm::OutputFolderReady(const TCovSettings& Job, const std::string& Folder,
                                     const std::string& Converting) {
  if (!Job.destFilepath.empty() && (DirectoryExists(Folder) || ForceDirectories(Folder)))
    return true;
  Log(Converting);
  Log(ResultStatusLine(kMclWriteError, Job));
  return false;
}

void TInteractFrm::FrameDelivered(int32_t StartFrame) {
  ++CurFrame;
  const int64_t total = static_cast<int64_t>(LastFrame) - StartFrame + 1;
  const int64_t done = static_cast<int64_t>(CurFrame) - StartFrame;
  ShowFrameProgress(static_cast<int>(done), static_cast<int>(total));
  FrameReady = false;
}

void TInteractFrm::ShowFrameProgress(int Position, int Maximum) {
  // Each change redraws the bar at once: only what changed is set.
  if (prbCurrent->Min() != 0) prbCurrent->SetMin(0);
  if (prbCurrent->Max() != Maximum) prbCurrent->SetMax(Maximum);
  if (prbCurrent->Position() != Position) prbCurrent->SetPosition(Position);
  labCurrent->SetCaption(IntToStr(prbCurrent->Position()) + "/" + IntToStr(prbCurrent->Max()) +
                         " Frames Done");
}

// ---- the batch ----------------------------------------------------------------------------------

bool TInteractFrm::SourceMovieReady(const TCovSettings& Job) {
  TSwfFileKind kind = sfkUnknown;
  bool readable = FileExists(Job.swfFilename);
  if (readable) {
    try {
      kind = GetSwfFileKind(Job.swfFilename);
    } catch (...) {
      readable = false;
    }
  }
  if (!readable) {
    Log("Status:> Source file does not exist: \"" + Job.swfFilename + "\"");
    return false;
  }
  if (kind == sfkUnknown) {
    Log("Status:> Not a flash file: \"" + Job.swfFilename + "\"");
    return false;
  }
  return true;
}

void TInteractFrm::ConvertAll() {
  if (Converting) return;
  Converting = true;
  mniStop->SetVisible(true);
  mniStart->SetVisible(false);
  mniOptions->SetVisible(false);
  mniClose->SetVisible(false);
  prbTotal->SetMin(0);
  prbTotal->SetMax(ItemCount());
  prbTotal->SetPosition(0);
  labTotal->SetCaption("0/" + IntToStr(ItemCount()) + " Files Done");
  labCurrent->SetCaption("0 Frames Done");

  // The end of the batch, also when an exception leaves it (the exception then goes on).
  struct BatchEnd {
    TInteractFrm* f;
    ~BatchEnd() {
      f->Converting = false;
      f->CleanupStep([f = f] {
        f->timInteract->SetEnabled(false);
        f->mniStop->SetVisible(false);
        f->mniCancel->SetVisible(false);
        f->mniStart->SetVisible(true);
        f->mniOptions->SetVisible(true);
        f->mniClose->SetVisible(true);
        f->Log("Status:> All Finished");
        f->prbTotal->SetPosition(0);
        f->prbCurrent->SetPosition(0);
        f->ResetCounters();
      });
      f->CurJob = nullptr;
    }
  } end{this};

  for (int i = 0; i < ItemCount() && Converting; ++i) {
    TElTreeItem* item = JobList->Item(i);
    TCovSettings* checked = item != nullptr && item->Checked() && item->Data != nullptr
                                ? static_cast<TCovSettings*>(item->Data)
                                : nullptr;
    // A movie that vanished or changed since it was added is named in the log and passed over;
    // the job stays listed.
    if (checked != nullptr && !SourceMovieReady(*checked)) checked = nullptr;
    if (checked != nullptr) {
      auto* job = checked;
      job->swfRunFrameRate = job->swfFrameRate;
      // The played movie: a projector's movie is extracted once and reused while the file lasts.
      const TSwfFileKind kind = SwfFileTypeOf(*job);
      if (kind == sfkProjectorSwf || kind == sfkProjectorCompressedSwf) {
        const bool reusable = !job->swfPlayFilename.empty() &&
                              job->swfPlayFilename != job->swfFilename &&
                              FileExists(job->swfPlayFilename);
        if (!reusable)
          job->swfPlayFilename =
              FileExists(job->swfFilename) ? ExtractSwfFromProjector(job->swfFilename) : "";
      } else {
        job->swfPlayFilename = job->swfFilename;
      }
      switch (DestTypeOf(*job)) {
        case dtAVI:
        case dtMPEG:
          job->destRunEndFrame = 0;
          job->adoWorkFilename.clear();
          if (AdoSourceOf(*job) == asRecord && RecordForm != nullptr) {
            Log("Status:> Recording from " + QuotedName(*job));
            RecordForm->SetJob(job);
            RecordForm->Opener = this;
            RecordForm->ShowModal();
          }
          ConvertToVideo(job);
          break;
        case dtGIF: ConvertToGif(job); break;
        case dtImages: ConvertToImages(job); break;
        default: break;
      }
    }
    prbTotal->SetPosition(i + 1);
    labTotal->SetCaption(IntToStr(i + 1) + "/" + IntToStr(ItemCount()) + " Files Done");
  }
}

// ---- the library's error question ---------------------------------------------------------------

void TInteractFrm::ConvertErrorCallback(void* User, const char* FileName, int32_t* Action) {
  auto* f = static_cast<TInteractFrm*>(User);
  if (f == nullptr || Action == nullptr) return;
  if (f->mniErrAsk->Checked()) {
    const std::string text =
        "An error occurs while converting, in most time, please ignore it.\nFileName: \"" +
        std::string(FileName != nullptr ? FileName : "") + "\"";
    switch (MessageBox(text, Application->Title(), MB_ABORTRETRYIGNORE | MB_ICONQUESTION)) {
      case IDIGNORE: *Action = kMclActionIgnore; break;
      case IDRETRY: *Action = kMclActionRetry; break;
      case IDABORT:
        *Action = kMclActionAbort;
        f->Converting = false;
        break;
      default: break;
    }
  }
  if (f->mniErrIgnore->Checked()) *Action = kMclActionIgnore;
  if (f->mniErrAbort->Checked()) {
    *Action = kMclActionAbort;
    f->Converting = false;
  }
}

}  // namespace lumicast
