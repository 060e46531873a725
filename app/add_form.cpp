#include "app/add_form.h"

#include <memory>

#include "app/job_item.h"
#include "app/movie_file.h"
#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/resources.h"
#include "platform/classlib/string_utils.h"

namespace lumicast {

using namespace classlib;

namespace {

// Layout of the window (client coordinates).
constexpr int kClientW = 440;
constexpr int kClientH = 282;
constexpr int kMargin = 8;
constexpr int kButtonW = 88;
constexpr int kButtonH = 25;

std::unique_ptr<TBitmap> LoadGlyph(const char* Name) {
  TResourceData res;
  if (!FindResource(Name, res)) return nullptr;
  auto glyph = std::make_unique<TBitmap>();
  glyph->LoadFromResourceName(Name);
  return glyph;
}

std::string Quoted(const std::string& Path) { return "\"" + Path + "\""; }

}  // namespace

bool IsStorableJobPath(const std::string& Path) {
  return Path.find_first_of("\r\n") == std::string::npos;
}

TAddFrm::TAddFrm(TComponent* AOwner, TForm* MainForm, TAddFrmHost* AHost)
    : TForm(AOwner), Host(AHost), main_form_(MainForm) {
  CreateComponents();
}

TAddFrm::~TAddFrm() { BeforeDestruction(); }

void TAddFrm::CreateComponents() {
  SetCaption("Adding files...");
  SetBorderStyle(bsDialog);
  Font()->SetName("Arial");
  SetClientSize(kClientW, kClientH);
  SetKeyPreview(true);

  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(this);
  Label1->SetBounds(kMargin, kMargin, 120, 16);
  Label1->SetCaption("Messages:");

  memMsg = new TMemo(this);
  memMsg->SetName("memMsg");
  memMsg->SetParent(this);
  memMsg->SetBounds(kMargin, 28, kClientW - 2 * kMargin, 178);
  memMsg->SetReadOnly(true);
  memMsg->SetWordWrap(false);
  memMsg->SetScrollBars(classlib::TScrollStyle::ssBoth);

  prgAdd = new TProgressBar(this);
  prgAdd->SetName("prgAdd");
  prgAdd->SetParent(this);
  prgAdd->SetBounds(kMargin, 214, kClientW - 2 * kMargin, 18);

  labProgress = new TLabel(this);
  labProgress->SetName("labProgress");
  labProgress->SetParent(this);
  labProgress->SetBounds(kMargin, 246, kClientW - 3 * kMargin - kButtonW, 16);

  // btnCancel and btnOK only carry the glyphs that btnAction shows in turn.
  btnCancel = new TBitBtn(this);
  btnCancel->SetName("btnCancel");
  btnCancel->SetParent(this);
  btnCancel->SetVisible(false);
  btnCancel->SetCaption("&Cancel");
  btnOK = new TBitBtn(this);
  btnOK->SetName("btnOK");
  btnOK->SetParent(this);
  btnOK->SetVisible(false);
  btnOK->SetCaption("&OK");
  if (auto glyph = LoadGlyph("ADD_CANCEL_GLYPH")) btnCancel->SetGlyph(glyph.get());
  if (auto glyph = LoadGlyph("ADD_OK_GLYPH")) btnOK->SetGlyph(glyph.get());
  const TRect button{kClientW - kMargin - kButtonW, 241, kClientW - kMargin, 241 + kButtonH};
  for (TBitBtn* b : {btnCancel, btnOK}) b->SetBoundsRect(button);

  btnAction = new TBitBtn(this);
  btnAction->SetName("btnAction");
  btnAction->SetParent(this);
  btnAction->SetBoundsRect(button);
  btnAction->SetCaption("&Cancel");
  btnAction->SetGlyph(btnCancel->Glyph());
  btnAction->OnClick = [this](TObject* s) { btnActionClick(s); };

  Timer = new TTimer(this);
  Timer->SetName("Timer");
  Timer->SetEnabled(false);
  Timer->SetInterval(500);
  Timer->SetOnTimer([this](TObject* s) { TimerTimer(s); });

  OnShow = [this](TObject* s) { FormShow(s); };
  OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { FormKeyDown(s, k, sh); };
}

void TAddFrm::FormShow(TObject*) {
  if (main_form_ != nullptr) {
    SetLeft(main_form_->Left() + (main_form_->Width() - Width()) / 2);
    SetTop(main_form_->Top() + (main_form_->Height() - Height()) / 2);
  }
  memMsg->Clear();
  btnAction->SetGlyph(btnCancel->Glyph());
  btnAction->SetCaption("&Cancel");
  labProgress->SetCaption("Current 0 -- Total " + IntToStr(static_cast<int64_t>(Files.size())));
  prgAdd->SetPosition(0);
  errors_ = 0;
  Cancelled = false;
  Timer->SetEnabled(true);
}

void TAddFrm::FormCloseQuery(TObject*, bool& CanClose) {
  // Closing while files are being added stops the run like Cancel; the run then closes the
  // window itself once the current file is done.
  if (adding_) {
    Cancelled = true;
    CanClose = false;
  }
}

void TAddFrm::FormClose(TObject*, TCloseAction&) {
  // Closed before the work started: it must not start later in the hidden window.
  Timer->SetEnabled(false);
}

void TAddFrm::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key != VK_ESCAPE) return;
  Key = 0;
  Close();
}

