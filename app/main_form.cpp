#include "app/main_form.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "app/interact_form.h"
#include "app/job_item.h"
#include "app/movie_file.h"
#include "app/record_form.h"
#include "app/seek_form.h"
#include "app/settings_form.h"
#include "controls/aa_label.h"
#include "controls/bmp_slider.h"
#include "controls/morph_button.h"
#include "controls/sui_menu.h"
#include "imaging/form_shaper.h"
#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/shell_open.h"
#include "platform/classlib/string_utils.h"
#include "platform/classlib/system_move.h"
#include "resources/main_skin_layout.h"
#include "treectl/tree.h"

using namespace classlib;
using controls::TAALabel;
using controls::TepBMPSlider;
using controls::TepMorphButton;
using controls::TsuiPopupMenu;

namespace lumicast {

TPreviewPlayerFactory TMainFrm::PreviewPlayerFactory;

namespace {

constexpr const char* kOpenFilter =
    "Macromedia Flash Files(*.swf)|*.swf|Macremedia Flash Player Files(*.exe)|*.exe|All "
    "Files(*.*)|*.*";
constexpr const char* kPlayerLostText =
    "Shockwave Flash OCX file lost, please re-install it,\rthen try it again! Now,the "
    "application terminate!";

// Runs a preview call whose failure the preview ignores.
template <typename F>
void Quietly(F&& Call) {
  try {
    Call();
  } catch (...) {
  }
}

std::unique_ptr<TBitmap> Artwork(const std::string& Name) {
  auto b = std::make_unique<TBitmap>();
  b->LoadFromResourceName(Name);
  return b;
}

}  // namespace

std::string FormatFileSize(const std::string& Path) {
  // Opened without waiting (a pipe must not block the window) and only as a regular file.
  const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw EFOpenError("Cannot open file \"" + Path + "\". " + std::strerror(errno));
  struct stat st {};
  const int rc = ::fstat(fd, &st);
  const int err = errno;
  ::close(fd);
  if (rc != 0) throw EFOpenError("Cannot open file \"" + Path + "\". " + std::strerror(err));
  if (!S_ISREG(st.st_mode))
    throw EFOpenError("Cannot open file \"" + Path + "\". Not a regular file");
  const int64_t size = st.st_size;
  if (size < 1024) return IntToStr(size) + "Bytes";
  if (size <= 1048575) return FormatFloat("#,##0.00", size / 1024.0L) + "KB";
  return FormatFloat("#,##0.00", size / 1048576.0L) + "MB";
}

// ---- construction
// ---------------------------------------------------------------------------------

TMainFrm::TMainFrm(TComponent* AOwner, const std::string& AJobListFile)
    : TForm(AOwner), JobListFile(AJobListFile) {
  if (JobListFile.empty()) JobListFile = ChangeFileExt(Application->ExeName(), ".ini");
  CreateComponents();
}

TMainFrm::~TMainFrm() {
  BeforeDestruction();
  // The items go while the window is whole, so each record is disposed of by its own handler.
  if (lstFile != nullptr) {
    lstFile->OnItemSelectedChange = nullptr;
    lstFile->OnItemChecked = nullptr;
    Quietly([&] { lstFile->Items()->Clear(); });
    lstFile->OnItemDeletion = nullptr;
  }
}

TAALabel* TMainFrm::MakeTextButton(const std::string& Caption, int Left, int Top,
                                   TNotifyEvent OnClick) {
  auto* l = new TAALabel(this);
  l->SetParent(this);
  l->Font()->SetName("Times New Roman");
  l->Font()->SetSize(9);
  l->Font()->SetColor(clBlack);
  l->Effect()->SetTransparent(true);
  l->Effect()->FontEffect()->Shadow()->SetEnabled(true);
  l->SetCursor(crHandPoint);
  l->SetCaption(Caption);
  l->SetLeft(Left);
  l->SetTop(Top);
  l->Loaded();
  l->OnClick = std::move(OnClick);
  l->OnMouseEnter = [this](TObject* s) { btnAddMouseEnter(s); };
  l->OnMouseLeave = [this](TObject* s) { btnAddMouseLeave(s); };
  l->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    btnAddMouseDown(s, b, sh, x, y);
  };
  l->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    btnAddMouseUp(s, b, sh, x, y);
  };
  return l;
}

TAALabel* TMainFrm::MakeHeading(const std::string& Caption, int Top) {
  auto* l = new TAALabel(this);
  l->SetParent(this);
  l->Font()->SetName("Times New Roman");
  l->Font()->SetSize(10);
  l->Font()->SetStyle(fsBold);
  l->Font()->SetColor(0x00503A28);
  l->Effect()->SetTransparent(true);
  l->SetCaption(Caption);
  l->SetLeft(skin::kSummaryLabelLeft);
  l->SetTop(Top);
  l->Loaded();
  return l;
}

