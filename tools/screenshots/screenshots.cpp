// Screenshots of the program's windows for a reviewer: the main window with three jobs (the
// selected one playing), its pop-up menu over the job list, and the other windows the main window
// opens. Each window is painted by the class library on an X server and grabbed from the
// server's screen, so the main window's shaped outline is what the window system shows.
//   screenshots FOLDER     (tools/screenshots/run starts it on a virtual X server)
#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/add_form.h"
#include "app/main_form.h"
#include "app/rgn_select.h"
#include "app/select_form.h"
#include "app/settings_form.h"
#include "app/audio_format_form.h"
#include "app/seek_form.h"
#include "controls/rx_controls.h"
#include "controls/sui_menu.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/timer.h"
#include "platform/classlib/std_controls.h"
#include "platform/flash/format/writer.h"
#include "resources/artwork.h"
#include "treectl/tree.h"

using namespace classlib;
using namespace lumicast;

namespace {

// A movie whose frames show a ball moving over a band, so a playing preview is visible.
void WriteMovie(const std::string& Path, int Width, int Height, bool Compressed) {
  flash::SwfWriter w(6, Width, Height, 12);
  for (int k = 1; k <= 24; ++k) {
    flash::ShapeBuilder band;
    band.Rectangle(0, Height * 8, Width * 20, Height * 12,
                   band.AddFill(flash::FillStyleSpec::Solid({60, 120, 200, 255})));
    flash::ShapeBuilder ball;
    const int x = (Width - 80) * 20 * k / 24;
    ball.Rectangle(x, Height * 6, x + 1600, Height * 6 + 1600,
                   ball.AddFill(flash::FillStyleSpec::Solid({230, 90, 40, 255})));
    w.DefineShape(static_cast<uint16_t>(2 * k), band);
    w.DefineShape(static_cast<uint16_t>(2 * k + 1), ball);
    if (k > 1) {
      w.Remove(1);
      w.Remove(2);
    }
    flash::PlaceSpec p1;
    p1.depth = 1;
    p1.character_id = 2 * k;
    w.Place(p1);
    flash::PlaceSpec p2;
    p2.depth = 2;
    p2.character_id = 2 * k + 1;
    w.Place(p2);
    w.ShowFrame();
  }
  w.Save(Path, Compressed);
}

// Lets the window system and the program catch up.
void Settle(int Ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < until) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    Application->ProcessMessages();
  }
}

