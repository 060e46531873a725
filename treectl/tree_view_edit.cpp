// In-place editing of a row's cells: an editor chosen by the cell's field type
// (edit box, date or time picker, check box, combo box, or a request to the
// program), committed by Enter or leaving it, cancelled by Escape.
#include <algorithm>
#include <cmath>

#include "platform/classlib/canvas.h"
#include "platform/classlib/date_time_picker.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"
#include "treectl/tree_view.h"

namespace lumicast {

using classlib::TComboBox;
using classlib::TDateTimePicker;
using classlib::TEdit;
using classlib::TObject;
using classlib::TRect;
using classlib::TShiftState;
using classlib::TWinControl;

namespace {

std::string CellText(TCustomElTree* Tree, TElTreeItem* Item, int Column) {
  if (Column < 0 || Column == Tree->MainTreeColumn()) return Item->Text();
  int k = Column > Tree->MainTreeColumn() ? Column - 1 : Column;
  if (k < Item->ColumnText()->Count()) return Item->ColumnText()->Strings(k);
  return {};
}

}  // namespace

TElHeaderSection* TElTreeView::EditSection() const {
  if (!tree_->ShowColumns() || edit_column_ < 0) return nullptr;
  return tree_->Header()->Sections()->Item(edit_column_);
}

void TElTreeView::DropEditor() {
  if (editor_ == nullptr) return;
  TWinControl* editor = editor_;
  editor_ = nullptr;
  editor->OnExit = nullptr;
  editor->OnKeyDown = nullptr;
  editor->SetVisible(false);
  editor->SetParent(nullptr);
  delete editor;
  editor_menu_.reset();
}

void TElTreeView::BeginCellEdit(TElTreeItem* Item, int Column) {
  if (Item == nullptr) throw EElTreeError("ElTree item not specified");
  if (rows_.IndexOf(Item) < 0) tree_->EnsureVisible(Item);
  if (editor_ != nullptr) {
    if (editor_->Visible()) FinishCellEdit(true);
    DropEditor();
  }
  if (tree_->ShowColumns() && Column == -1) Column = tree_->MainTreeColumn();
  edit_item_ = Item;
  edit_column_ = Column;
  TElHeaderSection* section = nullptr;
  if (Column != -1 && tree_->ShowColumns()) {
    section = tree_->Header()->Sections()->Item(Column);
    if (section != nullptr && !section->EffectivelyVisible()) {
      edit_item_ = nullptr;
      return;
    }
  }
  TFieldTypes type = sftText;
  if (Item->UseStyles()) {
    TElCellStyle* style = Item->MainStyle();
    if (Column != -1 && Column != tree_->MainTreeColumn()) {
      int k = Column > tree_->MainTreeColumn() ? Column - 1 : Column;
      if (k < Item->StylesCount()) style = Item->Styles(k);
    }
    type = style->CellType;
  } else if (section != nullptr) {
    type = section->FieldType();
  }
  bool can_edit = true;
  if (tree_->OnTryEdit && !tree_->IsDestroying())
    tree_->OnTryEdit(tree_, Item, section, type, can_edit);
  if (!can_edit) {
    edit_item_ = nullptr;
    return;
  }
  edit_field_type_ = type;
  if (CreateCellEditor(Item, section, type) && editor_ != nullptr) {
    saved_hide_selection_ = tree_->HideSelection();
    tree_->SetHideSelection(false);
    editor_->SetVisible(true);
    if (editor_->CanFocus()) editor_->SetFocus();
    editing_ = true;
  }
}

bool TElTreeView::CreateCellEditor(TElTreeItem* Item, TElHeaderSection* Section,
                                   TFieldTypes FieldType) {
  int row = rows_.IndexOf(Item);
  TRect r = row >= 0 ? RowRect(row) : TRect{0, 0, ClientWidth(), tree_->LineHeight() - 1};
  r.Bottom += 1;
  const int lp = tree_->LeftPosition();
  std::string text;
  if (Section != nullptr && Section->ColumnIndex() != tree_->MainTreeColumn()) {
    text = CellText(tree_, Item, Section->ColumnIndex());
    int left = Section->LeftEdge();
    if (left < lp || left > ClientWidth() + lp) tree_->SetLeftPosition(left);
    int x = left - tree_->LeftPosition();
    r.Left = x;
    r.Right = std::min(x + Section->Width(), ClientWidth() - 1);
  } else {
    text = Item->Text();
    if (Item->CaptionLeft < lp || Item->CaptionLeft > lp + ClientWidth())
      tree_->SetLeftPosition(Item->CaptionLeft);
    r.Left = Item->CaptionLeft - tree_->LeftPosition();
    int right = Section != nullptr ? Section->RightEdge() - tree_->LeftPosition()
                                   : tree_->ClientWidth() - 1;
    r.Right = std::min(right, ClientWidth() - 1);
  }
  switch (FieldType) {
    case sftText:
    case sftNumber:
    case sftFloating:
    case sftDateTime:
    case sftCurrency: return MakeTextEditor(Item, Section, r, text);
    case sftDate: return MakeDateTimeEditor(Item, Section, r, text, false);
    case sftTime: return MakeDateTimeEditor(Item, Section, r, text, true);
    case sftBool: return MakeBoolEditor(Item, Section, r, text);
    case sftEnum: return MakeEnumEditor(Item, Section, r, text);
    case sftCustom:
    case sftPicture:
    case sftBLOB: return RequestEdit(Item, Section);
    default: return false;
  }
}

namespace {

// Every editor: the view as parent, a menu of its own that never pops up, the
// view's handlers for keys and for leaving it.
template <typename T>
T* MakeEditor(TElTreeView* View, std::unique_ptr<classlib::TPopupMenu>& Menu) {
  T* editor = new T(nullptr);
  editor->SetVisible(false);
  editor->SetParent(View);
  Menu = std::make_unique<classlib::TPopupMenu>(nullptr);
  Menu->SetAutoPopup(false);
  editor->SetPopupMenu(Menu.get());
  return editor;
}

}  // namespace

bool TElTreeView::MakeTextEditor(TElTreeItem* Item, TElHeaderSection* Section, const TRect& R,
                                 const std::string& Text) {
  TEdit* edit = MakeEditor<TEdit>(this, editor_menu_);
  editor_ = edit;
  edit->SetFont(Font());
  int h = std::max(std::abs(Font()->Height()) + 2, R.Height());
  edit->SetText(Text);
  edit->SelectAll();
  edit->SetBounds(R.Left, R.Top, R.Width(), h);
  edit->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) {
    EditorKeyDown(Key, Shift);
  };
  edit->OnExit = [this](TObject*) {
    if (editing_) FinishCellEdit(false);
  };
  if (Section != nullptr && tree_->OnTuneUpInplaceEdit)
    tree_->OnTuneUpInplaceEdit(tree_, Item, Section->ColumnIndex(), edit);
  return true;
}

