// Thin item views: a list view (rows of a caption and sub-items under column
// headers, or a plain list) and a tree view (captioned nodes under nodes,
// expanded or collapsed). Both scroll through the window system's own bars.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/control.h"

namespace classlib {

enum class TViewStyle { vsList, vsReport };
using enum TViewStyle;

class TListView : public TWinControl {
 public:
  explicit TListView(TComponent* AOwner);
  std::string ClassName() const override { return "TListView"; }

  TViewStyle ViewStyle() const { return view_style_; }
  void SetViewStyle(TViewStyle Value);
  // Columns show in the report style; the first holds the captions.
  void AddColumn(const std::string& Caption, int Width);
  int ColumnCount() const;
  // Returns the new row's index.
  int AddItem(const std::string& Caption);
  int ItemCount() const;
  // Out-of-range rows raise EListError; sub-item Column counts from 1.
  std::string ItemCaption(int Index) const;
  std::string SubItem(int Index, int Column) const;
  void SetSubItem(int Index, int Column, const std::string& Text);
  void Clear();
  // -1: none selected.
  int ItemIndex() const;
  void SetItemIndex(int Value);

 protected:
  void CreateWnd() override;

 private:
  TViewStyle view_style_ = vsList;
  bool columns_named_ = false;
};

class TTreeView : public TWinControl {
 public:
  // A node's number: the order it was added in; -1 stands for the root.
  using TNodeId = int;

  explicit TTreeView(TComponent* AOwner);
  std::string ClassName() const override { return "TTreeView"; }

  // Adds a node with Text as the last child of Parent (-1: at the top level).
  // An unknown Parent raises EListError.
  TNodeId AddChild(TNodeId Parent, const std::string& Text);
  int NodeCount() const { return static_cast<int>(nodes_.size()); }
  std::string NodeText(TNodeId Node) const;
  int ChildCount(TNodeId Node) const;
  bool Expanded(TNodeId Node) const;
  void SetExpanded(TNodeId Node, bool Value);
  // -1: none selected.
  TNodeId Selected() const;
  void SetSelected(TNodeId Node);
  void Clear();
  // Raised when the selected node changes.
  TNotifyEvent OnChange;

 protected:
  void CreateWnd() override;

 private:
  void* NodeItem(TNodeId Node) const;
  std::vector<void*> nodes_;  // the native items, in the order added
};

}  // namespace classlib
