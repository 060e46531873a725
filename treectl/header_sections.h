// The sections of the column header: TElHeaderSection (one column: caption,
// width and its limits, sort arrow, alignment, image, the type and name of
// the column's data, and flags for resizing, clicking, editing, password
// display, lookup and filter signs; sections nest under parent sections) and
// TElHeaderSections (the display order, the data column numbers and the
// "Data" stream that stores them).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/colors.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/object.h"
#include "treectl/el_list.h"
#include "treectl/field_types.h"

namespace classlib {
class TStream;
class TStringList;
class TPopupMenu;
}  // namespace classlib

namespace lumicast {

class TCustomElHeader;
class TElHeaderSections;

class EElError : public classlib::Exception {
 public:
  using classlib::Exception::Exception;
};

enum TElSectionStyle : uint8_t { ElhsText, ElhsOwnerDraw, ElhsPictureOnly };
enum TElSSortMode : uint8_t { hsmNone, hsmAscend, hsmDescend };
enum TElSAlignment : uint8_t { hsaLeft, hsaCenter, hsaRight };
enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };

// Codes of OnSectionChange.
enum TSectionChangeMode {
  sfcText = 0,
  sfcFieldName = 1,
  sfcFieldType = 2,
  sfcAlignment = 3,
  sfcStyle = 4,
  sfcEditable = 5,
  sfcPassword = 6
};

class TElHeaderSection : public classlib::TPersistent {
 public:
  explicit TElHeaderSection(TCustomElHeader* Owner);
  ~TElHeaderSection() override;
  std::string ClassName() const override { return "TElHeaderSection"; }

  const std::string& Text() const { return text_; }
  void SetText(const std::string& Value);
  TElSectionStyle Style() const { return style_; }
  void SetStyle(TElSectionStyle Value);
  int Width() const { return width_; }
  // Ignored outside MinWidth..MaxWidth.
  void SetWidth(int Value);
  int MaxWidth() const { return max_width_; }
  void SetMaxWidth(int Value);
  int MinWidth() const { return min_width_; }
  void SetMinWidth(int Value);
  TElSSortMode SortMode() const { return sort_mode_; }
  // Clears every other section's sort mode first.
  void SetSortMode(TElSSortMode Value);
  bool AllowClick() const { return allow_click_; }
  void SetAllowClick(bool Value) { allow_click_ = Value; }
  TElSAlignment Alignment() const { return alignment_; }
  void SetAlignment(TElSAlignment Value);
  TElSAlignment PictureAlign() const { return picture_align_; }
  void SetPictureAlign(TElSAlignment Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);
  const std::string& FieldName() const { return field_name_; }
  void SetFieldName(const std::string& Value);
  TFieldTypes FieldType() const { return field_type_; }
  void SetFieldType(TFieldTypes Value);
  bool Editable() const { return editable_; }
  void SetEditable(bool Value);
  bool Password() const { return password_; }
  void SetPassword(bool Value);
  bool Resizable() const { return resizable_; }
  void SetResizable(bool Value);
  bool ClickSelect() const { return click_select_; }
  void SetClickSelect(bool Value) { click_select_ = Value; }
  bool Expandable() const { return expandable_; }
  // Off unlinks every section whose parent this was.
  void SetExpandable(bool Value);
  bool Expanded() const { return expanded_; }
  // Changes only while Expandable is on.
  void SetExpanded(bool Value);
  TElHeaderSection* ParentSection() const { return parent_section_; }
  // Refuses a section that would make this one its own ancestor.
  void SetParentSection(TElHeaderSection* Value);
  classlib::TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(classlib::TPopupMenu* Value);
  bool LookupEnabled() const { return lookup_enabled_; }
  void SetLookupEnabled(bool Value);
  classlib::TStringList* LookupHistory() const { return lookup_history_.get(); }
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool Value);
  classlib::TColor Color() const { return color_; }
  void SetColor(classlib::TColor Value);
  classlib::TColor FontColor() const { return font_color_; }
  void SetFontColor(classlib::TColor Value);
  bool UseMainStyle() const { return use_main_style_; }
  void SetUseMainStyle(bool Value);
  TTextLayout TextLayout() const { return text_layout_; }
  void SetTextLayout(TTextLayout Value);
  bool FilterEnabled() const { return filter_enabled_; }
  void SetFilterEnabled(bool Value);
  bool FilterIsActive() const { return filter_is_active_; }
  void SetFilterIsActive(bool Value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value) { hint_ = Value; }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value) { auto_size_ = Value; }
  bool ShowSortMark() const { return show_sort_mark_; }
  void SetShowSortMark(bool Value);

  // ---- unpublished state ----
  int32_t ColumnIndex() const { return column_index_; }
  int32_t UniqueId() const { return unique_id_; }
  TCustomElHeader* Owner() const { return owner_; }
  const std::string& PopupMenuName() const { return popup_menu_name_; }
  int32_t ParentIndex() const { return parent_index_; }
  double WidthRatio = 0;
  int SavedWidth = -1;

  // Visible with every parent visible and expanded.
  bool EffectivelyVisible() const;
  // Display position in the collection (-1 when not in one).
  int Position() const;
  int LeftEdge() const;
  int RightEdge() const;

 private:
  friend class TElHeaderSections;
  friend class TCustomElHeader;
  void Repaint();
  void Changed(TSectionChangeMode Mode);
  TElHeaderSections* Sections() const;

  TCustomElHeader* owner_;
  TElHeaderSections* collection_ = nullptr;
  std::string text_;
  TElSectionStyle style_ = ElhsText;
  int width_ = 120;
  int max_width_ = 10000;
  int min_width_ = 0;
  TElSSortMode sort_mode_ = hsmNone;
  bool allow_click_ = true;
  TElSAlignment alignment_ = hsaLeft;
  TElSAlignment picture_align_ = hsaLeft;
  bool visible_ = true;
  int image_index_ = 0;
  std::string field_name_;
  TFieldTypes field_type_ = sftCustom;
  bool editable_ = false;
  bool password_ = false;
  bool resizable_ = true;
  bool click_select_ = true;
  bool expandable_ = false;
  bool expanded_ = false;
  TElHeaderSection* parent_section_ = nullptr;
  classlib::TPopupMenu* popup_menu_ = nullptr;
  bool lookup_enabled_ = false;
  std::unique_ptr<classlib::TStringList> lookup_history_;
  bool parent_color_ = true;
  classlib::TColor color_ = 0;
  classlib::TColor font_color_ = 0;
  bool use_main_style_ = false;
  TTextLayout text_layout_ = tlCenter;
  bool filter_enabled_ = false;
  bool filter_is_active_ = false;
  std::string hint_;
  bool auto_size_ = false;
  bool show_sort_mark_ = true;
  int32_t column_index_ = 0;
  int32_t unique_id_ = 0;
  std::string popup_menu_name_;
  int32_t parent_index_ = -1;
};