TLabel* TMainFrm::MakeSummaryLabel(int Top) {
  auto* l = new TLabel(this);
  l->SetParent(this);
  l->SetAutoSize(false);
  l->SetTransparent(true);
  l->SetShowAccelChar(false);
  l->SetBounds(skin::kSummaryLabelLeft + 8, Top, skin::kSummaryLabelWidth - 8,
               skin::kSummaryLabelHeight);
  return l;
}

void TMainFrm::CreateComponents() {
  SetCaption("Korvant Lumicast Pro");
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetPosition(poScreenCenter);
  SetClientSize(skin::kClientWidth, skin::kClientHeight);
  Font()->SetName("Arial");
  Font()->SetSize(8);
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };

  std::unique_ptr<TBitmap> background = Artwork("MAIN_BACKGROUND");
  imagBack = new TImage(this);
  imagBack->SetName("imagBack");
  imagBack->SetParent(this);
  imagBack->SetBounds(0, 0, skin::kClientWidth, skin::kClientHeight);
  imagBack->SetAlign(alClient);
  imagBack->Picture()->SetBitmap(background.get());
  imagBack->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    imagBackMouseDown(s, b, sh, x, y);
  };

  sknShaper = new TDIBFormShaper(this);

  sknShaper->SetName("sknShaper");
  sknShaper->SetTransparentColor(clYellow);
  sknShaper->SetControlToShape(this);
  sknShaper->SetBitmap(background.get());
  sknShaper->SetActive(true);

  auto morph = [this](const std::string& component, const std::string& name, const skin::Box& box,
                      TNotifyEvent click) {
    auto* b = new TepMorphButton(this);
    b->SetName(component);
    b->SetParent(this);
    b->SetBounds(box.Left, box.Top, box.Width, box.Height);
    b->SetTransparent(true);
    b->SetInterval(100);
    b->SetCursor(crHandPoint);
    b->SetUpGlyph(Artwork(name + "_UP").get());
    b->SetActiveGlyph(Artwork(name + "_ACTIVE").get());
    b->SetDownGlyph(Artwork(name + "_DOWN").get());
    b->OnClick = std::move(click);
    return b;
  };
  btnMinimize = morph("btnMinimize", "MAIN_MINIMIZE", skin::kMinimizeButton,
                      [this](TObject* s) { btnMinimizeClick(s); });
  btnMinimize->SetHint("Minimize");
  btnClose =
      morph("btnClose", "MAIN_CLOSE", skin::kCloseButton, [this](TObject* s) { btnCloseClick(s); });
  btnClose->SetHint("Close");
  btnConvert = morph("btnConvert", "MAIN_CONVERT", skin::kConvertButton,
                     [this](TObject* s) { btnConvertClick(s); });

  // The command rows: captions left to right with a fixed gap.
  struct Command {
    TAALabel** field;
    const char* caption;
    void (TMainFrm::*handler)(TObject*);
  };
  const Command top[] = {{&btnAdd, "Add", &TMainFrm::btnAddClick},
                         {&btnRemove, "Remove", &TMainFrm::btnRemoveClick},
                         {&btnClear, "Clear", &TMainFrm::btnClearClick},
                         {&btnSettings, "Settings", &TMainFrm::btnSettingsClick},
                         {&btnHelp, "Help", &TMainFrm::btnHelpClick}};
  const Command bottom[] = {{&btnPlay, "Play", &TMainFrm::btnPlayClick},
                            {&btnPause, "Pause", &TMainFrm::btnPauseClick},
                            {&btnStop, "Stop", &TMainFrm::btnStopClick},
                            {&btnBack, "Back", &TMainFrm::btnBackClick},
                            {&btnForward, "Forward", &TMainFrm::btnForwardClick},
                            {&btnSeek, "Seek", &TMainFrm::btnSeekClick}};
  auto row = [this](const Command* commands, int count, const skin::Box& box) {
    int x = box.Left + skin::kTextButtonIndent;
    for (int i = 0; i < count; ++i) {
      auto handler = commands[i].handler;
      TAALabel* l = MakeTextButton(commands[i].caption, x, box.Top + skin::kTextButtonTop,
                                   [this, handler](TObject* s) { (this->*handler)(s); });
      l->SetName(std::string("btn") + commands[i].caption);
      *commands[i].field = l;
      x += l->Width() + skin::kTextButtonGap;
    }
  };
  row(top, 5, skin::kCommandRow);
  row(bottom, 6, skin::kPreviewRow);

  labCurrentFrame = new TLabel(this);

  labCurrentFrame->SetName("labCurrentFrame");
  labCurrentFrame->SetParent(this);
  labCurrentFrame->SetAutoSize(false);
  labCurrentFrame->SetTransparent(true);
  labCurrentFrame->SetAlignment(taRightJustify);
  labCurrentFrame->Font()->SetColor(clWhite);
  labCurrentFrame->SetBounds(skin::kFrameCounter.Left, skin::kFrameCounter.Top,
                             skin::kFrameCounter.Width, skin::kFrameCounter.Height);
  labCurrentFrame->SetCaption("Current Frame");

  trkSeek = new TepBMPSlider(this);

  trkSeek->SetName("trkSeek");
  trkSeek->SetParent(this);
  trkSeek->SetBounds(skin::kSeekSlider.Left, skin::kSeekSlider.Top, skin::kSeekSlider.Width,
                     skin::kSeekSlider.Height);
  trkSeek->SetTransparent(true);
  trkSeek->SetNumThumbStates(1);
  trkSeek->SetOptions(controls::soSmooth);
  trkSeek->SetImageHRuler(Artwork("MAIN_SEEK_RULER").get());
  trkSeek->SetImageHThumb(Artwork("MAIN_SEEK_THUMB").get());
  trkSeek->SetThumbTransparent(true);
  trkSeek->SetMinValue(0);
  trkSeek->SetMaxValue(100);
  trkSeek->SetIncrement(1);
  trkSeek->SetValue(0);
  trkSeek->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    trkSeekMouseDown(s, b, sh, x, y);
  };
  trkSeek->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    trkSeekMouseUp(s, b, sh, x, y);
  };
  trkSeek->OnThumbMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    trkSeekThumbMouseDown(s, b, sh, x, y);
  };
  trkSeek->OnThumbMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    trkSeekThumbMouseUp(s, b, sh, x, y);
  };
  trkSeek->OnThumbMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
    trkSeekThumbMouseMove(s, sh, x, y);
  };

  // The summary column.
  labCurrent = MakeHeading("Summary:", skin::kSummaryHeadingTop);
  labCurrent->SetName("labCurrent");
  AALabel1 = MakeHeading("Source Properties:", skin::kSummarySourceTop);
  AALabel1->SetName("AALabel1");
  struct Summary {
    TLabel** field;
    const char* name;
  };
  const Summary source[] = {{&labSrcSize, "labSrcSize"},
                            {&labSrcType, "labSrcType"},
                            {&labSrcVersion, "labSrcVersion"},
                            {&labSrcFrameRate, "labSrcFrameRate"},
                            {&labSrcWidthxHeight, "labSrcWidthxHeight"},
                            {&labSrcTotalFrames, "labSrcTotalFrames"}};
  const Summary exported[] = {
      {&labExportType, "labExportType"},         {&labCodec, "labCodec"},
      {&labExportSequence, "labExportSequence"}, {&labColorDepth, "labColorDepth"},
      {&labStartEndFrame, "labStartEndFrame"},   {&labWidthxHeight, "labWidthxHeight"},
      {&labAudioFormat, "labAudioFormat"}};
  auto column = [this](const Summary* labels, int count, int top) {
    for (int i = 0; i < count; ++i) {
      *labels[i].field = MakeSummaryLabel(top + i * skin::kSummaryLabelPitch);
      (*labels[i].field)->SetName(labels[i].name);
    }
  };
  column(source, 6, skin::kSummarySourceTop + skin::kSummaryHeadingHeight);
  AALabel2 = MakeHeading("Export Settings:", skin::kSummaryExportTop);
  AALabel2->SetName("AALabel2");
  column(exported, 7, skin::kSummaryExportTop + skin::kSummaryHeadingHeight);

  // The well: job list above, splitter, preview below.
  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(this);
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetBounds(skin::kListPanel.Left, skin::kListPanel.Top, skin::kListPanel.Width,
                    skin::kListPanel.Height);

  lstFile = new TElTree(this);

  lstFile->SetName("lstFile");
  lstFile->SetParent(Panel1);
  lstFile->SetAlign(alTop);
  lstFile->SetHeight(skin::kJobListHeight);
  lstFile->SetMultiSelect(false);
  lstFile->SetShowCheckboxes(true);
  lstFile->SetDoInplaceEdit(false);
  lstFile->SetIncrementalSearch(false);
  lstFile->SetSortType(stCustom);
  lstFile->SetFlat(true);
  lstFile->SetLineHeight(18);
  lstFile->SetHeaderHeight(19);
  lstFile->SetHorizontalLines(true);
  lstFile->SetVerticalLines(true);
  lstFile->SetShowButtons(false);
  lstFile->SetShowRootButtons(false);
  lstFile->SetShowLines(false);
  lstFile->SetHint("Right click to show pop-up menu.");
  lstFile->SetShowHint(true);
  const struct {
    const char* text;
    int width;
  } sections[] = {{"Source Video(*.swf;*.exe)", 150},
                  {"Source Audio(*.wav;*.mp3)", 138},
                  {"Export(*.avi;*.mpg;*.gif;image)", 148}};
  for (const auto& s : sections) {
    TElHeaderSection* section = lstFile->HeaderSections()->AppendSection();
    section->SetText(s.text);
    section->SetWidth(s.width);
  }
  lstFile->SetShowColumns(true);
  lstFile->OnItemChecked = [this](TObject* s, TElTreeItem* i) { lstFileItemChecked(s, i); };
  lstFile->OnItemDeletion = [this](TObject* s, TElTreeItem* i) { lstFileItemDeletion(s, i); };
  lstFile->OnItemSelectedChange = [this](TObject* s, TElTreeItem* i) {
    lstFileItemSelectedChange(s, i);
  };
  lstFile->OnDblClick = [this](TObject* s) { lstFileDblClick(s); };

  Splitter1 = new TSplitter(this);

  Splitter1->SetName("Splitter1");
  Splitter1->SetParent(Panel1);
  Splitter1->SetAlign(alTop);
  Splitter1->SetTop(skin::kJobListHeight);
  Splitter1->SetHeight(skin::kSplitterHeight);
  Splitter1->SetCursor(crVSplit);
  Splitter1->SetMinSize(skin::kPreviewMinHeight);

  panPreview = new TPanel(this);

  panPreview->SetName("panPreview");
  panPreview->SetParent(Panel1);
  panPreview->SetBevelOuter(bvNone);
  panPreview->SetColor(clWhite);
  panPreview->SetAlign(alClient);
  panPreview->OnResize = [this](TObject* s) { panPreviewResize(s); };

  dlgOpen = new TOpenDialog(this);

  dlgOpen->SetName("dlgOpen");

  menPopup = new TsuiPopupMenu(this);

  menPopup->SetName("menPopup");
  menPopup->SetUIStyle(controls::TsuiUIStyle::DeepBlue);
  auto item = [this](const std::string& caption, TNotifyEvent click) {
    auto* m = new TMenuItem(this);
    m->SetCaption(caption);
    m->OnClick = std::move(click);
    menPopup->Items()->Add(m);
    return m;
  };
  menAdd = item("&Add", [this](TObject* s) { btnAddClick(s); });
  menRemove = item("&Remove", [this](TObject* s) { btnRemoveClick(s); });
  menClear = item("&Clear", [this](TObject* s) { btnClearClick(s); });
  item("-", {});
  menSettings = item("&Settings", [this](TObject* s) { btnSettingsClick(s); });
  item("-", {});
  menCheckAll = item("Check All", [this](TObject* s) { menCheckAllClick(s); });
  menUncheckAll = item("Uncheck All", [this](TObject* s) { menUncheckAllClick(s); });
  for (int i = 0; i < menPopup->Items()->Count(); ++i)
    menPopup->HookMenuItemDrawing(menPopup->Items()->Items(i));
  lstFile->SetPopupMenu(menPopup);
}

