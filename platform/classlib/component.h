// TComponent: the owned component of the class library. An owner deletes the
// components it owns when it is destroyed; components that refer to another
// component without owning it ask for a free notification and clear their
// link in Notification(AComponent, opRemove).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/object.h"

namespace classlib {

enum class TOperation { opInsert, opRemove };

// Component state flags.
enum TComponentStateFlag : uint32_t {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,
  csUpdating = 1u << 5,
};
using TComponentState = uint32_t;

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner = nullptr);
  ~TComponent() override;

  std::string ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& NewName);
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t v) { tag_ = v; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int Index) const;  // raises EListError when out of range
  int ComponentIndex() const;               // position in the owner's list, -1 without owner
  TComponent* FindComponent(const std::string& AName) const;  // case-insensitive

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Destroys every owned component (last first).
  void DestroyComponents();

  TComponentState ComponentState() const { return state_; }
  bool IsLoading() const { return (state_ & csLoading) != 0; }
  bool IsDestroying() const { return (state_ & csDestroying) != 0; }
  // Marks this component and its owned components as being destroyed.
  void Destroying();
  // Loading brackets: Loaded() runs when loading ends.
  void BeginLoading();
  void EndLoading();

  // Ask to be told (Notification opRemove) when AComponent is destroyed.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

 protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void Loaded();
  void SetComponentState(TComponentState s) { state_ = s; }

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);

  TComponent* owner_ = nullptr;
  std::string name_;
  intptr_t tag_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  TComponentState state_ = 0;
};

}  // namespace classlib