class TElHeaderSections : public classlib::TPersistent {
 public:
  explicit TElHeaderSections(TCustomElHeader* Owner);
  ~TElHeaderSections() override;
  std::string ClassName() const override { return "TElHeaderSections"; }

  TCustomElHeader* Owner() const { return owner_; }
  int Count() const { return list_.Count(); }
  // The section whose ColumnIndex is Index (nullptr when none).
  TElHeaderSection* Item(int Index) const;
  // The section at a display position; EElError "Index out of bounds" outside.
  TElHeaderSection* ItemByPos(int Position) const;
  TElHeaderSection* SectionByUniqueId(int32_t Id) const;
  int IndexOf(const TElHeaderSection* Section) const;
  TElHeaderSection* LastShownSection() const;
  TElHeaderSection* PreviousShownSection(const TElHeaderSection* Section) const;

  TElHeaderSection* AppendSection();
  TElHeaderSection* InsertSectionAt(int Position);
  // nullptr raises EElError "Invalid section".
  void RemoveSection(TElHeaderSection* Section);
  void RelocateSection(TElHeaderSection* Section, int NewPosition);
  // Deletes every section without notifications.
  void Clear();

  // The "Data" stream (version -10).
  void SaveToStream(classlib::TStream* Stream) const;
  // Reads versions -10, -9, -8, -6, -5 and -4. Malformed data raises
  // EReadError and leaves the sections as they were.
  void LoadFromStream(classlib::TStream* Stream);

  void Assign(classlib::TPersistent* Source) override;

 private:
  friend class TElHeaderSection;
  friend class TCustomElHeader;
  int32_t NextColumnIndex() const;
  TElHeaderSection* CreateAt(int Position);
  // Reads the sections of Stream into this (fresh, unowned) collection.
  void ReadSections(classlib::TStream* Stream);
  void LinkParents();

  TCustomElHeader* owner_;
  TElList list_;
  int32_t last_unique_id_ = 0;
};

}  // namespace lumicast
