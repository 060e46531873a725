// The main window with a long job list, run by hand (release build, offscreen):
//   bench_main_window_jobs [count]
// Adds `count` (1,000) generated 550x400 movies through the Add command in batches of 100 and
// compares the first batch with the last (nothing may grow with the list or the log), then times
// SaveTasks, LoadTasks with its repaints, and Check All, and reports the resident memory the
// jobs added.
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/add_form.h"
#include "app/main_form.h"
#include "controls/rx_controls.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/timer.h"
#include "platform/flash/format/writer.h"
#include "resources/artwork.h"
#include "treectl/tree.h"

using namespace classlib;
using namespace lumicast;

namespace {

double Seconds(const std::function<void()>& Work) {
  const auto start = std::chrono::steady_clock::now();
  Work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Resident memory now, in MB.
double ResidentMB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1048576.0);
}

// The main window with the time spent showing each added job counted apart.
class TTimedMainFrm : public TMainFrm {
 public:
  using TMainFrm::TMainFrm;
  double showing = 0;
  void ShowAddedJob(TCovSettings* Job) override {
    showing += Seconds([&] { TMainFrm::ShowAddedJob(Job); });
  }
};

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication qapp(argc, argv);
  Application->Initialize();
  resources::RegisterArtwork();
  controls::InitControlCursors();
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int batch = 100;

  char pattern[] = "/tmp/bench-main-window-XXXXXX";
  const std::string dir = mkdtemp(pattern);
  std::vector<std::string> movies;
  {
    flash::SwfWriter w(6, 550, 400, 12);
    w.ShowFrame();
    const std::vector<uint8_t> bytes = w.Finish(false);
    for (int i = 0; i < count; ++i) {
      movies.push_back(dir + "/movie" + std::to_string(i) + ".swf");
      std::ofstream(movies.back(), std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
  }

  TScriptedDialogService dialogs;
  TDialogServiceGuard guard(&dialogs);
  auto* form = new TTimedMainFrm(nullptr, dir + "/jobs.ini");
  form->AfterConstruction();
  form->Show();
  Application->ProcessMessages();

  // The adding window starts its work from a one-shot timer: it is fired as soon as the window
  // is up, as a user's wait would.
  TTimer driver(nullptr);
  driver.SetInterval(1);
  bool busy = false;
  driver.OnTimer = [&](TObject*) {
    TAddFrm* add = form->AddForm;
    if (busy || add == nullptr || !add->Visible() || !add->Timer->Enabled()) return;
    busy = true;
    add->Timer->Fire();
    busy = false;
  };
  driver.SetEnabled(true);

  const double before = ResidentMB();
  std::vector<double> batches;
  for (int first = 0; first < count; first += batch) {
    dialogs.FileAnswers.emplace_back(movies.begin() + first,
                                     movies.begin() + std::min(count, first + batch));
    batches.push_back(Seconds([&] {
      form->btnAddClick(form);
      Application->ProcessMessages();
    }));
  }
  double total = 0;
  for (double s : batches) total += s;
  const double added = ResidentMB() - before;
  std::printf("add %d movies: %.2f s (first %d: %.2f ms/file, last %d: %.2f ms/file, ratio %.2f)\n",
              count, total, batch, batches.front() * 1000 / batch, batch,
              batches.back() * 1000 / batch, batches.back() / batches.front());
  std::printf("of which showing each added job (summary, preview): %.2f s\n", form->showing);
  std::printf("resident memory the jobs added: %.1f MB\n", added);

  std::printf("SaveTasks of %d jobs: %.3f s\n", form->JobCount(),
              Seconds([&] { form->SaveTasks(); }));
  std::printf("LoadTasks of %d jobs with repaints: %.3f s\n", count, Seconds([&] {
                form->LoadTasks();
                form->Repaint();
                Application->ProcessMessages();
              }));
  std::printf("Check All: %.2f ms\n", Seconds([&] {
                                        form->menCheckAll->Click();
                                        Application->ProcessMessages();
                                      }) * 1000);

  form->Modified = false;
  delete form;
  std::filesystem::remove_all(dir);
  return 0;
}