// ---- the form's life
// ---------------------------------------------------------------------------------

void TMainFrm::FormCreate(TObject*) {
  Modified = false;
  try {
    PreviewPlayer =
        PreviewPlayerFactory ? PreviewPlayerFactory(panPreview) : new TShockwaveFlashEx(panPreview);
    if (PreviewPlayer == nullptr) throw Exception("no player");
    PreviewPlayer->SetParent(panPreview);
    PreviewPlayer->SetVisible(true);
    PreviewPlayer->SetAlign(alClient);
    PreviewPlayer->PreviewMsg = true;
    PreviewPlayer->OnBeforeTimer = [this](TObject* s) { UpdateFrameCounter(s); };
    PreviewPlayer->OnSkipTimer = [this](TObject* s) { UpdateFrameCounter(s); };
    PreviewPlayer->SetMovie(" ");
  } catch (...) {
    ShowMessage(kPlayerLostText);
    Application->Terminate();
  }
}

void TMainFrm::FormCloseQuery(TObject*, bool& CanClose) {
  // A close while the list loads would save half a list: it is refused.
  if (Loading) CanClose = false;
}

void TMainFrm::WMClose(TMessage& Message) {
  if (Loading) return;
  TForm::WMClose(Message);
}

void TMainFrm::FormClose(TObject*, TCloseAction&) {
  if (!Modified) return;
  try {
    SaveTasks();
  } catch (const std::exception& e) {
    // The program still exits; the old file is left as it was.
    MessageDlg("The job list could not be saved to \"" + JobListFile + "\": " +
                   (dynamic_cast<const Exception*>(&e) != nullptr
                        ? static_cast<const Exception&>(e).Message()
                        : std::string(e.what())),
               mtError, mbOK);
  }
}

