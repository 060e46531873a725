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

TEST(Component, LinkSurvivesReparentingAndLaterDestructionWithoutDanglingPointers) {
  // B watches A; A moves to another owner (B hears opRemove and drops its
  // link), then both are destroyed in either order without touching freed memory.
  for (bool watcherFirst : {true, false}) {
    TComponent first, second;
    auto* a = new TComponent(&first);
    auto* b = new Watcher(&first);
    b->SetLink(a);
    second.InsertComponent(a);
    EXPECT_EQ(b->link, nullptr);
    EXPECT_EQ(a->Owner(), &second);
    if (watcherFirst) {
      delete b;
      delete a;
    } else {
      delete a;
      delete b;
    }
  }
}

TEST(Component, InsertingRefusesNameClashesAndOwnershipCycles) {
  TComponent owner, other;
  auto* a = new TComponent(&owner);
  a->SetName("lab");
  auto* b = new TComponent(&other);
  b->SetName("LAB");
  EXPECT_THROW(owner.InsertComponent(b), EComponentError);
  EXPECT_EQ(b->Owner(), &other);
  EXPECT_THROW(a->InsertComponent(&owner), EComponentError);
  EXPECT_THROW(a->InsertComponent(a), EComponentError);
  owner.InsertComponent(a);  // already owned: nothing changes
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(Component, LoadingStateEndsWithLoadedOnEveryComponent) {
  struct Loadable : TComponent {
    using TComponent::TComponent;
    int loaded = 0;
    void Loaded() override { ++loaded; }
  };
  Loadable owner;
  auto* child = new Loadable(&owner);
  owner.BeginLoading();
  EXPECT_TRUE(child->IsLoading());
  owner.EndLoading();
  EXPECT_FALSE(child->IsLoading());
  EXPECT_EQ(child->loaded, 1);
  EXPECT_EQ(owner.loaded, 1);
}

TEST(Persistent, AssigningNothingOrAnUnrelatedClassRaises) {
  TPersistent a, b;
  try {
    a.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TPersistent");
  }
  try {
    a.Assign(&b);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TPersistent");
  }
}

TEST(Stream, FoldersAndNegativeCountsAreRefused) {
  EXPECT_THROW(TFileStream("/tmp", fmOpenRead), EFOpenError);
  TMemoryStream src, dst;
  src.WriteValue<uint16_t>(0xBEEF);
  EXPECT_THROW(dst.CopyFrom(&src, -5), EReadError);
  EXPECT_EQ(dst.CopyFrom(&src, 0), 2);              // 0 copies the whole source
  EXPECT_THROW(dst.CopyFrom(&src, 1), EReadError);  // source is at its end
  EXPECT_THROW(dst.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
}
