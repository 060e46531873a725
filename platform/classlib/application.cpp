#include "platform/classlib/application.h"

#include <algorithm>
#include <map>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QScreen>

#include "platform/classlib/control_qt.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"

namespace classlib {

namespace {

// The event another thread posts to end a blocking wait; the application
// object ignores it, its arrival is what matters.
QEvent::Type WakeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

std::map<TCursor, QCursor>& CustomCursors() {
  static std::map<TCursor, QCursor> cursors;
  return cursors;
}

int g_argc = 1;
char g_arg0[] = "lumicast";
char* g_argv[] = {g_arg0, nullptr};

TApplication g_application;
TScreen g_screen;

}  // namespace

TApplication* const Application = &g_application;
TScreen* const Screen = &g_screen;

struct TApplication::Impl {
  std::unique_ptr<QApplication> own_app;
  QEventLoop* run_loop = nullptr;
  int wait_depth = 0;
};

TApplication::TApplication() : TComponent(nullptr), impl_(std::make_unique<Impl>()) {}

TApplication::~TApplication() {
  if (QCoreApplication::instance() != nullptr) DestroyForms();
  // Forms left (no toolkit any more) are not destroyed: their windows are gone.
  if (impl_->own_app)
    impl_->own_app.release();  // the toolkit object outlives static destruction order safely
}

void TApplication::Initialize() {
  if (QCoreApplication::instance() == nullptr)
    impl_->own_app = std::make_unique<QApplication>(g_argc, g_argv);
  WakeEventType();
  QApplication::setQuitOnLastWindowClosed(false);
  if (!title_.empty()) QGuiApplication::setApplicationDisplayName(QStr(title_));
}

void TApplication::SetTitle(const std::string& Value) {
  title_ = Value;
  if (QCoreApplication::instance() != nullptr)
    QGuiApplication::setApplicationDisplayName(QStr(Value));
}

std::string TApplication::ExeName() const {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

void TApplication::FormCreated(TForm* Form) {
  if (main_form_ == nullptr) main_form_ = Form;
  Form->AfterConstruction();
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == main_form_) main_form_ = nullptr;
}

void TApplication::MainFormDestroyed(TForm* Form) {
  if (Form == main_form_) main_form_ = nullptr;
}

void TApplication::DestroyForms() {
  // OnDestroy of every form first, while all of them still exist.
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (auto* f = dynamic_cast<TForm*>(Components(i))) SafeCall(f, [f] { f->BeforeDestruction(); });
  TForm* main = main_form_;
  while (ComponentCount() > 0) {
    TComponent* c = Components(ComponentCount() - 1);
    if (c == main && ComponentCount() > 1) c = Components(ComponentCount() - 2);
    delete c;
  }
  main_form_ = nullptr;
}

void TApplication::Run() {
  Initialize();
  terminated_ = false;
  if (main_form_ != nullptr && !main_form_->Visible())
    SafeCall(main_form_, [this] { main_form_->Show(); });
  if (main_form_ == nullptr) return;
  running_ = true;
  while (!terminated_) HandleMessage();
  running_ = false;
}

bool TApplication::InUiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && app->thread() == QThread::currentThread();
}