void TMainFrm::FormDestroy(TObject*) {
  const int count = JobCount();
  for (int i = 0; i < count; ++i) {
    const TCovSettings* job = JobOf(lstFile->Items()->Item(i));
    if (job == nullptr) continue;
    DeleteJobTempFile(job->swfPlayFilename, *job);
    DeleteJobTempFile(job->adoWorkFilename, *job);
  }
  if (PreviewPlayer != nullptr) {
    TShockwaveFlashEx* player = PreviewPlayer;
    PreviewPlayer = nullptr;
    Quietly([&] { delete player; });
  }
}

// ---- the job list
// ----------------------------------------------------------------------------------

TCovSettings* TMainFrm::JobOf(TElTreeItem* Item) const {
  return Item != nullptr ? static_cast<TCovSettings*>(Item->Data) : nullptr;
}

int TMainFrm::JobCount() const { return lstFile != nullptr ? lstFile->Items()->Count() : 0; }

TElTreeItem* TMainFrm::AddJobItem(TCovSettings* Job, bool Checked) {
  TElTreeItem* item = lstFile->Items()->AddItem(nullptr);
  try {
    FillJobItem(item, Job, Checked);
  } catch (...) {
    item->Data = nullptr;
    lstFile->Items()->DeleteItem(item);
    throw;
  }
  return item;
}

