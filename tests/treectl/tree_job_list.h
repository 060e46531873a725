// A tree set up as the program's job list (single selection, check boxes,
// three sections, grid lines, 18-pixel rows, a 19-pixel header) on a form, and
// message helpers that drive its view.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "treectl/tree.h"
#include "treectl/tree_view.h"

namespace lumitest {

inline void SetUpJobList(lumicast::TElTree* Tree) {
  using namespace lumicast;
  Tree->Font()->SetName("Arial");
  Tree->Font()->SetSize(8);
  Tree->SetMultiSelect(false);
  Tree->SetShowCheckboxes(true);
  Tree->SetDoInplaceEdit(false);
  Tree->SetIncrementalSearch(false);
  Tree->SetSortType(stCustom);
  Tree->SetFlat(true);
  Tree->SetLineHeight(18);
  Tree->SetHeaderHeight(19);
  Tree->SetHorizontalLines(true);
  Tree->SetVerticalLines(true);
  Tree->SetShowButtons(false);
  Tree->SetShowLines(false);
  Tree->SetShowRootButtons(false);
  Tree->SetHint("Right click to show pop-up menu.");
  const char* captions[] = {"Source Video(*.swf;*.exe)", "Source Audio(*.wav;*.mp3)",
                            "Export(*.avi;*.mpg;*.gif;image)"};
  const int widths[] = {150, 138, 148};
  for (int i = 0; i < 3; ++i) {
    TElHeaderSection* s = Tree->HeaderSections()->AppendSection();
    s->SetText(captions[i]);
    s->SetWidth(widths[i]);
  }
  Tree->SetShowColumns(true);
}

// Adds a job-list row: caption, audio and export texts, a check box.
inline lumicast::TElTreeItem* AddJob(lumicast::TElTree* Tree, const std::string& Text,
                                     const std::string& Audio = "",
                                     const std::string& Export = "") {
  lumicast::TElTreeItem* item = Tree->Items()->AddLastChild(nullptr, Text);
  item->SetShowCheckBox(true);
  item->ColumnText()->Add(Audio);
  item->ColumnText()->Add(Export);
  return item;
}

struct TreeHost {
  classlib::TForm form{nullptr};
  lumicast::TElTree* tree = nullptr;

  explicit TreeHost(int Width = 500, int Height = 300) {
    form.SetBounds(0, 0, Width + 40, Height + 40);
    tree = new lumicast::TElTree(&form);
    tree->SetParent(&form);
    tree->SetBounds(0, 0, Width, Height);
  }
  lumicast::TElTreeView* view() const { return tree->View(); }
  // Paints the view off-screen: items are hit-tested as they were last painted.
  void Paint() {
    auto b = std::make_unique<classlib::TBitmap>();
    b->SetSize(view()->Width(), view()->Height());
    view()->PaintTo(b->Canvas(), 0, 0);
  }

  void Down(int X, int Y, uint32_t Keys = 0) {
    view()->Perform(classlib::WM_LBUTTONDOWN, classlib::MK_LBUTTON | Keys,
                    classlib::MakeLParam(X, Y));
  }
  void Up(int X, int Y, uint32_t Keys = 0) {
    view()->Perform(classlib::WM_LBUTTONUP, Keys, classlib::MakeLParam(X, Y));
  }
  void Click(int X, int Y, uint32_t Keys = 0) {
    Down(X, Y, Keys);
    Up(X, Y, Keys);
  }
  void RightClick(int X, int Y) {
    view()->Perform(classlib::WM_RBUTTONDOWN, classlib::MK_RBUTTON, classlib::MakeLParam(X, Y));
    view()->Perform(classlib::WM_RBUTTONUP, 0, classlib::MakeLParam(X, Y));
  }
  void Key(uint16_t Vk) { view()->Perform(classlib::WM_KEYDOWN, Vk, 0); }
  void Char(char32_t C) { view()->Perform(classlib::WM_CHAR, C, 0); }
  void Wheel(int Delta) {
    view()->Perform(classlib::WM_MOUSEWHEEL,
                    static_cast<uintptr_t>(static_cast<uint16_t>(Delta)) << 16,
                    classlib::MakeLParam(10, 10));
  }
};

}  // namespace lumitest
