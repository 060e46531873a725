// Helpers of the main-window tests: generated movies and projectors, a main window over a job
// list file in a fresh folder with a scripted dialog service, clicks sent as class-library
// messages, and a small parser of job-list files independent of the INI class.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/interact_form.h"
#include "app/main_form.h"
#include "platform/classlib/timer.h"
#include "controls/aa_label.h"
#include "controls/bmp_slider.h"
#include "controls/morph_button.h"
#include "controls/sui_menu.h"
#include "platform/classlib/dialogs.h"
#include "tests/support/test_app.h"

namespace mainformtest {

// A movie of Frames frames at Width x Height, 12 fps: "FWS" or, compressed, "CWS".
void WriteMovie(const std::string& Path, int Frames, bool Compressed = false, int Width = 550,
                int Height = 400);
// A projector: a stub, the movie's bytes, the marker and the movie's length.
void WriteProjector(const std::string& Path, int Frames);
std::string ReadFileBytes(const std::string& Path);
void WriteFileBytes(const std::string& Path, const std::string& Bytes);

// A job-list file as its sections, each with its (key, value) lines in file order.
struct ParsedIni {
  std::vector<std::string> sections;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> lines;
  std::vector<std::string> Keys(const std::string& Section) const;
  std::string Value(const std::string& Section, const std::string& Key) const;
};
ParsedIni ParseIni(const std::string& Text);

// The main window the program would show, over dir/jobs.ini.
class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the window (FormCreate runs), shows it and, with Load, reads the job list.
  lumicast::TMainFrm* Open(bool Load = true);
  // Closes the window (saving when modified) and destroys it.
  void CloseAndDestroy();
  // A left click in the middle of a control, sent to the window that routes it.
  void Click(classlib::TControl* Control);
  // Adds the files through the Add button and the scripted open dialog.
  void AddByClicking(const std::vector<std::string>& Files);
  // Selects item Index as a click would (the list shows the focused item as selected).
  void Select(int Index);
  // Gives the window a conversion window that, once shown, runs the batch (with Start) and
  // closes; Convert is then clicked by Click, posted, or sent from inside a tick. The log of the
  // last run is kept in ConversionLog when the window goes (DetachConversionWindow).
  void AttachConversionWindow(bool Start);
  void DetachConversionWindow();
  // Clicks Convert with a window attached as above; returns the conversion log.
  std::vector<std::string> ConvertByClicking(bool Start);
  std::vector<std::string> ConversionLog;
  // The job of item Index.
  lumicast::TCovSettings* Job(int Index);
  std::vector<std::string> ItemTexts();

  lumitest::TempDir temp;
  std::string dir;
  std::string list;  // dir/jobs.ini
  classlib::TScriptedDialogService dialogs;
  std::unique_ptr<classlib::TDialogServiceGuard> guard;
  lumicast::TMainFrm* form = nullptr;
  std::unique_ptr<lumicast::TInteractFrm> interact;
  std::unique_ptr<classlib::TTimer> interact_timer;
};

}  // namespace mainformtest