bool TElTreeView::MakeDateTimeEditor(TElTreeItem*, TElHeaderSection*, const TRect& R,
                                     const std::string& Text, bool TimeOnly) {
  TDateTimePicker* picker = MakeEditor<TDateTimePicker>(this, editor_menu_);
  editor_ = picker;
  picker->SetKind(TimeOnly ? classlib::dtkTime : classlib::dtkDate);
  classlib::TDateTime value = 0;
  bool ok =
      TimeOnly ? classlib::TryStrToTime(Text, value) : classlib::TryStrToDateTime(Text, value);
  picker->SetDateTime(ok ? value : classlib::Now());
  picker->SetFont(Font());
  picker->SetBounds(R.Left, R.Top, R.Width(), R.Height() + 4);
  picker->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) {
    EditorKeyDown(Key, Shift);
  };
  picker->OnExit = [this](TObject*) {
    if (editing_) FinishCellEdit(false);
  };
  return true;
}

bool TElTreeView::MakeBoolEditor(TElTreeItem*, TElHeaderSection*, const TRect& R,
                                 const std::string& Text) {
  classlib::TCheckBox* box = MakeEditor<classlib::TCheckBox>(this, editor_menu_);
  editor_ = box;
  box->SetCaption("");
  box->SetChecked(!Text.empty());
  box->SetBounds(R.Left, R.Top, R.Width(), R.Height());
  box->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) {
    EditorKeyDown(Key, Shift);
  };
  box->OnExit = [this](TObject*) {
    if (editing_) FinishCellEdit(false);
  };
  return true;
}

bool TElTreeView::MakeEnumEditor(TElTreeItem* Item, TElHeaderSection* Section, const TRect& R,
                                 const std::string& Text) {
  TComboBox* combo = MakeEditor<TComboBox>(this, editor_menu_);
  editor_ = combo;
  combo->SetStyle(classlib::csDropDownList);
  combo->SetItemIndex(0);
  combo->SetText(Text);
  combo->SetBounds(R.Left, R.Top, R.Width(), R.Height());
  combo->SetFont(Font());
  int h = combo->Font()->Height();
  combo->Font()->SetHeight(h < 0 ? h + 1 : h - 1);
  combo->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) {
    EditorKeyDown(Key, Shift);
  };
  combo->OnExit = [this](TObject*) {
    if (editing_) FinishCellEdit(false);
  };
  if (tree_->OnComboEditShow) tree_->OnComboEditShow(tree_, Item, Section, combo);
  return true;
}

