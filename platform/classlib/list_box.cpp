#include "platform/classlib/list_box.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>
#include <vector>

#include "platform/classlib/application.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"

namespace classlib {

namespace {

// The native list, with its item layout done at once so that the scroll bar's
// range is right even while the window is not on screen.
class NativeList : public QListWidget {
 public:
  void LayoutNow() {
    // A window not on screen gets no resize event: its viewport and bars
    // are laid out for a new size here.
    if (!isVisible() && size() != laid_out_size_) {
      laid_out_size_ = size();
      QResizeEvent resized(size(), size());
      QCoreApplication::sendEvent(this, &resized);
    }
    executeDelayedItemsLayout();
    updateGeometries();
  }

  // After a change of the items: the vertical bar's range at once. Laying out
  // every item again after each change costs time in the number of items, so
  // a column of equal rows scrolled an item at a time works the range out
  // from the row height as the full layout would (the full layout still runs
  // when the list is next painted or measured).
  void ItemsChangedNow() {
    if (count() == 0 || !uniformItemSizes() || verticalScrollMode() != ScrollPerItem ||
        flow() != TopToBottom || isWrapping() || viewMode() != ListMode || spacing() != 0 ||
        (!isVisible() && size() != laid_out_size_)) {
      LayoutNow();
      return;
    }
    if (row_height_ <= 0 || row_font_ != font()) {
      row_height_ = sizeHintForRow(0);
      row_font_ = font();
    }
    if (row_height_ <= 0) {
      LayoutNow();
      return;
    }
    QScrollBar* bar = verticalScrollBar();
    const int rows = count(), view = viewport()->height();
    // Showing or hiding the bar lays the view out anew (once, at the turn).
    const bool scrolls = static_cast<long long>(rows) * row_height_ > view;
    if (scrolls != (bar->maximum() > bar->minimum())) {
      LayoutNow();
      return;
    }
    // The full layout counts one step past the last row. Every row fits:
    // nothing to scroll. Otherwise a page is the rows that fit whole.
    if (!scrolls) {
      bar->setRange(0, 0);
      bar->setPageStep(rows + 1);
    } else {
      const int page = view / row_height_;
      bar->setSingleStep(1);
      bar->setPageStep(page);
      bar->setRange(0, std::max(rows - page, 0));
    }
  }

 private:
  QSize laid_out_size_;
  int row_height_ = 0;
  QFont row_font_;
};

class TListBoxStrings : public TStrings {
 public:
  explicit TListBoxStrings(TListBox* Box) : box_(Box) {}
  int Count() const override { return List()->count(); }
  std::string Get(int Index) const override {
    Check(Index, Count());
    return StdStr(List()->item(Index)->text());
  }
  void Put(int Index, const std::string& S) override {
    Check(Index, Count());
    List()->item(Index)->setText(QStr(S));
    Done();
  }
  TObject* GetObject(int Index) const override {
    Check(Index, Count());
    return objects_[static_cast<size_t>(Index)];
  }
  void PutObject(int Index, TObject* AObject) override {
    Check(Index, Count());
    objects_[static_cast<size_t>(Index)] = AObject;
  }
  void Insert(int Index, const std::string& S) override { InsertObject(Index, S, nullptr); }
  void InsertObject(int Index, const std::string& S, TObject* AObject) override {
    if (Index < 0 || Index > Count())
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    List()->insertItem(Index, QStr(S));
    objects_.insert(objects_.begin() + Index, AObject);
    box_->ItemInserted(Index);
    Done();
  }
  void Delete(int Index) override {
    Check(Index, Count());
    delete List()->takeItem(Index);
    objects_.erase(objects_.begin() + Index);
    Done();
  }
  void SetUpdateState(bool Updating) override {
    if (!Updating) Done();
  }
  void Clear() override {
    List()->clear();
    objects_.clear();
    Done();
  }

 private:
  static void Check(int Index, int Count) {
    if (Index < 0 || Index >= Count)
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
  NativeList* List() const { return static_cast<NativeList*>(NativeWidget(box_)); }
  void Done() {
    if (UpdateCount() > 0) return;
    List()->ItemsChangedNow();
    box_->ItemsChanged();
  }
  TListBox* box_;
  std::vector<TObject*> objects_;
};

}  // namespace

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner) {
  // The native list paints itself.
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 121, 97);
  HandleNeeded();
  items_ = std::make_unique<TListBoxStrings>(this);
}

TListBox::~TListBox() = default;

void TListBox::CreateWnd() {
  auto* list = new NativeList();
  list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  // Items are one line each: the layout need not measure every one.
  list->setUniformItemSizes(true);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QObject::connect(list, &QListWidget::itemClicked, list, [this](QListWidgetItem*) {
    SafeCall(this, [this] {
      if (OnClick) OnClick(this);
    });
  });
  AdoptWidget(this, list);
}

void TListBox::BoundsChanged(bool Moved, bool Resized) {
  TWinControl::BoundsChanged(Moved, Resized);
  if (Resized && HandleAllocated()) static_cast<NativeList*>(NativeWidget(this))->LayoutNow();
}

int TListBox::ItemIndex() const {
  return static_cast<QListWidget*>(NativeWidget(const_cast<TListBox*>(this)))->currentRow();
}

void TListBox::SetItemIndex(int Value) {
  auto* list = static_cast<QListWidget*>(NativeWidget(this));
  list->setCurrentRow(Value >= 0 && Value < list->count() ? Value : -1);
}

int TListBox::ItemHeight() const {
  auto* list = static_cast<QListWidget*>(NativeWidget(const_cast<TListBox*>(this)));
  return list->count() > 0 ? list->sizeHintForRow(0) : list->fontMetrics().height();
}

}  // namespace classlib
