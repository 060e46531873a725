// Timing of the header and the scroll bar, run by hand: a thumb-track step
// of a 16 x 600 bar (position, OnScroll, repaint), a guide-line move while a
// section is resized, header repaints with 3 and 200 sections, and 1,000
// sections written to and read back from their stream.
#include <QApplication>
#include <chrono>
#include <cstdio>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/stream.h"
#include "resources/artwork.h"
#include "treectl/header_control.h"
#include "treectl/scroll_bar.h"

using namespace classlib;
using namespace lumicast;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since, int repeats) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count() / repeats;
}

void HeaderRepaint(TForm& form, int sections, double target) {
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 1000, 300);
  auto* header = new TElHeader(&form);
  header->SetParent(panel);
  for (int i = 0; i < sections; ++i) {
    TElHeaderSection* s = header->Sections()->AppendSection();
    s->SetText("Section caption " + std::to_string(i));
    s->SetWidth(i < 3 ? 150 : 40);
  }
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(header->Width(), header->Height());
  const int repeats = 500;
  auto start = Clock::now();
  for (int i = 0; i < repeats; ++i) header->PaintTo(b.Canvas(), 0, 0);
  std::printf("header repaint, %3d sections:        %8.4f ms (target %.1f ms)\n", sections,
              Ms(start, repeats), target);
  delete panel;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  resources::RegisterArtwork();
  TForm form(nullptr);
  form.SetBounds(0, 0, 1200, 800);

  {
    auto* bar = new TElScrollBar(&form);
    bar->SetParent(&form);
    bar->SetKind(sbVertical);
    bar->SetBounds(0, 0, 16, 600);
    bar->SetMax(100000);
    bar->SetPage(50);
    int scrolled = 0;
    bar->OnScroll = [&](TObject*, TElScrollCode, int& pos, bool&) { scrolled += pos; };
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(16, 600);
    const int grab = bar->ThumbStart() + 2;
    bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(8, grab));
    const int repeats = 2000;
    auto start = Clock::now();
    for (int i = 0; i < repeats; ++i) {
      bar->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(8, grab + (i % 500)));
      bar->PaintTo(b.Canvas(), 0, 0);
    }
    std::printf("thumb-track step, 16 x 600 bar:      %8.4f ms (target 0.3 ms)\n",
                Ms(start, repeats));
    bar->Perform(WM_LBUTTONUP, 0, MakeLParam(8, grab));
  }

  {
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 1000, 600);
    auto* header = new TElHeader(&form);
    header->SetParent(panel);
    for (int i = 0; i < 3; ++i) header->Sections()->AppendSection()->SetWidth(150);
    // On screen, so the guide line is a real window that moves and repaints.
    form.Show();
    Application->ProcessMessages();
    header->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(147, 8));
    if (!header->Resizing()) std::printf("the resize did not start\n");
    const int repeats = 2000;
    auto start = Clock::now();
    for (int i = 0; i < repeats; ++i) {
      header->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(160 + (i % 300), 8));
      Application->ProcessMessages();
    }
    std::printf("guide-line move while resizing:      %8.4f ms (target 0.3 ms)\n",
                Ms(start, repeats));
    header->Perform(WM_LBUTTONUP, 0, MakeLParam(160, 8));
    delete panel;
  }

  HeaderRepaint(form, 3, 0.5);
  HeaderRepaint(form, 200, 3.0);

  {
    TElHeaderSections sections(nullptr);
    for (int i = 0; i < 1000; ++i) {
      TElHeaderSection* s = sections.AppendSection();
      s->SetText("Caption of section " + std::to_string(i));
      s->SetFieldName("field" + std::to_string(i));
      s->SetHint("hint");
    }
    const int repeats = 50;
    auto start = Clock::now();
    for (int i = 0; i < repeats; ++i) {
      TMemoryStream m;
      sections.SaveToStream(&m);
      m.SetPosition(0);
      TElHeaderSections back(nullptr);
      back.LoadFromStream(&m);
    }
    std::printf("1000 sections written and read back: %8.4f ms (target 5 ms)\n",
                Ms(start, repeats));
  }
  return 0;
}