bool TElTreeView::RequestEdit(TElTreeItem* Item, TElHeaderSection* Section) {
  editing_ = true;
  try {
    if (tree_->OnEditRequest) tree_->OnEditRequest(tree_, Item, Section);
  } catch (...) {
    editing_ = false;
    edit_item_ = nullptr;
    throw;
  }
  editing_ = false;
  edit_item_ = nullptr;
  return false;
}

void TElTreeView::EditorKeyDown(uint16_t& Key, TShiftState Shift) {
  if (tree_->OnEditKeyDown) tree_->OnEditKeyDown(tree_, Key, Shift);
  if (Shift & (classlib::ssShift | classlib::ssCtrl | classlib::ssAlt)) return;
  if (Key == classlib::VK_RETURN) {
    FinishCellEdit(false);
    Key = 0;
  } else if (Key == classlib::VK_ESCAPE) {
    FinishCellEdit(true);
    Key = 0;
  }
}

bool TElTreeView::FinishCellEdit(bool Cancel) {
  if (editing_) tree_->SetHideSelection(saved_hide_selection_);
  // Cleared first: leaving the editor while it closes must not apply twice.
  bool was_editing = editing_;
  editing_ = false;
  if (editor_ != nullptr && edit_item_ != nullptr && editor_->Visible() && was_editing) {
    TElTreeItem* item = edit_item_;
    try {
      ApplyCellEdit(Cancel);
    } catch (...) {
      editor_->SetVisible(false);
      edit_item_ = nullptr;
      throw;
    }
    editor_->SetVisible(false);
    if (!tree_->IsDestroying()) {
      InvalidateItemRow(item);
      tree_->SetDirty();
      if (!tree_->IsUpdating()) tree_->WithUpdate([] {});
    }
    edit_item_ = nullptr;
  } else {
    DropEditor();
    edit_item_ = nullptr;
  }
  if (!tree_->IsDestroying()) {
    try {
      if (CanFocus()) SetFocus();
    } catch (const classlib::Exception&) {
    }
  }
  return true;
}

void TElTreeView::ApplyCellEdit(bool Cancel) {
  switch (edit_field_type_) {
    case sftText:
    case sftNumber:
    case sftFloating:
    case sftDateTime:
    case sftCurrency: ApplyTextResult(Cancel, editor_->Text()); break;
    case sftDate:
    case sftTime: {
      auto* picker = static_cast<TDateTimePicker*>(editor_);
      ApplyTextResult(Cancel, edit_field_type_ == sftDate ? classlib::DateToStr(picker->Date())
                                                          : classlib::TimeToStr(picker->Time()));
      break;
    }
    case sftBool:
      ApplyTextResult(Cancel, static_cast<classlib::TCheckBox*>(editor_)->Checked() ? "1" : "");
      break;
    case sftEnum: ApplyEnumResult(Cancel); break;
    default: break;
  }
}

void TElTreeView::ApplyTextResult(bool Cancel, const std::string& Value) {
  bool accept = !Cancel;
  std::string text = accept ? Value : std::string();
  editor_->OnExit = nullptr;
  TElTreeItem* item = edit_item_;
  TElHeaderSection* section = EditSection();
  if (tree_->OnValidateInplaceEdit)
    tree_->OnValidateInplaceEdit(tree_, item, section, text, accept);
  if (!accept) return;
  int column = edit_column_;
  if (column == -1 || column == tree_->MainTreeColumn()) {
    item->SetText(text);
    return;
  }
  int k = column > tree_->MainTreeColumn() ? column - 1 : column;
  classlib::TStringList* texts = item->ColumnText();
  while (texts->Count() <= k) texts->Add("");
  texts->Put(k, text);
}

void TElTreeView::ApplyEnumResult(bool Cancel) {
  bool accept = !Cancel;
  TElHeaderSection* section =
      (edit_column_ != -1 && edit_column_ != tree_->MainTreeColumn()) ? EditSection() : nullptr;
  if (tree_->OnValidateCombo)
    tree_->OnValidateCombo(tree_, edit_item_, section, accept, static_cast<TComboBox*>(editor_));
}

}  // namespace lumicast