void TMainFrm::ShowAddedJob(TCovSettings* Job) { ShowSettings(Job); }

void TMainFrm::JobListModified() { Modified = true; }

void TMainFrm::lstFileItemChecked(TObject*, TElTreeItem*) { Modified = true; }

void TMainFrm::lstFileItemDeletion(TObject*, TElTreeItem* Item) {
  if (Item == nullptr) return;
  auto* job = static_cast<TCovSettings*>(Item->Data);
  Item->Data = nullptr;
  Quietly([&] { delete job; });
}

void TMainFrm::lstFileItemSelectedChange(TObject*, TElTreeItem* Item) {
  // Only an item that became selected is shown; one losing its selection shows nothing.
  if (Item == nullptr || !Item->Selected()) return;
  ShowSettings(JobOf(Item));
}

void TMainFrm::lstFileDblClick(TObject* Sender) { btnSettingsClick(Sender); }

void TMainFrm::SetAllChecked(bool Checked) {
  if (ListBusy() || JobCount() == 0) return;
  lstFile->WithUpdate([&] {
    for (int i = 0; i < JobCount(); ++i) lstFile->Items()->Item(i)->SetChecked(Checked);
  });
  // Setting the states from code raises no checked event: the change is recorded here.
  Modified = true;
}

void TMainFrm::menCheckAllClick(TObject*) { SetAllChecked(true); }

void TMainFrm::menUncheckAllClick(TObject*) { SetAllChecked(false); }

// ---- the summary and the preview
// --------------------------------------------------------------------

void TMainFrm::SetSummaryText(TLabel* Label, const std::string& Text) {
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas* c = scratch.Canvas();
  c->Font()->Assign(Label->Font());
  const int room = Label->Width();
  if (c->TextWidth(Text) <= room) {
    Label->SetCaption(Text);
    Label->SetHint("");
    return;
  }
  // Cut at a character boundary (UTF-8 continuation bytes are never split off their start).
  std::string cut = Text;
  while (!cut.empty()) {
    do {
      cut.pop_back();
    } while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80);
    if (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0x80) != 0 &&
        (static_cast<unsigned char>(cut.back()) & 0xC0) == 0xC0)
      cut.pop_back();  // a lead byte left without its continuation bytes
    if (c->TextWidth(cut + "...") <= room) break;
  }
  Label->SetCaption(cut + "...");
  Label->SetHint(Text);
  Label->SetShowHint(true);
}

