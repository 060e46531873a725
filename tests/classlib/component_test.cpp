#include <gtest/gtest.h>

#include "platform/classlib/component.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"

using namespace classlib;

namespace {

struct Tracked : TComponent {
  explicit Tracked(TComponent* owner, int* deaths) : TComponent(owner), deaths_(deaths) {}
  ~Tracked() override { ++*deaths_; }
  int* deaths_;
};

struct Watcher : TComponent {
  using TComponent::TComponent;
  TComponent* link = nullptr;
  void SetLink(TComponent* c) {
    link = c;
    if (c) c->FreeNotification(this);
  }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == TOperation::opRemove && c == link) link = nullptr;
  }
};

}  // namespace

TEST(Component, OwnerFreesOwnedComponentsAndNotificationClearsLinks) {
  int deaths = 0;
  Watcher watcher;
  {
    TComponent owner;
    auto* a = new Tracked(&owner, &deaths);
    new Tracked(a, &deaths);  // grandchild, freed through a
    watcher.SetLink(a);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(a->Owner(), &owner);
  }
  EXPECT_EQ(deaths, 2);
  EXPECT_EQ(watcher.link, nullptr);
}

TEST(Component, NamesAreUniqueAmongSiblingsAndFoundCaseInsensitively) {
  TComponent owner;
  auto* a = new TComponent(&owner);
  a->SetName("btnAdd");
  EXPECT_EQ(owner.FindComponent("BTNADD"), a);
  auto* b = new TComponent(&owner);
  EXPECT_THROW(b->SetName("btnadd"), EComponentError);
  EXPECT_THROW(owner.Components(5), EListError);
}

TEST(Stream, ShortReadRaisesAndMemoryStreamGrows) {
  TMemoryStream s;
  s.WriteValue<uint32_t>(0x01020304);
  EXPECT_EQ(s.Size(), 4);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadValue<uint32_t>(), 0x01020304u);
  EXPECT_THROW(s.ReadValue<uint8_t>(), EReadError);
  EXPECT_THROW(TFileStream("/nonexistent/x", fmOpenRead), EFOpenError);
}
