// The job list's pixels and the view's row geometry.
#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "tests/treectl/render_control.h"
#include "tests/treectl/tree_job_list.h"

using namespace lumicast;
using namespace classlib;
using lumitest::AddJob;

TEST(TreePaint, DumpJobList) {
  lumitest::TreeHost host(500, 200);
  lumitest::SetUpJobList(host.tree);
  for (int i = 0; i < 12; ++i)
    AddJob(host.tree, "/home/user/movies/a-rather-long-movie-file-name-number-" + std::to_string(i) + ".swf",
           i % 2 ? "/home/user/sound.wav" : "", "/home/user/out" + std::to_string(i) + ".avi");
  host.tree->Items()->Item(1)->SetChecked(true);
  host.tree->SetItemWithFocus(host.tree->Items()->Item(2), false);
  auto b = lumitest::RenderControl(host.tree, "joblist");
  b->SaveToFile("/tmp/tc_joblist.bmp");
  auto v = lumitest::RenderControl(host.view(), "view");
  v->SaveToFile("/tmp/tc_view.bmp");
}