bool Grab(const std::string& Path, int X, int Y, int W, int H) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  const QPixmap shot = screen->grabWindow(0, X, Y, W, H);
  const bool ok = shot.save(QString::fromStdString(Path), "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", Path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: screenshots FOLDER\n");
    return 2;
  }
  const std::string out = argv[1];
  QApplication qapp(argc, argv);
  Application->Initialize();
  resources::RegisterArtwork();
  controls::InitControlCursors();
  Application->SetTitle("Velmora Lumicast Pro");

  const std::string dir = std::filesystem::temp_directory_path() / "lumicast-screenshots";
  std::filesystem::create_directories(dir);
  const std::vector<std::string> movies = {dir + "/intro banner.swf", dir + "/product-tour.swf",
                                           dir + "/holiday greeting card.swf"};
  WriteMovie(movies[0], 550, 400, false);
  WriteMovie(movies[1], 640, 480, true);
  WriteMovie(movies[2], 400, 300, false);

  TScriptedDialogService dialogs;
  TDialogServiceGuard guard(&dialogs);
  auto* form = new TMainFrm(nullptr, dir + "/jobs.ini");
  form->AfterConstruction();
  form->Show();
  Settle(300);
  // The adding window with one file it cannot add, grabbed when it waits with its summary.
  const std::string notes = dir + "/release notes.swf";
  { std::ofstream(notes) << "not a movie"; }
  std::vector<std::string> files = movies;
  files.insert(files.begin() + 2, notes);
  dialogs.FileAnswers.push_back(files);
  int failures = 0;
  QTimer adder;
  adder.setInterval(50);
  QObject::connect(&adder, &QTimer::timeout, [&] {
    TAddFrm* add = form->AddForm;
    if (add == nullptr || !add->Visible()) return;
    adder.stop();
    add->Timer->Fire();
    Settle(300);
    failures += !Grab(out + "/adding-window.png", form->Left() - 12, form->Top() - 12,
                      form->Width() + 24, form->Height() + 24);
    add->btnAction->Click();
  });
  adder.start();
  form->btnAddClick(form);

  form->lstFile->Items()->Item(1)->SetChecked(false);
  form->lstFile->SetSelected(form->lstFile->Items()->Item(0));
  form->btnPlayClick(form);
  Settle(1200);
  const int x = form->Left(), y = form->Top(), w = form->Width(), h = form->Height();
  // A margin round the window shows its shaped outline against the screen.
  failures += !Grab(out + "/main-window.png", x - 12, y - 12, w + 24, h + 24);

  // The pop-up menu over the job list, grabbed while it is open.
  form->btnPauseClick(form);
  const TPoint at = form->lstFile->ClientToScreen(Point(60, 60));
  QTimer::singleShot(600, [&] {
    failures += !Grab(out + "/main-window-menu.png", x - 12, y - 12, w + 24, h + 24);
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  });
  form->menPopup->Popup(at.X, at.Y);
  Settle(200);

  // The go-to-frame dialog over the main window.
  QTimer::singleShot(600, [&] {
    failures += !Grab(out + "/seek-dialog.png", x - 12, y - 12, w + 24, h + 24);
    form->SeekForm->Close();
  });
  form->btnSeekClick(form);
  Settle(200);

  // The export settings dialog page by page, its audio format dialog, and the visual selection
  // window maximised in the middle of a drag.
  auto grab_form = [&](TForm* f, const std::string& name) {
    failures += !Grab(out + "/" + name + ".png", f->Left() - 12, f->Top() - 12, f->Width() + 24,
                      f->Height() + 24);
  };
  form->lstFile->SetSelected(form->lstFile->Items()->Item(0));
  QTimer::singleShot(600, [&] {
    TSettingsFrm* s = form->SettingsForm;
    const char* names[4] = {"settings-avi", "settings-mpeg", "settings-gif", "settings-images"};
    for (int t = 0; t < 4; ++t) {
      s->cbxExportType->SetItemIndex(t);
      s->cbxExportType->OnChange(s->cbxExportType);
      Settle(200);
      grab_form(s, names[t]);
    }
    s->cbxExportType->SetItemIndex(0);
    s->cbxExportType->OnChange(s->cbxExportType);
    s->pgcExport->SetActivePage(s->tabAudio);
    Settle(200);
    grab_form(s, "settings-audio");
    QTimer::singleShot(600, [&] {
      grab_form(s->AudioFormatFrm, "audio-format");
      s->AudioFormatFrm->btnCancel->Click();
    });
    s->btnAudioRecConfig->Click();
    QTimer::singleShot(1000, [&] {
      TSelectFrm* v = s->SelectForm();
      TRgnSelect* r = v->RgnSelect;
      r->SetSelectionX(r->Width() / 8);
      r->SetSelectionY(r->Height() / 8);
      r->SetSelectionW(r->Width() / 2);
      r->SetSelectionH(r->Height() / 2);
      const int hx = r->SelectionX() + r->SelectionW() - 2,
                hy = r->SelectionY() + r->SelectionH() - 2;
      r->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(hx, hy));
      r->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(hx + 60, hy + 40));
      Settle(300);
      grab_form(v, "visual-selection");
      r->Perform(WM_LBUTTONUP, 0, MakeLParam(hx + 60, hy + 40));
      v->mniCancel->Click();
    });
    s->btnVisualSelection->Click();
    s->btnCancel->Click();
  });
  form->btnSettingsClick(form);
  Settle(200);

  form->Modified = false;
  delete form;
  std::filesystem::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
