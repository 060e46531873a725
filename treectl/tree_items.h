// The data model of every tree control: items (TElTreeItem) with their cell
// styles (TElCellStyle), and the item collection (TElTreeItems) with its
// invisible root. The tree keeps every item except the root in one flat list in
// pre-order, so that Count, Item[i] and IndexOf never walk the tree:
//   1. an item's subtree is one contiguous block that starts at the item and
//      ends at its LastDescendant;
//   2. the first child directly follows its parent, each next sibling directly
//      follows the previous sibling's LastDescendant;
//   3. Count is the length of the flat list, Item[i] its i-th entry.
// Every operation below keeps these invariants and runs inside the tree's
// update pair, which is closed also when an exception passes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/classlib/colors.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/object.h"
#include "platform/classlib/string_list.h"
#include "treectl/el_list.h"
#include "treectl/field_types.h"
#include "treectl/tree_host.h"

namespace classlib {
class TBitmap;
}

namespace lumicast {

class TElTreeItem;
class TElTreeItems;
class TElCellStyle;
class TElItemStream;

class EElTreeError : public classlib::Exception {
 public:
  using classlib::Exception::Exception;
};

enum TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };
enum TElCheckBoxType : uint8_t { ectCheckBox, ect3SCheckBox, ectRadioButton };

// Indexes of the item's Boolean state properties (bit n of the state set).
enum TElItemStateIndex : int {
  stiFocused = 1,
  stiSelected = 2,
  stiCut = 3,
  stiUnderlined = 4,
  stiBold = 5,
  stiItalic = 6,
  stiExpanded = 7,
  stiStrikeOut = 8
};

// Text-drawing flags a new cell style starts with: vertically centred, single
// line, no prefix, ellipsis at the end.
inline constexpr uint32_t kDefaultTextDrawFlags = 0x8824;

// An embedded control of a cell; the style that holds it owns it.
class TElCellControl : public classlib::TObject {
 public:
  std::string ClassName() const override { return "TElCellControl"; }
  TElCellStyle* Owner() const { return owner_; }

 private:
  friend class TElCellStyle;
  TElCellStyle* owner_ = nullptr;
};

class TElCellStyle : public classlib::TObject {
 public:
  explicit TElCellStyle(TElTreeItem* Owner);
  ~TElCellStyle() override;
  std::string ClassName() const override { return "TElCellStyle"; }

  TElTreeItem* Owner() const { return owner_; }
  // Copies every field except the owner, StyleTag and Control (the picture
  // reference is shared, not copied).
  void Assign(const TElCellStyle* Source);

  uint32_t StyleTag = 0;
  classlib::TColor CellFillColor = classlib::clWindow;
  classlib::TColor TextFillColor = classlib::clWindow;
  classlib::TColor TextColor = classlib::clWindowText;
  uint32_t TextDrawFlags = kDefaultTextDrawFlags;
  classlib::TBitmap* Picture = nullptr;
  TFieldTypes CellType = sftText;
  uint8_t Style = 0;  // 0 text, 1 owner-drawn, 2 picture
  bool UseOwnerLook = true;
  int FontSize = 0;
  uint8_t FontStyles = 0;
  std::string FontName;
  bool TextBkTransparent = false;

  TElCellControl* Control() const { return control_.get(); }
  // Takes ownership; the previous control is freed. Repaints the owner's row.
  void SetControl(TElCellControl* Value);

 private:
  TElTreeItem* owner_;
  std::unique_ptr<TElCellControl> control_;
};

// The per-item sort key, valid only while the item's siblings are sorted.
struct TElSortKey {
  int Kind = -1;  // -1: missing
  std::variant<std::monostate, int64_t, double, std::string> Value;
  int RefCount = 0;
};

// Walk procedure: Continue starts true; clearing it stops the walk.
using TElIterateProc = std::function<void(TElTreeItem* Item, int Index, bool& Continue,
                                          TElTreeHost* Tree, void* Data)>;
using TElLookupPredicate = std::function<bool(TElTreeItem* Item, void* Data)>;
// Makes the items of a collection (the collection's ItemClass).
using TElTreeItemClass = std::function<TElTreeItem*(TElTreeHost* Tree)>;

class TElTreeItem : public classlib::TPersistent {
 public:
  explicit TElTreeItem(TElTreeHost* Tree);
  ~TElTreeItem() override;
  std::string ClassName() const override { return "TElTreeItem"; }

