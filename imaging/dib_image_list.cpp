#include "imaging/dib_image_list.h"

#include <algorithm>

#include "platform/classlib/file_utils.h"

using namespace classlib;

namespace lumicast {

namespace {

// The list's collection: reports item changes, deletions and moves to the list.
class TDIBImagesCollection : public TCollection {
 public:
  explicit TDIBImagesCollection(TCustomDIBImageList* List)
      : TCollection([](TCollection* c) { return new TDIBImagesItem(c); }), list_(List) {}

 protected:
  void Update(TCollectionItem* Item) override {
    if (Item != nullptr) list_->ItemChanged(Item->Index());
  }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    if (Action == TCollectionNotification::cnDeleting) list_->ItemDeleted(Item->Index());
  }
  void ItemMoved(int OldIndex, int NewIndex) override { list_->ItemMoved(OldIndex, NewIndex); }

 private:
  TCustomDIBImageList* list_;
};

}  // namespace

TDIBImagesItem::TDIBImagesItem(TCollection* Collection) : TCollectionItem(Collection) {
  dib_.OnChange = [this](TObject*) { Changed(false); };
}

std::string TDIBImagesItem::DisplayName() const {
  return display_name_.empty() ? TCollectionItem::DisplayName() : display_name_;
}

std::string TDIBImagesItem::Translate(const std::string& FileName) {
  if (!OnTranslateImagePath) return FileName;
  std::string folder = OnTranslateImagePath(this, FileName);
  std::string name = ExtractFileName(FileName);
  return folder.empty() ? name : IncludeTrailingPathDelimiter(folder) + name;
}

TMemoryDIB* TDIBImagesItem::DIB() {
  if (ImageRetrieval != irInternal && !loaded_) {
    loaded_ = true;
    const std::string image = dib_.ImageFilename, mask = dib_.MaskFilename;
    dib_.BeginUpdate();
    try {
      if (!image.empty()) dib_.ImportPicture(Translate(image));
      if (!mask.empty()) dib_.ImportMask(Translate(mask));
    } catch (...) {
      dib_.EndUpdate();
      throw;
    }
    dib_.EndUpdate();
  }
  return &dib_;
}

TCustomDIBImageList::TCustomDIBImageList(TComponent* AOwner)
    : TComponent(AOwner), images_(std::make_unique<TDIBImagesCollection>(this)) {}

TCustomDIBImageList::~TCustomDIBImageList() {
  for (TDIBImageLink* link : links_) link->list_ = nullptr;
  links_.clear();
  images_.reset();
}

TDIBImagesItem* TCustomDIBImageList::Add() { return static_cast<TDIBImagesItem*>(images_->Add()); }

TDIBImagesItem* TCustomDIBImageList::Item(int Index) const {
  return static_cast<TDIBImagesItem*>(images_->Items(Index));
}

bool TCustomDIBImageList::GetImage(int Index, TMemoryDIB*& Image) {
  if (Index < 0 || Index >= Count()) return false;
  TMemoryDIB* dib = Item(Index)->DIB();
  if (dib->Empty()) return false;
  // Two scratch images take turns, so two lookups in a row do not clash.
  TMemoryDIB& s = scratch_[next_scratch_];
  next_scratch_ ^= 1;
  s.ViewOf(*dib);
  Image = &s;
  return true;
}

void TCustomDIBImageList::ItemChanged(int Index) {
  for (TDIBImageLink* link : std::vector<TDIBImageLink*>(links_))
    if (link->index_ == Index) link->Changed();
}

void TCustomDIBImageList::ItemDeleted(int Index) {
  for (TDIBImageLink* link : std::vector<TDIBImageLink*>(links_)) {
    if (link->owner_ != nullptr && (link->owner_->ComponentState() & csDestroying)) continue;
    if (link->index_ > Index) {
      --link->index_;
    } else if (link->index_ == Index) {
      link->Changed();
      link->index_ = -1;
    }
  }
}

void TCustomDIBImageList::ItemMoved(int OldIndex, int NewIndex) {
  for (TDIBImageLink* link : links_) {
    int& i = link->index_;
    if (i == OldIndex)
      i = NewIndex;
    else if (OldIndex < NewIndex && i > OldIndex && i <= NewIndex)
      --i;
    else if (NewIndex < OldIndex && i >= NewIndex && i < OldIndex)
      ++i;
  }
}

TDIBImageLink::~TDIBImageLink() { SetDIBImageList(nullptr); }

void TDIBImageLink::SetDIBImageList(TCustomDIBImageList* Value) {
  if (list_ == Value) return;
  if (list_ != nullptr) {
    auto& links = list_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
  list_ = Value;
  if (list_ != nullptr) list_->links_.push_back(this);
  Changed();
}

void TDIBImageLink::SetDIBIndex(int Value) {
  if (index_ == Value) return;
  index_ = Value;
  Changed();
}

bool TDIBImageLink::GetImage(TMemoryDIB*& Image) {
  return list_ != nullptr && list_->GetImage(index_, Image);
}

void TDIBImageLink::Changed() {
  if (OnChange) OnChange(this);
}

}  // namespace lumicast
