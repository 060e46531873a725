#include "platform/classlib/item_views.h"

#include <QHeaderView>
#include <QTreeWidget>

#include "platform/classlib/application.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"

namespace classlib {

namespace {

QTreeWidget* TreeOf(const TWinControl* Control) {
  return static_cast<QTreeWidget*>(NativeWidget(const_cast<TWinControl*>(Control)));
}

[[noreturn]] void OutOfBounds(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

}  // namespace

// ================================================================ TListView

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 250, 150);
  HandleNeeded();
}

void TListView::CreateWnd() {
  auto* tree = new QTreeWidget();
  tree->setRootIsDecorated(false);
  tree->setUniformRowHeights(true);
  tree->setColumnCount(1);
  tree->setHeaderHidden(true);
  AdoptWidget(this, tree);
}

void TListView::SetViewStyle(TViewStyle Value) {
  view_style_ = Value;
  TreeOf(this)->setHeaderHidden(Value != vsReport);
}

void TListView::AddColumn(const std::string& Caption, int Width) {
  QTreeWidget* tree = TreeOf(this);
  QTreeWidgetItem* header = tree->headerItem();
  // A fresh view has one unnamed column standing for the captions.
  const int column = columns_named_ ? tree->columnCount() : 0;
  if (columns_named_) tree->setColumnCount(column + 1);
  columns_named_ = true;
  header->setText(column, QStr(Caption));
  tree->setColumnWidth(column, Width);
}

int TListView::ColumnCount() const { return columns_named_ ? TreeOf(this)->columnCount() : 0; }

int TListView::AddItem(const std::string& Caption) {
  QTreeWidget* tree = TreeOf(this);
  auto* item = new QTreeWidgetItem(tree);
  item->setText(0, QStr(Caption));
  return tree->topLevelItemCount() - 1;
}

int TListView::ItemCount() const { return TreeOf(this)->topLevelItemCount(); }

std::string TListView::ItemCaption(int Index) const {
  if (Index < 0 || Index >= ItemCount()) OutOfBounds(Index);
  return StdStr(TreeOf(this)->topLevelItem(Index)->text(0));
}

std::string TListView::SubItem(int Index, int Column) const {
  if (Index < 0 || Index >= ItemCount()) OutOfBounds(Index);
  if (Column < 1) OutOfBounds(Column);
  return StdStr(TreeOf(this)->topLevelItem(Index)->text(Column));
}

void TListView::SetSubItem(int Index, int Column, const std::string& Text) {
  if (Index < 0 || Index >= ItemCount()) OutOfBounds(Index);
  if (Column < 1) OutOfBounds(Column);
  QTreeWidget* tree = TreeOf(this);
  if (Column >= tree->columnCount()) tree->setColumnCount(Column + 1);
  tree->topLevelItem(Index)->setText(Column, QStr(Text));
}

void TListView::Clear() { TreeOf(this)->clear(); }

int TListView::ItemIndex() const {
  QTreeWidget* tree = TreeOf(this);
  QTreeWidgetItem* current = tree->currentItem();
  return current != nullptr ? tree->indexOfTopLevelItem(current) : -1;
}

void TListView::SetItemIndex(int Value) {
  QTreeWidget* tree = TreeOf(this);
  tree->setCurrentItem(Value >= 0 && Value < ItemCount() ? tree->topLevelItem(Value) : nullptr);
}

// ================================================================ TTreeView

TTreeView::TTreeView(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 121, 97);
  HandleNeeded();
}

void TTreeView::CreateWnd() {
  auto* tree = new QTreeWidget();
  tree->setHeaderHidden(true);
  tree->setColumnCount(1);
  tree->setUniformRowHeights(true);
  QObject::connect(tree, &QTreeWidget::currentItemChanged, tree, [this] {
    SafeCall(this, [this] {
      if (OnChange) OnChange(this);
    });
  });
  AdoptWidget(this, tree);
}

void* TTreeView::NodeItem(TNodeId Node) const {
  if (Node < 0 || Node >= NodeCount()) OutOfBounds(Node);
  return nodes_[static_cast<size_t>(Node)];
}

TTreeView::TNodeId TTreeView::AddChild(TNodeId Parent, const std::string& Text) {
  QTreeWidgetItem* item = Parent < 0
                              ? new QTreeWidgetItem(TreeOf(this))
                              : new QTreeWidgetItem(static_cast<QTreeWidgetItem*>(NodeItem(Parent)));
  item->setText(0, QStr(Text));
  nodes_.push_back(item);
  return NodeCount() - 1;
}

std::string TTreeView::NodeText(TNodeId Node) const {
  return StdStr(static_cast<QTreeWidgetItem*>(NodeItem(Node))->text(0));
}

int TTreeView::ChildCount(TNodeId Node) const {
  if (Node < 0) return TreeOf(this)->topLevelItemCount();
  return static_cast<QTreeWidgetItem*>(NodeItem(Node))->childCount();
}

bool TTreeView::Expanded(TNodeId Node) const {
  return static_cast<QTreeWidgetItem*>(NodeItem(Node))->isExpanded();
}

void TTreeView::SetExpanded(TNodeId Node, bool Value) {
  static_cast<QTreeWidgetItem*>(NodeItem(Node))->setExpanded(Value);
}

TTreeView::TNodeId TTreeView::Selected() const {
  QTreeWidgetItem* current = TreeOf(this)->currentItem();
  for (size_t i = 0; i < nodes_.size(); ++i)
    if (nodes_[i] == current) return static_cast<TNodeId>(i);
  return -1;
}

void TTreeView::SetSelected(TNodeId Node) {
  TreeOf(this)->setCurrentItem(Node < 0 ? nullptr
                                        : static_cast<QTreeWidgetItem*>(NodeItem(Node)));
}

void TTreeView::Clear() {
  nodes_.clear();
  TreeOf(this)->clear();
}

}  // namespace classlib
