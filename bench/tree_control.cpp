// Timing of the tree control, run by hand: a job list of 100,000 top-level
// items in an 800 x 600 tree (check box, a 60-character text cut by its column,
// two column texts); repaints at the top, middle and last page, scroll steps,
// adding, clearing, sorting and the item stream. Best of three in one process.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/stream.h"
#include "resources/artwork.h"
#include "treectl/tree.h"
#include "treectl/tree_view.h"

using namespace classlib;
using namespace lumicast;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kItems = 100000;

double Best(int Rounds, const std::function<void()>& Prepare, const std::function<void()>& Work) {
  double best = 1e18;
  for (int r = 0; r < Rounds; ++r) {
    Prepare();
    auto t0 = Clock::now();
    Work();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return best;
}

void Report(const char* What, double Ms, double Target) {
  std::printf("%-46s %9.3f ms  (target %g ms)%s\n", What, Ms, Target, Ms <= Target ? "" : "  SLOW");
}

std::unique_ptr<TElTree> MakeTree(TForm& Form) {
  auto tree = std::make_unique<TElTree>(nullptr);
  tree->SetParent(&Form);
  tree->SetBounds(0, 0, 800, 600);
  tree->Font()->SetName("Arial");
  tree->Font()->SetSize(8);
  tree->SetMultiSelect(false);
  tree->SetShowCheckboxes(true);
  tree->SetLineHeight(18);
  tree->SetHeaderHeight(19);
  tree->SetHorizontalLines(true);
  tree->SetVerticalLines(true);
  tree->SetShowButtons(false);
  tree->SetShowLines(false);
  const int widths[] = {150, 138, 148};
  for (int w : widths) tree->HeaderSections()->AppendSection()->SetWidth(w);
  tree->SetShowColumns(true);
  return tree;
}

void AddJob(TElTree* Tree, int I) {
  std::string text =
      "/home/user/movies/flash-movie-number-" + std::to_string(I) + "-xxxxxxxxxxxxxxxxx.swf";
  text.resize(60, 'x');
  TElTreeItem* item = Tree->Items()->AddLastChild(nullptr, text);
  item->SetShowCheckBox(true);
  item->ColumnText()->Add("/home/user/sound.wav");
  item->ColumnText()->Add("/home/user/out" + std::to_string(I) + ".avi");
}

void Fill(TElTree* Tree, int N) {
  Tree->BeginUpdate();
  for (int i = 0; i < N; ++i) AddJob(Tree, i);
  Tree->EndUpdate();
}

double PaintView(TElTreeView* View, TBitmap& Target) {
  auto t0 = Clock::now();
  View->PaintTo(Target.Canvas(), 0, 0);
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  resources::RegisterArtwork();
  TForm form(nullptr);
  form.SetBounds(0, 0, 900, 700);

  auto tree = MakeTree(form);
  Report("100,000 adds in one update pair",
         Best(
             3, [&] { tree->Items()->Clear(); }, [&] { Fill(tree.get(), kItems); }),
         300);
  TElTreeView* view = tree->View();
  TBitmap target;
  target.SetPixelFormat(pf32bit);
  target.SetSize(view->Width(), view->Height());
  const int count = tree->VisibleRowCount();
  // "paint" repeats the middle-page repaint only, for a profiler.
  if (argc > 1 && std::string(argv[1]) == "paint") {
    tree->SetTopIndex(count / 2);
    for (int r = 0; r < 1000; ++r) PaintView(view, target);
    return 0;
  }
  for (auto [name, top] :
       {std::pair{"full repaint, top", 0}, std::pair{"full repaint, middle", count / 2},
        std::pair{"full repaint, last page", count}}) {
    tree->SetTopIndex(top);
    double best = 1e18;
    for (int r = 0; r < 3; ++r) best = std::min(best, PaintView(view, target));
    Report(name, best, 4);
  }
  auto step = [&](const char* Name, std::function<void()> Act, double Target) {
    double best = 1e18;
    for (int r = 0; r < 3; ++r) {
      tree->SetTopIndex(count / 2);
      auto t0 = Clock::now();
      Act();
      view->PaintTo(target.Canvas(), 0, 0);
      best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    Report(Name, best, Target);
  };
  tree->SetItemWithFocus(tree->Items()->Item(count / 2), false);
  step(
      "Page Down with repaint", [&] { view->Perform(WM_KEYDOWN, VK_NEXT, 0); }, 6);
  step(
      "wheel notch with repaint",
      [&] {
        view->Perform(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(-120)) << 16, 0);
      },
      6);
  step(
      "tracked thumb with repaint", [&] { tree->SetTopIndex(count / 3); }, 6);
  step(
      "End with repaint", [&] { view->Perform(WM_KEYDOWN, VK_END, 0); }, 10);
  step(
      "Home with repaint", [&] { view->Perform(WM_KEYDOWN, VK_HOME, 0); }, 10);

  auto other = MakeTree(form);
  Report("10,000 adds each in its own pair",
         Best(
             3, [&] { other->Items()->Clear(); },
             [&] {
               for (int i = 0; i < 10000; ++i) AddJob(other.get(), i);
             }),
         1000);
  int deleted = 0;
  other->OnItemDeletion = [&](TObject*, TElTreeItem*) { ++deleted; };
  Report("Clear of 100,000 with OnItemDeletion",
         Best(
             3,
             [&] {
               other->Items()->Clear();
               Fill(other.get(), kItems);
             },
             [&] { other->Items()->Clear(); }),
         300);

  other->SetSortSection(0);
  other->HeaderSections()->Item(0)->SetFieldType(sftText);
  Report("sort 100,000 siblings, text",
         Best(
             3,
             [&] {
               other->Items()->Clear();
               Fill(other.get(), kItems);
             },
             [&] { other->SortAll(); }),
         400);
  other->HeaderSections()->Item(0)->SetFieldType(sftNumber);
  Report("sort 100,000 siblings, number",
         Best(
             3,
             [&] {
               other->Items()->Clear();
               other->BeginUpdate();
               for (int i = 0; i < kItems; ++i)
                 other->Items()->AddLastChild(nullptr, std::to_string((i * 7919) % kItems));
               other->EndUpdate();
             },
             [&] { other->SortAll(); }),
         150);

  TMemoryStream saved;
  Report("SaveToStream of 100,000",
         Best(
             3, [&] { saved.Clear(); }, [&] { tree->SaveToStream(&saved); }),
         300);
  Report("LoadFromStream of 100,000",
         Best(
             3, [&] { saved.SetPosition(0); }, [&] { other->LoadFromStream(&saved); }),
         600);
  std::printf("stream size %lld bytes\n", static_cast<long long>(saved.Size()));
  return 0;
}
