// A list of DIB images that components refer to by index through a
// TDIBImageLink; links follow their image when items change, move or go.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/dib.h"
#include "platform/classlib/collection.h"
#include "platform/classlib/component.h"

namespace lumicast {

class TCustomDIBImageList;
class TDIBImageLink;

enum TImageRetrieval { irInternal, irExternal };

class TDIBImagesItem : public classlib::TCollectionItem {
 public:
  explicit TDIBImagesItem(classlib::TCollection* Collection);
  std::string ClassName() const override { return "TDIBImagesItem"; }

  // The image; with external retrieval it is loaded from its files on first use.
  TMemoryDIB* DIB();
  std::string DisplayName() const override;
  void SetDisplayName(const std::string& Value) { display_name_ = Value; }
  TImageRetrieval ImageRetrieval = irInternal;
  std::string TemplateFilename;
  // Asked for the folder of a file name: a non-empty answer replaces the
  // folder, an empty one keeps only the file name.
  std::function<std::string(TDIBImagesItem* Item, const std::string& FileName)>
      OnTranslateImagePath;

 private:
  std::string Translate(const std::string& FileName);
  TMemoryDIB dib_;
  std::string display_name_;
  bool loaded_ = false;
};

class TCustomDIBImageList : public classlib::TComponent {
 public:
  explicit TCustomDIBImageList(classlib::TComponent* AOwner);
  ~TCustomDIBImageList() override;
  std::string ClassName() const override { return "TCustomDIBImageList"; }

  classlib::TCollection* DIBImages() { return images_.get(); }
  TDIBImagesItem* Add();
  int Count() const { return images_->Count(); }
  TDIBImagesItem* Item(int Index) const;
  // False for a bad index or an image without pixels; otherwise Image points
  // at the list's scratch image, a view of the item's image.
  bool GetImage(int Index, TMemoryDIB*& Image);

  // Called by the collection.
  void ItemChanged(int Index);
  void ItemDeleted(int Index);
  void ItemMoved(int OldIndex, int NewIndex);

 private:
  friend class TDIBImageLink;
  std::unique_ptr<classlib::TCollection> images_;
  std::vector<TDIBImageLink*> links_;
  TMemoryDIB scratch_[2];
  int next_scratch_ = 0;
};

class TDIBImageList : public TCustomDIBImageList {
 public:
  using TCustomDIBImageList::TCustomDIBImageList;
  std::string ClassName() const override { return "TDIBImageList"; }
};

class TDIBImageLink {
 public:
  explicit TDIBImageLink(classlib::TComponent* Owner = nullptr) : owner_(Owner) {}
  ~TDIBImageLink();
  TDIBImageLink(const TDIBImageLink&) = delete;
  TDIBImageLink& operator=(const TDIBImageLink&) = delete;

  TCustomDIBImageList* DIBImageList() const { return list_; }
  void SetDIBImageList(TCustomDIBImageList* Value);
  int DIBIndex() const { return index_; }
  void SetDIBIndex(int Value);
  classlib::TComponent* Owner() const { return owner_; }
  // The linked image (false when there is none).
  bool GetImage(TMemoryDIB*& Image);
  std::function<void(TDIBImageLink* Sender)> OnChange;

 private:
  friend class TCustomDIBImageList;
  void Changed();
  classlib::TComponent* owner_;
  TCustomDIBImageList* list_ = nullptr;
  int index_ = -1;
};

}  // namespace lumicast