  // ---- free for the owner ----
  uint32_t UserValue = 0;
  void* UserObject = nullptr;
  std::shared_ptr<void> UserInterface;
  void* Data = nullptr;  // never read, stored or freed by the tree

  // ---- working fields of the sort and of the view's painting ----
  bool SortingChildren = false;  // children inside a recursive sort with keys built
  TElSortKey SortKey;
  int CaptionLeft = 0;
  int CaptionRight = 0;
  bool ImageDrawn = false;
  bool Image2Drawn = false;
  bool DividerBelow = true;
  bool CrossLine = false;
  classlib::TColor CrossLineColor = classlib::clBtnShadow;

  // ---- structure ----
  TElTreeHost* Tree() const { return tree_; }
  TElTreeItems* Owner() const { return collection_; }
  TElTreeItem* Parent() const;  // nil for a top-level item and the root
  int Level() const;            // 0 top level, -1 root
  int Index() const;            // among the siblings; -1 for the root
  int FlatIndex() const;
  int VisibleIndex() const;
  int DirectChildCount() const { return children_ ? children_->Count() : 0; }
  TElTreeItem* Children(int Index) const;
  TElTreeItem* FirstChild() const;
  TElTreeItem* FirstVisibleChild() const;
  TElTreeItem* LastChild() const;
  TElTreeItem* NextSibling() const;
  TElTreeItem* ChildAfter(TElTreeItem* Child) const;
  TElTreeItem* ChildBefore(TElTreeItem* Child) const;
  TElTreeItem* LastDescendant() const;
  TElTreeItem* TopAncestor() const;
  virtual TElTreeItem* PrevItem() const;
  virtual TElTreeItem* NextItem() const;
  bool LiesWithin(const TElTreeItem* Item) const;
  bool HasChildren() const { return DirectChildCount() > 0; }
  bool HasVisibleChildren() const;
  int SubtreeHeight() const;
  bool IsRoot() const { return parent_ == nullptr; }

