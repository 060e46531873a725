#include "tests/app/main_form_fixture.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/movie_file.h"
#include "platform/classlib/application.h"
#include "platform/classlib/file_utils.h"
#include "platform/flash/format/writer.h"
#include "tests/flash/movie_builder.h"
#include "treectl/tree.h"

namespace mainformtest {

using namespace lumicast;
using namespace classlib;

namespace {

std::vector<uint8_t> MovieBytes(int Frames, bool Compressed, int Width, int Height) {
  flash::SwfWriter w(6, Width, Height, 12);
  for (int k = 1; k <= Frames; ++k) {
    flash::ShapeBuilder s;
    const auto c = static_cast<uint8_t>(k * 23);
    s.Rectangle(
        0, 0, Width * 20, Height * 20,
        s.AddFill(flash::FillStyleSpec::Solid({c, static_cast<uint8_t>(255 - c), 90, 255})));
    w.DefineShape(static_cast<uint16_t>(k), s);
    if (k > 1) w.Remove(1);
    w.Place(flashtest::NewPlace(1, k));
    w.ShowFrame();
  }
  return w.Finish(Compressed);
}

}  // namespace

void WriteFileBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream f(Path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(f) << Path;
  f.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

std::string ReadFileBytes(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteMovie(const std::string& Path, int Frames, bool Compressed, int Width, int Height) {
  const std::vector<uint8_t> b = MovieBytes(Frames, Compressed, Width, Height);
  WriteFileBytes(Path, std::string(b.begin(), b.end()));
}

void WriteProjector(const std::string& Path, int Frames) {
  const std::vector<uint8_t> movie = MovieBytes(Frames, false, 550, 400);
  std::string p(2000, '\0');
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<char>(i * 7);
  p.append(movie.begin(), movie.end());
  auto le32 = [&p](uint32_t v) {
    for (int i = 0; i < 4; ++i) p.push_back(static_cast<char>(v >> (8 * i)));
  };
  le32(kProjectorMarker);
  le32(static_cast<uint32_t>(movie.size()));
  WriteFileBytes(Path, p);
}

std::vector<std::string> ParsedIni::Keys(const std::string& Section) const {
  std::vector<std::string> keys;
  auto it = lines.find(Section);
  if (it != lines.end())
    for (const auto& kv : it->second) keys.push_back(kv.first);
  return keys;
}

std::string ParsedIni::Value(const std::string& Section, const std::string& Key) const {
  auto it = lines.find(Section);
  if (it == lines.end()) return "<no section>";
  for (const auto& kv : it->second)
    if (kv.first == Key) return kv.second;
  return "<no key>";
}

ParsedIni ParseIni(const std::string& Text) {
  ParsedIni ini;
  std::istringstream in(Text);
  std::string line, current;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      current = line.substr(1, line.size() - 2);
      ini.sections.push_back(current);
      ini.lines[current];
      continue;
    }
    const size_t eq = line.find('=');
    ini.lines[current].emplace_back(line.substr(0, eq),
                                    eq == std::string::npos ? "" : line.substr(eq + 1));
  }
  return ini;
}

void MainFormTest::SetUp() {
  dir = temp.Path();
  list = dir + "/jobs.ini";
  guard = std::make_unique<TDialogServiceGuard>(&dialogs);
}

void MainFormTest::TearDown() {
  DetachConversionWindow();
  if (form != nullptr) {
    form->Modified = false;  // a test that failed half-way writes nothing
    delete form;
    form = nullptr;
  }
  guard.reset();
}

TMainFrm* MainFormTest::Open(bool Load) {
  form = new TMainFrm(nullptr, list);
  form->AfterConstruction();
  form->Show();
  if (Load) form->LoadTasks();
  return form;
}

void MainFormTest::CloseAndDestroy() {
  form->Close();
  delete form;
  form = nullptr;
}

void MainFormTest::Click(TControl* Control) {
  TWinControl* parent = Control->Parent();
  const int x = Control->Left() + Control->Width() / 2;
  const int y = Control->Top() + Control->Height() / 2;
  parent->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, y));
  parent->Perform(WM_LBUTTONUP, 0, MakeLParam(x, y));
}

void MainFormTest::AddByClicking(const std::vector<std::string>& Files) {
  dialogs.FileAnswers.push_back(Files);
  // Once the adding window is up, its one-shot timer is fired at once, and an "&OK" it waits
  // with after errors is pressed.
  TTimer driver(nullptr);
  driver.SetInterval(1);
  bool busy = false;
  driver.OnTimer = [&](TObject*) {
    TAddFrm* add = form->AddForm;
    if (busy || add == nullptr || !add->Visible()) return;
    busy = true;
    if (add->Timer->Enabled()) add->Timer->Fire();
    if (add->Visible() && add->btnAction->Caption() == "&OK") add->btnAction->Click();
    busy = false;
  };
  driver.SetEnabled(true);
  Click(form->btnAdd);
}

void MainFormTest::AttachConversionWindow(bool Start) {
  interact = std::make_unique<TInteractFrm>(nullptr);
  interact->AfterConstruction();
  interact->FpsMovie = lumitest::BinDir() + "/fps";
  form->InteractForm = interact.get();
  interact_timer = std::make_unique<TTimer>(nullptr);
  interact_timer->SetInterval(10);
  interact_timer->OnTimer = [this, Start](TObject*) {
    if (!interact->Visible()) return;
    interact_timer->SetEnabled(false);
    if (Start) interact->mniStart->Click();
    interact->Close();
  };
  interact_timer->SetEnabled(true);
}

void MainFormTest::DetachConversionWindow() {
  if (!interact) return;
  ConversionLog.clear();
  for (int i = 0; i < interact->memStatus->Lines()->Count(); ++i)
    ConversionLog.push_back(interact->memStatus->Lines()->Strings(i));
  interact_timer.reset();
  if (form != nullptr) form->InteractForm = nullptr;
  interact.reset();
}

std::vector<std::string> MainFormTest::ConvertByClicking(bool Start) {
  AttachConversionWindow(Start);
  Click(form->btnConvert);
  DetachConversionWindow();
  return ConversionLog;
}

void MainFormTest::Select(int Index) {
  form->lstFile->SetSelected(form->lstFile->Items()->Item(Index));
}

TCovSettings* MainFormTest::Job(int Index) {
  return form->JobOf(form->lstFile->Items()->Item(Index));
}

std::vector<std::string> MainFormTest::ItemTexts() {
  std::vector<std::string> texts;
  for (int i = 0; i < form->JobCount(); ++i)
    texts.push_back(form->lstFile->Items()->Item(i)->Text());
  return texts;
}

}  // namespace mainformtest
