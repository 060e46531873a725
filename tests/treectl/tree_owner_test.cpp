#include <gtest/gtest.h>

#include "platform/classlib/application.h"
#include "platform/classlib/form.h"
#include "platform/classlib/timer.h"
#include "treectl/tree_utils.h"

using namespace classlib;
using lumicast::OwnerForm;

TEST(TreeOwner, OwnerFormWalksUpTheOwnerChain) {
  TComponent loose;
  EXPECT_EQ(OwnerForm(&loose), nullptr);
  EXPECT_EQ(OwnerForm(nullptr), nullptr);

  auto* form = new TForm(nullptr);
  auto* middle = new TComponent(form);
  auto* leaf = new TComponent(middle);
  EXPECT_EQ(OwnerForm(leaf), form);
  EXPECT_EQ(OwnerForm(form), form);
  delete form;
}

TEST(TreeOwner, PumpRunsPendingEventsAndReturns) {
  // A zero-interval timer posts its tick as an event; pumping runs it without blocking.
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(1);
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    timer.SetEnabled(false);
  };
  timer.SetEnabled(true);
  ASSERT_TRUE(Application->WaitUntil([&] { return ticks > 0; }));
  lumicast::ElMessagePump().Pump();  // nothing pending: returns at once
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(lumicast::ShiftStateNow() & ~(ssShift | ssAlt | ssCtrl), 0u);
}