  // ---- texts ----
  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& Value);
  classlib::TStringList* ColumnText() const { return column_text_.get(); }
  void SetColumnText(classlib::TStrings* Value);
  classlib::TStringList* SubItems() const { return column_text_.get(); }
  std::string Hint;

  // ---- state flags ----
  uint16_t StateSet() const { return state_set_; }
  uint32_t StateWord() const { return state_word_; }
  bool Focused() const { return GetState(stiFocused); }
  void SetFocused(bool Value);
  bool Selected() const { return (state_word_ & 2u) != 0; }
  void SetSelected(bool Value);
  bool Cut() const { return GetState(stiCut); }
  void SetCut(bool Value) { SetStateProperty(stiCut, Value); }
  bool Underlined() const { return GetState(stiUnderlined); }
  void SetUnderlined(bool Value) { SetStateProperty(stiUnderlined, Value); }
  bool Bold() const { return GetState(stiBold); }
  void SetBold(bool Value) { SetStateProperty(stiBold, Value); }
  bool Italic() const { return GetState(stiItalic); }
  void SetItalic(bool Value) { SetStateProperty(stiItalic, Value); }
  bool StrikeOut() const { return GetState(stiStrikeOut); }
  void SetStrikeOut(bool Value) { SetStateProperty(stiStrikeOut, Value); }
  bool Expanded() const { return GetState(stiExpanded); }
  void SetExpanded(bool Value);
  bool FullyExpanded() const;
  void SetFullyExpanded(bool Value);
  bool FullyVisible() const;
  void SetFullyVisible(bool Value);
  // Raw change of one state bit, no events, no repaint: for the tree and the
  // view when they move the focus and the selection.
  void SetStateBit(int Index, bool Value);

  // ---- check boxes ----
  TCheckBoxState CheckBoxState() const { return check_box_state_; }
  void SetCheckBoxState(TCheckBoxState Value);
  bool Checked() const { return check_box_state_ == cbChecked; }
  void SetChecked(bool Value);
  TElCheckBoxType CheckBoxType() const { return check_box_type_; }
  void SetCheckBoxType(TElCheckBoxType Value);
  bool CheckBoxEnabled() const { return check_box_enabled_; }
  void SetCheckBoxEnabled(bool Value);
  bool ShowCheckBox() const { return show_check_box_; }
  void SetShowCheckBox(bool Value);

  // ---- appearance ----
  bool ParentStyle() const { return parent_style_; }
  void SetParentStyle(bool Value);
  bool ParentColors() const { return parent_colors_; }
  void SetParentColors(bool Value);
  bool UseBkColor() const { return use_bk_color_; }
  void SetUseBkColor(bool Value);
  classlib::TColor Color() const { return color_; }
  void SetColor(classlib::TColor Value);
  classlib::TColor BkColor() const { return bk_color_; }
  void SetBkColor(classlib::TColor Value);
  classlib::TColor RowBkColor() const { return row_bk_color_; }
  virtual void SetRowBkColor(classlib::TColor Value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);
  int StateImageIndex() const { return state_image_index_; }
  void SetStateImageIndex(int Value);
  int ImageIndex2() const { return image_index2_; }
  void SetImageIndex2(int Value);
  int StateImageIndex2() const { return state_image_index2_; }
  void SetStateImageIndex2(int Value);
  bool ForceButtons() const { return force_buttons_; }
  void SetForceButtons(bool Value);
  bool SuppressButtons() const { return suppress_buttons_; }
  void SetSuppressButtons(bool Value);
  bool SuppressLines() const { return suppress_lines_; }
  void SetSuppressLines(bool Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  bool Hidden() const { return hidden_; }
  void SetHidden(bool Value);
  bool Selectable = true;
  bool AllowEdit = true;

  // ---- cell styles ----
  TElCellStyle* MainStyle() const { return main_style_.get(); }
  bool UseStyles() const { return use_styles_; }
  void SetUseStyles(bool Value);
  virtual TElCellStyle* AddStyle();
  virtual void RemoveStyle(TElCellStyle* Style);
  TElCellStyle* Styles(int Index) const;
  int StylesCount() const { return styles_ ? styles_->Count() : 0; }

  // ---- operations ----
  void Expand(bool Recursive);
  void Collapse(bool Recursive);
  void Sort(bool Recursive);
  // For the tree's sort: puts the children into Order (the present children,
  // each once, in their new order) and rewrites the flat list over this
  // item's block so that every child is followed by its subtree in pre-order
  // (children lists of the descendants, already sorted or not, are followed
  // as they stand). Raises EElTreeError when Order is not such a permutation.
  void ReorderChildren(const std::vector<TElTreeItem*>& Order);
  void MoveToChildAt(TElTreeItem* NewParent, int Index);
  // Mode 0: last child of Item's parent; 1: first child of Item's parent;
  // 2: last child of Item; 3: first child of Item; 4: just before Item.
  virtual void MoveTo(TElTreeItem* Item, int Mode);
  virtual void Delete();
  void DeleteChildren();
  void Assign(classlib::TPersistent* Source) override;

  // ---- repainting ----
  void RedrawRow();
  void RedrawCell(int Left, int Right);
  void RedrawItem();

 private:
  friend class TElTreeItems;
  friend class TElItemStream;

  bool GetState(int Index) const { return (state_set_ & (1u << Index)) != 0; }
  void SetStateProperty(int Index, bool Value);
  void ColumnTextChanged();
  void RedrawCheckBox();
  void EnsureStyles();
  void RemeasureWidestRow();
  void Changed(TItemChangeMode Mode);
  // Re-sorts Parent's children when the tree sorts on adding (moves, texts).
  void ResortSiblings(TElTreeItem* Parent, bool MainColumnOnly, bool WasUpdating);
  void DeleteChild(TElTreeItem* Child);
  void DeleteChildrenCore();
  void LinkChild(TElTreeItem* Child, int Index);
  void UnlinkChild(TElTreeItem* Child);
  TElTreeItem* Root() const;

  TElTreeHost* tree_;
  TElTreeItems* collection_ = nullptr;
  TElTreeItem* parent_ = nullptr;
  TElTreeItem* root_ = nullptr;
  std::unique_ptr<TElList> children_;
  std::unique_ptr<TElList> styles_;
  std::unique_ptr<TElCellStyle> main_style_;
  std::unique_ptr<classlib::TStringList> column_text_;
  std::string text_;
  uint16_t state_set_ = 0;
  uint32_t state_word_ = 0;
  TCheckBoxState check_box_state_ = cbUnchecked;
  TElCheckBoxType check_box_type_ = ectCheckBox;
  bool check_box_enabled_ = true;
  bool show_check_box_ = false;
  bool suppress_lines_ = false;
  bool hidden_ = false;
  bool enabled_ = true;
  bool suppress_buttons_ = false;
  bool force_buttons_ = false;
  bool use_bk_color_ = true;
  bool parent_colors_ = true;
  bool parent_style_ = true;
  bool use_styles_ = false;
  classlib::TColor row_bk_color_ = classlib::clWindow;
  classlib::TColor color_ = classlib::clWindowText;
  classlib::TColor bk_color_ = classlib::clWindow;
  int image_index_ = -1;
  int state_image_index_ = -1;
  int image_index2_ = -1;
  int state_image_index2_ = -1;
};