void TApplication::ProcessMessages() {
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage() {
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool TApplication::WaitUntil(const std::function<bool()>& Condition) {
  Initialize();
  ++impl_->wait_depth;
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{impl_->wait_depth};
  for (;;) {
    bool done = false;
    SafeCall(this, [&] { done = Condition(); });
    if (done) return true;
    if (terminated_) return false;
    HandleMessage();
  }
}

void TApplication::Wake() {
  // Posting is thread-safe; the event itself does nothing but end the wait.
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  QCoreApplication::postEvent(app, new QEvent(WakeEventType()));
}

void TApplication::Terminate() {
  terminated_ = true;
  Wake();
}

void TApplication::Minimize() {
  if (main_form_ != nullptr && main_form_->HandleAllocated())
    NativeWidget(main_form_)->showMinimized();
}

void TApplication::Restore() {
  if (main_form_ != nullptr && main_form_->HandleAllocated())
    NativeWidget(main_form_)->showNormal();
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr ep = std::current_exception();
  if (!ep) return;
  try {
    std::rethrow_exception(ep);
  } catch (const EAbort&) {
    // Silent by design.
  } catch (const std::exception& e) {
    if (OnException) {
      try {
        OnException(Sender, e);
      } catch (const std::exception& inner) {
        ShowException(inner);
      } catch (...) {
      }
    } else {
      ShowException(e);
    }
  } catch (...) {
    Exception unknown("Unknown error");
    if (OnException) {
      try {
        OnException(Sender, unknown);
      } catch (...) {
      }
    } else {
      ShowException(unknown);
    }
  }
}

void TApplication::ShowException(const std::exception& E) {
  try {
    std::string caption = title_.empty() ? std::string("Error") : title_;
    classlib::MessageBox(E.what(), caption, MB_OK | MB_ICONSTOP);
  } catch (...) {
    // Nothing more can be done about a failure to show a failure.
  }
}

int TApplication::HookMainWindow(TWindowHook Hook) {
  int id = next_hook_id_++;
  main_window_hooks_.emplace_back(id, std::move(Hook));
  return id;
}

void TApplication::UnhookMainWindow(int Id) {
  std::erase_if(main_window_hooks_, [Id](const auto& h) { return h.first == Id; });
}

void TApplication::NotifyMainWindowHooks(TMessage& Message) {
  // A hook may unhook itself (or others) while running: walk a copy of the
  // ids and look each one up again.
  std::vector<int> ids;
  for (const auto& h : main_window_hooks_) ids.push_back(h.first);
  for (int id : ids) {
    auto it = std::find_if(main_window_hooks_.begin(), main_window_hooks_.end(),
                           [id](const auto& h) { return h.first == id; });
    if (it == main_window_hooks_.end()) continue;
    TWindowHook hook = it->second;
    if (hook(Message)) return;
  }
}

void SafeCall(TObject* Sender, const std::function<void()>& Call) {
  try {
    Call();
  } catch (...) {
    Application->HandleException(Sender);
  }
}

// ============================================================== TScreen

TScreen::TScreen() : TComponent(nullptr) {}
TScreen::~TScreen() = default;

QCursor QCursorFor(TCursor Cursor) {
  auto it = CustomCursors().find(Cursor);
  if (it != CustomCursors().end()) return it->second;
  switch (Cursor) {
    case crNone: return QCursor(Qt::BlankCursor);
    case crCross: return QCursor(Qt::CrossCursor);
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crSizeNESW: return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS: return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE: return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE: return QCursor(Qt::SizeHorCursor);
    case crUpArrow: return QCursor(Qt::UpArrowCursor);
    case crHourGlass:
    case crSQLWait: return QCursor(Qt::WaitCursor);
    case crDrag:
    case crMultiDrag: return QCursor(Qt::DragCopyCursor);
    case crNoDrop:
    case crNo: return QCursor(Qt::ForbiddenCursor);
    case crHSplit: return QCursor(Qt::SplitHCursor);
    case crVSplit: return QCursor(Qt::SplitVCursor);
    case crAppStart: return QCursor(Qt::BusyCursor);
    case crHelp: return QCursor(Qt::WhatsThisCursor);
    case crHandPoint: return QCursor(Qt::PointingHandCursor);
    case crSizeAll: return QCursor(Qt::SizeAllCursor);
    default: return QCursor(Qt::ArrowCursor);
  }
}

void TScreen::SetCursor(TCursor Value) {
  if (Value == cursor_) return;
  bool had = cursor_ != crDefault;
  cursor_ = Value;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
  if (Value == crDefault) {
    if (had) QGuiApplication::restoreOverrideCursor();
  } else if (had) {
    QGuiApplication::changeOverrideCursor(QCursorFor(Value));
  } else {
    QGuiApplication::setOverrideCursor(QCursorFor(Value));
  }
}

void TScreen::SetCustomCursor(TCursor Id, int Width, int Height, const std::vector<uint32_t>& Argb,
                              int HotX, int HotY) {
  if (Width <= 0 || Height <= 0 || Width > 256 || Height > 256 ||
      Argb.size() < static_cast<size_t>(Width) * static_cast<size_t>(Height))
    throw EInvalidGraphic("Invalid cursor image");
  QImage img(Width, Height, QImage::Format_ARGB32);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) img.setPixel(x, y, Argb[static_cast<size_t>(y) * Width + x]);
  CustomCursors()[Id] = QCursor(QPixmap::fromImage(img), std::clamp(HotX, 0, Width - 1),
                                std::clamp(HotY, 0, Height - 1));
}

bool TScreen::HasCursor(TCursor Id) const {
  return (Id <= 0 && Id >= crSizeAll) || CustomCursors().count(Id) != 0;
}

namespace {
QScreen* Primary() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  return QGuiApplication::primaryScreen();
}
}  // namespace

int TScreen::Width() const {
  QScreen* s = Primary();
  return s != nullptr ? s->geometry().width() : 1024;
}

int TScreen::Height() const {
  QScreen* s = Primary();
  return s != nullptr ? s->geometry().height() : 768;
}

TScreenRect TScreen::WorkAreaRect() const {
  QScreen* s = Primary();
  if (s == nullptr) return {0, 0, Width(), Height()};
  QRect r = s->availableGeometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

TScreenRect TScreen::DesktopRect() const {
  QScreen* s = Primary();
  if (s == nullptr) return {0, 0, Width(), Height()};
  QRect r = s->virtualGeometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

std::vector<std::string> TScreen::Fonts() const {
  std::vector<std::string> out;
  for (const QString& f : QFontDatabase::families()) out.push_back(StdStr(f));
  return out;
}

TForm* TScreen::ActiveForm() const {
  QWidget* w = QApplication::activeWindow();
  if (w == nullptr) return nullptr;
  for (int i = 0; i < Application->ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TForm*>(Application->Components(i));
        f != nullptr && f->HandleAllocated() && NativeWidget(f) == w)
      return f;
  return nullptr;
}

TCursorGuard::TCursorGuard(TCursor Cursor) : saved_(Screen->Cursor()) { Screen->SetCursor(Cursor); }
TCursorGuard::~TCursorGuard() { Screen->SetCursor(saved_); }

TShiftState KeyboardShiftState() {
  return ShiftStateOf(QGuiApplication::queryKeyboardModifiers()) & (ssShift | ssAlt | ssCtrl);
}

}  // namespace classlib