void TMainFrm::ShowSettings(TCovSettings* Job) {
  if (Job == nullptr) return;
  // A size that cannot be read still lets the rest of the summary show this job (never the
  // previous one) before the failure is passed on.
  std::exception_ptr failure;
  std::string size;
  try {
    size = FormatFileSize(Job->swfFilename);
  } catch (...) {
    failure = std::current_exception();
  }
  SetSummaryText(labSrcSize, "Size: " + size);
  const TSwfFileKind kind = SwfFileTypeOf(*Job);
  switch (kind) {
    case sfkSwf:
    case sfkProjectorSwf: SetSummaryText(labSrcType, "Type: Uncompressed Flash File"); break;
    case sfkCompressedSwf:
    case sfkProjectorCompressedSwf:
      SetSummaryText(labSrcType, "Type: Compressed Flash File");
      break;
    default: SetSummaryText(labSrcType, "Type: Invalid File"); break;
  }
  SetSummaryText(labSrcVersion, "Version: Flash " + IntToStr(Job->swfFileVersion));
  SetSummaryText(labSrcFrameRate, "Frame Rate: " + IntToStr(Job->swfFrameRate) + " fps");
  SetSummaryText(labSrcWidthxHeight,
                 "WidthxHight: " + IntToStr(Job->swfW) + "x" + IntToStr(Job->swfH) + " pixels");
  SetSummaryText(labSrcTotalFrames, "Total Frames: " + IntToStr(Job->swfTotalFrames) + " frames");

  static const char* const kMpegTexts[kMpegCodecCount] = {
      "Video Format: VCD-NTSC",      "Video Format: VCD-PAL",   "Video Format: DVD-NTSC",
      "Video Format: DVD-PAL",       "Video Format: SVCD-NTSC", "Video Format: SVCD-PAL",
      "Video Format: Customize MPEG"};
  static const char* const kImageTexts[kImageTypeCount] = {"Video Format: PNG", "Video Format: TAG",
                                                           "Video Format: GIF", "Video Format: BMP",
                                                           "Video Format: JPEG"};
  switch (DestTypeOf(*Job)) {
    case dtAVI:
      SetSummaryText(labExportType, "Type: AVI");
      SetSummaryText(labCodec, "Video Format: " + Job->destAVICodec);
      break;
    case dtMPEG:
      SetSummaryText(labExportType, "Type: MPEG");
      SetSummaryText(labCodec, kMpegTexts[DestMpegCodecOf(*Job)]);
      break;
    case dtGIF:
      SetSummaryText(labExportType, "Type: GIF Animation");
      SetSummaryText(labCodec, "Video Format: GIF89a");
      break;
    default:
      SetSummaryText(labExportType, "Type: Image Sequence");
      SetSummaryText(labCodec, kImageTexts[DestImageTypeOf(*Job)]);
      break;
  }
  switch (DestSequenceModeOf(*Job)) {
    case 0: SetSummaryText(labExportSequence, "Mode: Normal sequence"); break;
    case 1: SetSummaryText(labExportSequence, "Mode: Skip"); break;
    default: SetSummaryText(labExportSequence, "Mode: Frame by frame"); break;
  }
  SetSummaryText(labColorDepth, Job->destColorDepth != 0 ? "Color: 32bits with alpha channel"
                                                         : "Color: 24bits no alpha channel");
  SetSummaryText(labStartEndFrame, "Export from " + IntToStr(Job->destStartFrame) + " to " +
                                       IntToStr(Job->destEndFrame) + " frame");
  SetSummaryText(labWidthxHeight,
                 "WidthxHeight: " + IntToStr(Job->destW) + "x" + IntToStr(Job->destH) + " pixels");
  switch (AdoSourceOf(*Job)) {
    case asNone: SetSummaryText(labAudioFormat, "Audio Format: None"); break;
    case asRecord:
      SetSummaryText(labAudioFormat,
                     AdoFileTypeOf(*Job) == 0 ? "Audio Format: WAVE" : "Audio Format: MP3");
      break;
    default: SetSummaryText(labAudioFormat, "Audio Format: Depend on existing file"); break;
  }

  // The movie to play: a projector's movie is extracted once and reused while its file lasts.
  if (!failure) {
    try {
      if (kind != sfkProjectorSwf && kind != sfkProjectorCompressedSwf) {
        Job->swfPlayFilename = Job->swfFilename;
      } else if (Job->swfPlayFilename.empty() || !FileExists(Job->swfPlayFilename)) {
        Job->swfPlayFilename = ExtractSwfFromProjector(Job->swfFilename);
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (PreviewPlayer != nullptr) {
    if (failure) {
      // Nothing of another job stays in the preview.
      Quietly([&] { PreviewPlayer->StopPlay(); });
      Quietly([&] { PreviewPlayer->SetMovie(" "); });
      Quietly([&] { trkSeek->SetValue(0); });
      labCurrentFrame->SetCaption("Current Frame");
    } else {
      PreviewPlayer->SetBackgroundColor(0xFFFFFF);
      PreviewPlayer->SetMovie(Job->swfPlayFilename);
      PreviewPlayer->StopPlay();
      Quietly([&] { trkSeek->SetMaxValue(PreviewPlayer->TotalFrames()); });
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void TMainFrm::UpdateFrameCounter(TObject*) {
  if (Seeking || PreviewPlayer == nullptr) return;
  const int32_t current = PreviewPlayer->CurrentFrame();
  labCurrentFrame->SetCaption(IntToStr(current) + "/" + IntToStr(PreviewPlayer->TotalFrames()) +
                              " Frames");
  trkSeek->SetValue(current);
  Application->ProcessMessages();
}

void TMainFrm::ResetPreview() {
  if (PreviewPlayer != nullptr) {
    Quietly([&] { PreviewPlayer->StopPlay(); });
    Quietly([&] { PreviewPlayer->SetMovie(" "); });
  }
  Quietly([&] { trkSeek->SetValue(0); });
  Quietly([&] { labCurrentFrame->SetCaption("Current Frame"); });
}

void TMainFrm::SetLabelState(TAALabel* Label, int State) {
  if (Label == nullptr) return;
  switch (State) {
    case 0: Label->Font()->SetColor(clYellow); break;
    case 3: Label->Font()->SetColor(clBlack); break;
    case 1:
      Label->SetBounds(Label->Left() + 1, Label->Top() + 1, Label->Width(), Label->Height());
      break;
    case 2:
      Label->SetBounds(Label->Left() - 1, Label->Top() - 1, Label->Width(), Label->Height());
      break;
    default: break;
  }
}

void TMainFrm::btnAddMouseEnter(TObject* Sender) {
  SetLabelState(dynamic_cast<TAALabel*>(Sender), 0);
}
void TMainFrm::btnAddMouseLeave(TObject* Sender) {
  SetLabelState(dynamic_cast<TAALabel*>(Sender), 3);
}
void TMainFrm::btnAddMouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  SetLabelState(dynamic_cast<TAALabel*>(Sender), 1);
}
void TMainFrm::btnAddMouseUp(TObject* Sender, TMouseButton, TShiftState, int, int) {
  SetLabelState(dynamic_cast<TAALabel*>(Sender), 2);
}

// ---- window commands
// --------------------------------------------------------------------------------

void TMainFrm::imagBackMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button != TMouseButton::mbLeft) return;
  ReleaseCapture();
  Perform(WM_SYSCOMMAND, SC_DRAGMOVE, 0);
}

void TMainFrm::btnMinimizeClick(TObject*) { Application->Minimize(); }

void TMainFrm::btnCloseClick(TObject*) { Close(); }

void TMainFrm::panPreviewResize(TObject*) {
  if (lstFile != nullptr && lstFile->CanFocus()) Quietly([&] { lstFile->SetFocus(); });
  if (PreviewPlayer != nullptr && PreviewPlayer->CanFocus())
    Quietly([&] { PreviewPlayer->SetFocus(); });
}

void TMainFrm::btnHelpClick(TObject*) {
  Application->SetHelpFile(ExtractFilePath(Application->ExeName()) + "tessaro.html");
  ShellOpen(Application->HelpFile(), "open", this);
}

// ---- list commands
// ----------------------------------------------------------------------------------

void TMainFrm::btnAddClick(TObject*) {
  if (ListBusy()) return;
  dlgOpen->Filter = kOpenFilter;
  dlgOpen->Options = dlgOpen->Options | ofAllowMultiSelect | ofFileMustExist;
  if (!dlgOpen->Execute()) return;
  Repaint();
  ShowAddWindow(dlgOpen->Files);
}

void TMainFrm::ShowAddWindow(const std::vector<std::string>& Files) {
  if (AddForm == nullptr) {
    AddForm = new TAddFrm(this, this, this);
    AddForm->AfterConstruction();
  }
  AddForm->Files = Files;
  AddForm->lstFile = lstFile;
  AddForm->Host = this;
  AddForm->ShowModal();
}

void TMainFrm::btnRemoveClick(TObject*) {
  if (ListBusy()) return;
  TElTreeItem* selected = lstFile->Selected();
  if (selected == nullptr) return;
  if (JobCount() > 1) {
    lstFile->Items()->DeleteItem(selected);
  } else {
    lstFile->Items()->Clear();
    ResetPreview();
  }
  Modified = true;
}

void TMainFrm::btnClearClick(TObject*) {
  if (ListBusy() || JobCount() == 0) return;
  if (MessageDlg("Are you sure you want to clear all items?", mtConfirmation, mbYes | mbNo) !=
      mrYes)
    return;
  lstFile->Items()->Clear();
  ResetPreview();
  Modified = true;
}

int TMainFrm::ShowSettingsDialog(TElTreeItem* Item, TCovSettings* Job) {
  if (Job == nullptr) return mrNone;
  if (SettingsForm == nullptr) {
    SettingsForm = new TSettingsFrm(this);
    SettingsForm->AfterConstruction();
  }
  SettingsForm->Item = Item;
  SettingsForm->Job = Job;
  SettingsForm->JobList = lstFile->Items();
  SettingsForm->Opener = this;
  SettingsForm->SetRecordingSource = [this](uint32_t Type, const std::string& Name) {
    return RecordForm != nullptr && RecordForm->SetRecordingSource(Type, Name);
  };
  const int result = SettingsForm->ShowModal();
  // Browse and the audio format dialog write the job at once, whatever the dialog's result:
  // the list must be saved for them too.
  if (SettingsForm->JobWritten) Modified = true;
  return result;
}

void TMainFrm::btnSettingsClick(TObject*) {
  if (ListBusy()) return;
  TElTreeItem* selected = lstFile->Selected();
  if (selected == nullptr) return;
  TCovSettings* job = JobOf(selected);
  const int result = ShowSettingsDialog(selected, job);
  if (result != mrOk && result != 8) return;
  ShowSettings(job);
  selected->SetSelected(true);
  selected->SetFocused(true);
  Modified = true;
}

void TMainFrm::btnConvertClick(TObject*) {
  if (ListBusy() || JobCount() == 0 || InteractForm == nullptr) return;
  std::string movie = " ";
  if (PreviewPlayer != nullptr) {
    PreviewPlayer->StopPlay();
    movie = PreviewPlayer->Movie();
    // The conversion window needs the player free.
    PreviewPlayer->SetMovie(" ");
  }
  InteractForm->JobList = lstFile->Items();
  InteractForm->ShowModal();
  if (PreviewPlayer != nullptr) {
    PreviewPlayer->SetMovie(movie);
    PreviewPlayer->StopPlay();
    trkSeek->SetMaxValue(PreviewPlayer->TotalFrames());
  }
}

void TMainFrm::SelectRecordingSource() {
  if (RecordForm == nullptr) return;
  Quietly([&] { RecordForm->SetRecordingSource(0x1008, "Stereo Mix"); });
}

// ---- preview commands
// --------------------------------------------------------------------------------

void TMainFrm::btnPlayClick(TObject*) {
  if (PreviewPlayer != nullptr) Quietly([&] { PreviewPlayer->Play(); });
}

void TMainFrm::btnPauseClick(TObject*) {
  if (PreviewPlayer != nullptr) Quietly([&] { PreviewPlayer->StopPlay(); });
}

void TMainFrm::btnBackClick(TObject*) {
  if (PreviewPlayer != nullptr) Quietly([&] { PreviewPlayer->Back(); });
}

void TMainFrm::btnForwardClick(TObject*) {
  if (PreviewPlayer != nullptr) Quietly([&] { PreviewPlayer->Forward(); });
}

void TMainFrm::btnStopClick(TObject*) {
  if (PreviewPlayer == nullptr) return;
  const std::string movie = PreviewPlayer->Movie();
  PreviewPlayer->SetMovie(" ");
  PreviewPlayer->SetMovie(movie);  // reloads at the first frame
  PreviewPlayer->StopPlay();
}

void TMainFrm::ShowSeekDialog() {
  if (SeekForm == nullptr) {
    SeekForm = new TSeekFrm(this, this, PreviewPlayer);
    SeekForm->AfterConstruction();
  }
  SeekForm->PreviewPlayer = PreviewPlayer;
  SeekForm->ShowModal();
}

void TMainFrm::btnSeekClick(TObject*) { ShowSeekDialog(); }

void TMainFrm::trkSeekMouseDown(TObject*, TMouseButton, TShiftState, int, int) { Seeking = true; }

void TMainFrm::trkSeekThumbMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Seeking = true;
}

void TMainFrm::trkSeekThumbMouseMove(TObject*, TShiftState, int, int) {
  if (!Seeking) return;
  labCurrentFrame->SetCaption(IntToStr(trkSeek->Value()) + "/" + IntToStr(trkSeek->MaxValue()) +
                              " Frames");
}

void TMainFrm::trkSeekMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  if (!Seeking) return;
  if (PreviewPlayer != nullptr) {
    Quietly([&] { PreviewPlayer->GotoFrame(trkSeek->Value()); });
    Quietly([&] { PreviewPlayer->StopPlay(); });
  }
  Seeking = false;
}

void TMainFrm::trkSeekThumbMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                   int Y) {
  trkSeekMouseUp(Sender, Button, Shift, X, Y);
}

// ---- start-up
// ---------------------------------------------------------------------------------------

TMainFrm* StartProgram(const std::string& JobListFile) {
  Application->SetTitle("Velmora Lumicast Pro");
  auto* main = Application->CreateForm<TMainFrm>(JobListFile);
  if (Application->Terminated()) return main;
  // The other windows, in the order the program makes them. The recording window exists
  // before the conversion window, which records through it.
  auto* record = Application->CreateForm<TRecordFrm>();
  auto* interact = Application->CreateForm<TInteractFrm>();
  auto* seek = Application->CreateForm<TSeekFrm>(main, main->PreviewPlayer);
  auto* add = Application->CreateForm<TAddFrm>(main, main);
  interact->RecordForm = record;
  main->RecordForm = record;
  main->InteractForm = interact;
  main->SeekForm = seek;
  main->AddForm = add;
  main->Show();
  main->Update();
  main->LoadTasks();
  return main;
}

}  // namespace lumicast