void TAddFrm::btnActionClick(TObject*) {
  if (btnAction->Caption() == "&OK")
    SetModalResult(mrOk);
  else
    Cancelled = true;
}

void TAddFrm::Log(const std::string& Line) { memMsg->Lines()->Add(Line); }

bool TAddFrm::AddFile(const std::string& Path) {
  // The job list stores one name per line: a name with a line break would not come back.
  if (!IsStorableJobPath(Path)) {
    Log(">>Unsupported file!... " + Quoted(Path));
    return false;
  }
  TCovSettings* job = nullptr;
  TElTreeItem* item = nullptr;
  try {
    if (GetSwfFileKind(Path) == sfkUnknown) {
      Log(">>Unsupported file!... " + Quoted(Path));
      return false;
    }
    auto record = std::make_unique<TCovSettings>();
    InitSettings(Path, record.get(), true);
    if (lstFile == nullptr) throw EInvalidOperation("No job list to add to");
    item = lstFile->Items()->AddItem(nullptr);
    job = record.release();
    FillJobItem(item, job, true);
    if (Host != nullptr) Host->ShowAddedJob(job);
    item->SetSelected(true);
    item->SetFocused(true);
    if (Host != nullptr) Host->JobListModified();
    return true;
  } catch (...) {
    // The item is taken out without its record (the list's deletion handler would dispose of
    // it too), then the record is disposed of here, once.
    if (item != nullptr) {
      item->Data = nullptr;
      try {
        lstFile->Items()->DeleteItem(item);
      } catch (...) {
      }
    }
    delete job;
    Log(">>Adding failed!... " + Quoted(Path));
    return false;
  }
}

void TAddFrm::TimerTimer(TObject*) {
  Timer->SetEnabled(false);
  if (adding_) return;
  adding_ = true;
  const int total = static_cast<int>(Files.size());
  prgAdd->SetMax(total);
  errors_ = 0;
  // The list of names is the caller's; a copy keeps the run whole if it is replaced meanwhile.
  const std::vector<std::string> files = Files;
  for (int i = 0; i < total && !Cancelled; ++i) {
    Application->ProcessMessages();
    // A close request while adding (close box, Esc) leaves a result behind: it cancels too.
    if (ModalResult() != mrNone) Cancelled = true;
    if (Cancelled) break;
    labProgress->SetCaption("Current: " + IntToStr(i + 1) + " -- Total: " + IntToStr(total));
    Log(">>Adding file... " + files[static_cast<size_t>(i)]);
    if (!AddFile(files[static_cast<size_t>(i)])) ++errors_;
    prgAdd->SetPosition(i + 1);
  }
  if (ModalResult() != mrNone) Cancelled = true;
  adding_ = false;
  if (Cancelled) {
    Log(">>Cancel adding files!");
    SetModalResult(mrCancel);
    if (!Modal()) Close();
    return;
  }
  prgAdd->SetPosition(prgAdd->Max());
  if (errors_ == 0) {
    Log(">>Finish adding files!");
    SetModalResult(mrOk);
    if (!Modal()) Close();
    return;
  }
  Log(">>Finish adding files! -- " + IntToStr(errors_) + " errors!");
  btnAction->SetGlyph(btnOK->Glyph());
  btnAction->SetCaption("&OK");
}

}  // namespace lumicast