class TElTreeItems : public classlib::TPersistent {
 public:
  explicit TElTreeItems(TElTreeHost* Tree);
  ~TElTreeItems() override;
  std::string ClassName() const override { return "TElTreeItems"; }

  TElTreeHost* Tree() const { return tree_; }
  TElTreeItem* Root() const { return root_.get(); }
  // Makes the collection's items; empty means plain TElTreeItem.
  TElTreeItemClass ItemClass;
  virtual TElTreeItem* CreateItem(TElTreeHost* Tree);

  virtual TElTreeItem* AddLastSibling(TElTreeItem* Item, const std::string& Text);
  virtual TElTreeItem* AddLastChild(TElTreeItem* Item, const std::string& Text);
  virtual TElTreeItem* AddFirstChild(TElTreeItem* Item, const std::string& Text);
  virtual TElTreeItem* AddLastChildWithData(TElTreeItem* Item, const std::string& Text, void* Data);
  virtual TElTreeItem* AddFirstChildWithData(TElTreeItem* Item, const std::string& Text,
                                             void* Data);
  virtual TElTreeItem* AddFirstSibling(TElTreeItem* Item, const std::string& Text);
  virtual TElTreeItem* AddLastSiblingWithData(TElTreeItem* Item, const std::string& Text,
                                              void* Data);
  virtual TElTreeItem* AddFirstSiblingWithData(TElTreeItem* Item, const std::string& Text,
                                               void* Data);
  virtual TElTreeItem* InsertBefore(TElTreeItem* Item, const std::string& Text);
  virtual TElTreeItem* InsertBeforeWithData(TElTreeItem* Item, const std::string& Text, void* Data);
  virtual TElTreeItem* InsertAfter(TElTreeItem* Item, const std::string& Text);
  virtual TElTreeItem* InsertAfterWithData(TElTreeItem* Item, const std::string& Text, void* Data);
  // Deletes Item with its subtree; nil, the root and foreign items are ignored.
  virtual void DeleteItem(TElTreeItem* Item);
  virtual void BeginUpdate();
  virtual void EndUpdate();

  TElTreeItem* AddItem(TElTreeItem* Parent);
  TElTreeItem* InsertItem(int Index, TElTreeItem* Parent);
  void Clear();

  int Count() const;
  TElTreeItem* Item(int Index) const;  // nil outside 0..Count-1
  TElTreeItem* operator[](int Index) const { return Item(Index); }
  int IndexOf(const TElTreeItem* Item) const;
  int VisibleCount() const;
  TElTreeItem* VisibleItem(int Index) const;
  int VisibleIndexOf(const TElTreeItem* Item) const;

  void Assign(classlib::TPersistent* Source) override;

  void ForEach(bool VisibleOnly, const TElIterateProc& Proc, void* Data);
  void ForEachFrom(bool VisibleOnly, const TElIterateProc& Proc, TElTreeItem* StartItem,
                   void* Data);
  void ForEachBackward(bool VisibleOnly, const TElIterateProc& Proc, void* Data);
  void ForEachBackwardFrom(bool VisibleOnly, const TElIterateProc& Proc, TElTreeItem* StartItem,
                           void* Data);
  TElTreeItem* FindItem(TElTreeItem* StartItem, bool IncludeStart, bool DescendantsOnly,
                        bool VisibleOnly, const TElLookupPredicate& Predicate, void* Data);

 private:
  TElTreeItem* NewItem(TElTreeItem* Parent, int Index, bool Append);
  TElTreeItem* Named(TElTreeItem* Item, const std::string& Text, void* Data, bool WithData);
  // Flags, per flat position, whether the item is in the visible sequence.
  std::vector<bool> VisibleMap() const;

  TElTreeHost* tree_;
  std::unique_ptr<TElTreeItem> root_;
};

}  // namespace lumicast
