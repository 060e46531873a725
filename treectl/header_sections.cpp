#include "treectl/header_sections.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "platform/classlib/math_utils.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/string_list.h"
#include "treectl/header_control.h"
#include "treectl/tree_utils.h"

namespace lumicast {

using namespace classlib;

// ============================================================== TElHeaderSection

TElHeaderSection::TElHeaderSection(TCustomElHeader* Owner)
    : owner_(Owner), lookup_history_(std::make_unique<TStringList>()) {}

TElHeaderSection::~TElHeaderSection() {
  // Children lose their parent before it goes (expandable or not, so that
  // none keeps a pointer to a freed section).
  expandable_ = false;
  if (TElHeaderSections* s = Sections()) {
    for (int i = 0; i < s->Count(); ++i) {
      TElHeaderSection* c = s->ItemByPos(i);
      if (c->parent_section_ == this) c->parent_section_ = nullptr;
    }
  }
}

TElHeaderSections* TElHeaderSection::Sections() const { return collection_; }

int TElHeaderSection::Position() const {
  TElHeaderSections* s = Sections();
  return s != nullptr ? s->IndexOf(this) : -1;
}

bool TElHeaderSection::EffectivelyVisible() const {
  if (!visible_) return false;
  // A parent chain is acyclic (SetParentSection refuses loops); the depth
  // bound guards against damage all the same.
  const TElHeaderSection* p = parent_section_;
  for (int depth = 0; p != nullptr && depth < 100000; ++depth, p = p->parent_section_)
    if (!p->visible_ || !p->expanded_) return false;
  return true;
}

int TElHeaderSection::LeftEdge() const {
  TElHeaderSections* s = Sections();
  if (s == nullptr) return 0;
  int pos = s->IndexOf(this);
  return pos <= 0 ? 0 : s->ItemByPos(pos - 1)->RightEdge();
}

int TElHeaderSection::RightEdge() const {
  TElHeaderSections* s = Sections();
  if (s == nullptr) return EffectivelyVisible() ? width_ : 0;
  // Widths read from a stream may be huge: sum wide, answer within int.
  int64_t x = 0;
  int pos = s->IndexOf(this);
  for (int i = 0; i <= pos; ++i) {
    TElHeaderSection* c = s->ItemByPos(i);
    if (c->EffectivelyVisible()) x += c->width_;
  }
  return static_cast<int>(std::min<int64_t>(x, INT32_MAX));
}

void TElHeaderSection::Repaint() {
  if (owner_ != nullptr) owner_->RepaintSection(this);
}

void TElHeaderSection::Changed(TSectionChangeMode Mode) {
  if (owner_ != nullptr) owner_->FireSectionChange(this, Mode);
}

void TElHeaderSection::SetText(const std::string& Value) {
  if (Value == text_) return;
  text_ = Value;
  Changed(sfcText);
  if (owner_ == nullptr) return;
  if (auto_size_) owner_->FireSectionAutoSize(this);
  owner_->AdjustHeaderHeight();
  if (style_ == ElhsText) Repaint();
}

void TElHeaderSection::SetStyle(TElSectionStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  Changed(sfcStyle);
  Repaint();
}

void TElHeaderSection::SetWidth(int Value) {
  if (Value > max_width_ || Value < min_width_ || Value == width_) return;
  TCustomElHeader* h = owner_;
  TElHeaderSections* s = Sections();
  const bool sticky = h != nullptr && s != nullptr && h->StickySections() && EffectivelyVisible() &&
                      !h->LoadingHeader() && !h->StickyResizing() && s->LastShownSection() != this;
  if (!sticky) {
    width_ = Value;
    if (h != nullptr && !h->LoadingHeader()) {
      h->AdjustHeaderHeight();
      h->InvalidateFrom(std::max(0, Position()));
    }
    return;
  }
  // The later resizable sections give or take the difference in proportion.
  const int header_width = h->ClientWidth();
  const int left = LeftEdge();
  const double divisor = static_cast<double>(header_width - left - width_);
  const double scale = divisor == 0 ? 1.0 : (header_width - Value - left) / divisor;
  TElHeaderSection* last_scaled = nullptr;
  for (int i = Position() + 1; i < s->Count(); ++i) {
    TElHeaderSection* c = s->ItemByPos(i);
    if (!c->resizable_ || !c->EffectivelyVisible()) continue;
    c->width_ = std::max(0, static_cast<int>(Round(c->width_ * scale)));
    last_scaled = c;
  }
  width_ = Value;
  if (last_scaled != nullptr) {
    int free = header_width - 1 - h->SectionsWidth();
    if (free > 0) last_scaled->width_ += free;
  }
  h->FitSticky(this);
  h->StoreRatios();
  h->InvalidateFrom(std::max(0, Position()));
}

void TElHeaderSection::SetMaxWidth(int Value) {
  if (Value == max_width_) return;
  max_width_ = Value;
  if (width_ > Value) SetWidth(Value);
  if (width_ > Value) width_ = Value;  // a sticky refusal still honours the limit
}

void TElHeaderSection::SetMinWidth(int Value) {
  if (Value == min_width_) return;
  min_width_ = Value;
  if (width_ < Value) SetWidth(Value);
  if (width_ < Value) width_ = Value;
}

void TElHeaderSection::SetSortMode(TElSSortMode Value) {
  if (TElHeaderSections* s = Sections()) {
    for (int i = 0; i < s->Count(); ++i) s->ItemByPos(i)->sort_mode_ = hsmNone;
  }
  sort_mode_ = Value;
  if (owner_ == nullptr) return;
  if (auto_size_) owner_->FireSectionAutoSize(this);
  if (show_sort_mark_) owner_->Invalidate();
}

void TElHeaderSection::SetAlignment(TElSAlignment Value) {
  if (Value == alignment_) return;
  alignment_ = Value;
  Changed(sfcAlignment);
  Repaint();
}

void TElHeaderSection::SetPictureAlign(TElSAlignment Value) {
  if (Value == picture_align_) return;
  picture_align_ = Value;
  Repaint();
}

void TElHeaderSection::SetVisible(bool Value) {
  if (Value == visible_) return;
  TCustomElHeader* h = owner_;
  TElHeaderSections* s = Sections();
  if (h != nullptr && s != nullptr && h->StickySections() && !h->LoadingHeader()) {
    // The other resizable sections take or give this section's width.
    const int header_width = h->ClientWidth();
    const int others = h->SectionsWidth() - (EffectivelyVisible() ? width_ : 0);
    const double divisor = static_cast<double>(others);
    const double target = Value ? header_width - 1 - width_ : header_width - 1;
    const double scale = divisor == 0 ? 1.0 : target / divisor;
    visible_ = Value;
    for (int i = 0; i < s->Count(); ++i) {
      TElHeaderSection* c = s->ItemByPos(i);
      if (c == this || !c->resizable_ || !c->EffectivelyVisible()) continue;
      c->width_ = std::max(0, static_cast<int>(Round(c->width_ * scale)));
    }
    h->FitSticky(this);
    h->StoreRatios();
  } else {
    visible_ = Value;
  }
  if (h != nullptr) {
    h->FireShowHide(this);
    h->Invalidate();
  }
}

void TElHeaderSection::SetImageIndex(int Value) {
  if (Value == image_index_) return;
  image_index_ = Value;
  Repaint();
}

void TElHeaderSection::SetFieldName(const std::string& Value) {
  if (Value == field_name_) return;
  field_name_ = Value;
  Changed(sfcFieldName);
}

void TElHeaderSection::SetFieldType(TFieldTypes Value) {
  if (Value == field_type_) return;
  field_type_ = Value;
  Changed(sfcFieldType);
}

void TElHeaderSection::SetEditable(bool Value) {
  if (Value == editable_) return;
  editable_ = Value;
  Changed(sfcEditable);
}

void TElHeaderSection::SetPassword(bool Value) {
  if (Value == password_) return;
  password_ = Value;
  Changed(sfcPassword);
}

void TElHeaderSection::SetResizable(bool Value) {
  if (Value == resizable_) return;
  resizable_ = Value;
  if (owner_ != nullptr && owner_->StickySections()) owner_->SetStickySections(true);
}

void TElHeaderSection::SetExpandable(bool Value) {
  if (Value == expandable_) return;
  expandable_ = Value;
  if (!Value) {
    if (TElHeaderSections* s = Sections()) {
      for (int i = 0; i < s->Count(); ++i) {
        TElHeaderSection* c = s->ItemByPos(i);
        if (c->parent_section_ == this) c->parent_section_ = nullptr;
      }
    }
  }
  if (owner_ != nullptr) owner_->Invalidate();
}

void TElHeaderSection::SetExpanded(bool Value) {
  if (!expandable_ || Value == expanded_) return;
  expanded_ = Value;
  if (owner_ != nullptr) owner_->Invalidate();
}

void TElHeaderSection::SetParentSection(TElHeaderSection* Value) {
  if (Value == parent_section_) return;
  for (const TElHeaderSection* p = Value; p != nullptr; p = p->parent_section_)
    if (p == this) return;  // would make this section its own ancestor
  parent_section_ = Value;
  parent_index_ = Value != nullptr ? Value->column_index_ : -1;
  if (owner_ != nullptr) owner_->Invalidate();
}

void TElHeaderSection::SetPopupMenu(TPopupMenu* Value) {
  popup_menu_ = Value;
  popup_menu_name_ = Value != nullptr ? Value->Name() : std::string();
  if (Value != nullptr && owner_ != nullptr) Value->FreeNotification(owner_);
}

void TElHeaderSection::SetLookupEnabled(bool Value) {
  if (Value == lookup_enabled_) return;
  lookup_enabled_ = Value;
  if (Value) filter_enabled_ = false;
  if (owner_ == nullptr) return;
  if (Value && owner_->Height() >= 1 && owner_->Height() <= 16) owner_->SetHeight(17);
  Repaint();
}

void TElHeaderSection::SetFilterEnabled(bool Value) {
  if (Value == filter_enabled_) return;
  filter_enabled_ = Value;
  if (Value) lookup_enabled_ = false;
  if (owner_ == nullptr) return;
  if (Value && owner_->Height() >= 1 && owner_->Height() <= 16) owner_->SetHeight(17);
  Repaint();
}

void TElHeaderSection::SetFilterIsActive(bool Value) {
  if (Value == filter_is_active_) return;
  filter_is_active_ = Value;
  if (filter_enabled_) Repaint();
}

void TElHeaderSection::SetParentColor(bool Value) {
  if (Value == parent_color_) return;
  parent_color_ = Value;
  Repaint();
}

void TElHeaderSection::SetColor(TColor Value) {
  color_ = Value;
  parent_color_ = false;
  Repaint();
}

void TElHeaderSection::SetFontColor(TColor Value) {
  font_color_ = Value;
  parent_color_ = false;
  Repaint();
}

void TElHeaderSection::SetUseMainStyle(bool Value) {
  if (Value == use_main_style_) return;
  use_main_style_ = Value;
  // The tree draws the column's cells; it repaints when its header repaints.
  if (owner_ != nullptr && owner_->Parent() != nullptr) owner_->Parent()->Invalidate();
}

void TElHeaderSection::SetTextLayout(TTextLayout Value) {
  if (Value == text_layout_) return;
  text_layout_ = Value;
  Repaint();
}

void TElHeaderSection::SetShowSortMark(bool Value) {
  if (Value == show_sort_mark_) return;
  show_sort_mark_ = Value;
  if (sort_mode_ != hsmNone) Repaint();
}

// ============================================================== TElHeaderSections

TElHeaderSections::TElHeaderSections(TCustomElHeader* Owner) : owner_(Owner) {}

TElHeaderSections::~TElHeaderSections() { Clear(); }

void TElHeaderSections::Clear() {
  std::vector<TElHeaderSection*> all;
  for (int i = 0; i < list_.Count(); ++i)
    all.push_back(static_cast<TElHeaderSection*>(list_.Get(i)));
  // Parents first forget their children so no section points at a freed one.
  for (TElHeaderSection* s : all) {
    s->expandable_ = false;
    s->parent_section_ = nullptr;
  }
  list_.Clear();
  for (TElHeaderSection* s : all) delete s;
}

TElHeaderSection* TElHeaderSections::Item(int Index) const {
  for (int i = 0; i < list_.Count(); ++i) {
    auto* s = static_cast<TElHeaderSection*>(list_.Get(i));
    if (s->column_index_ == Index) return s;
  }
  return nullptr;
}

TElHeaderSection* TElHeaderSections::ItemByPos(int Position) const {
  if (Position < 0 || Position >= list_.Count()) throw EElError("Index out of bounds");
  return static_cast<TElHeaderSection*>(list_.Get(Position));
}

TElHeaderSection* TElHeaderSections::SectionByUniqueId(int32_t Id) const {
  for (int i = 0; i < list_.Count(); ++i) {
    auto* s = static_cast<TElHeaderSection*>(list_.Get(i));
    if (s->unique_id_ == Id) return s;
  }
  return nullptr;
}

int TElHeaderSections::IndexOf(const TElHeaderSection* Section) const {
  return list_.IndexOf(Section);
}

TElHeaderSection* TElHeaderSections::LastShownSection() const {
  for (int i = list_.Count() - 1; i >= 0; --i) {
    auto* s = static_cast<TElHeaderSection*>(list_.Get(i));
    if (s->EffectivelyVisible()) return s;
  }
  return nullptr;
}

TElHeaderSection* TElHeaderSections::PreviousShownSection(const TElHeaderSection* Section) const {
  for (int i = IndexOf(Section) - 1; i >= 0; --i) {
    auto* s = static_cast<TElHeaderSection*>(list_.Get(i));
    if (s->EffectivelyVisible()) return s;
  }
  return nullptr;
}

int32_t TElHeaderSections::NextColumnIndex() const {
  std::set<int32_t> used;
  for (int i = 0; i < list_.Count(); ++i)
    used.insert(static_cast<TElHeaderSection*>(list_.Get(i))->column_index_);
  int32_t n = 0;
  while (used.count(n) != 0) ++n;
  return n;
}

TElHeaderSection* TElHeaderSections::CreateAt(int Position) {
  auto* s = new TElHeaderSection(owner_);
  s->collection_ = this;
  s->column_index_ = NextColumnIndex();
  s->unique_id_ = ++last_unique_id_;
  list_.Insert(Position, s);
  return s;
}

TElHeaderSection* TElHeaderSections::AppendSection() { return InsertSectionAt(Count()); }

TElHeaderSection* TElHeaderSections::InsertSectionAt(int Position) {
  Position = std::clamp(Position, 0, Count());
  if (owner_ == nullptr) return CreateAt(Position);
  owner_->HoldUpdates();
  struct Release {
    TCustomElHeader* h;
    ~Release() { h->ReleaseUpdates(); }
  } release{owner_};
  TElHeaderSection* s = CreateAt(Position);
  owner_->InvalidateFrom(Position);
  owner_->FireSectionCreate(s);
  return s;
}

void TElHeaderSections::RemoveSection(TElHeaderSection* Section) {
  if (Section == nullptr || IndexOf(Section) < 0) throw EElError("Invalid section");
  list_.Remove(Section);
  for (int i = 0; i < list_.Count(); ++i)
    static_cast<TElHeaderSection*>(list_.Get(i))->column_index_ = i;
  std::unique_ptr<TElHeaderSection> doomed(Section);
  if (owner_ != nullptr) {
    owner_->ForgetSection(Section);
    owner_->FireSectionDelete(Section);
  }
  doomed.reset();
  if (owner_ != nullptr) owner_->Invalidate();
}

void TElHeaderSections::RelocateSection(TElHeaderSection* Section, int NewPosition) {
  int old = IndexOf(Section);
  if (old < 0) throw EElError("Invalid section");
  NewPosition = std::clamp(NewPosition, 0, Count() - 1);
  if (old == NewPosition) return;
  list_.Move(old, NewPosition);
  if (owner_ != nullptr) {
    owner_->FireSectionMove(Section, old, NewPosition);
    owner_->Invalidate();
  }
}

void TElHeaderSections::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TElHeaderSections*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  Clear();
  for (int i = 0; i < src->Count(); ++i) {
    TElHeaderSection* from = src->ItemByPos(i);
    TElHeaderSection* to = CreateAt(Count());
    to->column_index_ = from->column_index_;
    to->hint_ = from->hint_;
    to->visible_ = from->visible_;
    to->style_ = from->style_;
    to->text_ = from->text_;
    to->width_ = from->width_;
    to->min_width_ = from->min_width_;
    to->max_width_ = from->max_width_;
    to->sort_mode_ = from->sort_mode_;
    to->allow_click_ = from->allow_click_;
    to->alignment_ = from->alignment_;
    to->expandable_ = from->expandable_;
    to->expanded_ = from->expanded_;
    to->parent_index_ =
        from->parent_section_ != nullptr ? from->parent_section_->column_index_ : -1;
    to->popup_menu_ = from->popup_menu_;
    to->popup_menu_name_ = from->popup_menu_name_;
    if (to->popup_menu_ != nullptr && owner_ != nullptr) to->popup_menu_->FreeNotification(owner_);
    to->lookup_enabled_ = from->lookup_enabled_;
    to->use_main_style_ = from->use_main_style_;
    to->text_layout_ = from->text_layout_;
    to->filter_enabled_ = from->filter_enabled_;
    to->parent_color_ = from->parent_color_;
    to->font_color_ = from->font_color_;
    to->color_ = from->color_;
    to->auto_size_ = from->auto_size_;
    to->picture_align_ = from->picture_align_;
    to->resizable_ = from->resizable_;
    to->click_select_ = from->click_select_;
    to->password_ = from->password_;
    to->image_index_ = from->image_index_;
    to->editable_ = from->editable_;
  }
  LinkParents();
  if (owner_ != nullptr) {
    owner_->StoreRatios();
    owner_->Invalidate();
  }
}

// Each section's parent is the section whose ColumnIndex it stored, unless
// that would close a loop.
void TElHeaderSections::LinkParents() {
  for (int i = 0; i < Count(); ++i) {
    TElHeaderSection* s = ItemByPos(i);
    s->parent_section_ = nullptr;
  }
  for (int i = 0; i < Count(); ++i) {
    TElHeaderSection* s = ItemByPos(i);
    int32_t wanted = s->parent_index_;
    if (wanted < 0) continue;
    TElHeaderSection* p = Item(wanted);
    bool loop = false;
    for (const TElHeaderSection* a = p; a != nullptr; a = a->parent_section_)
      if (a == s) {
        loop = true;
        break;
      }
    if (p != nullptr && !loop) s->parent_section_ = p;
  }
}

// ---------------------------------------------------------------- "Data" stream

namespace {

constexpr int32_t kCurrentVersion = -10;

void Put8(std::vector<uint8_t>& B, size_t Offset, uint8_t V) { B[Offset] = V; }
void Put32(std::vector<uint8_t>& B, size_t Offset, int32_t V) {
  uint32_t u = static_cast<uint32_t>(V);
  for (int i = 0; i < 4; ++i) B[Offset + i] = static_cast<uint8_t>(u >> (8 * i));
}
int32_t Get32(const std::vector<uint8_t>& B, size_t Offset) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(B[Offset + i]) << (8 * i);
  return static_cast<int32_t>(u);
}

void WriteInt(TStream* S, int32_t V) {
  std::vector<uint8_t> b(4);
  Put32(b, 0, V);
  S->WriteBuffer(b.data(), 4);
}

int32_t ReadInt(TStream* S) {
  std::vector<uint8_t> b(4);
  S->ReadBuffer(b.data(), 4);
  return Get32(b, 0);
}

[[noreturn]] void Malformed(const std::string& What) {
  throw EReadError("Invalid header section data: " + What);
}

// A zero-terminated text: int32 n (length + 1), then n bytes.
void WriteZText(TStream* S, const std::string& Text) {
  WriteInt(S, static_cast<int32_t>(Text.size() + 1));
  S->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
  uint8_t zero = 0;
  S->WriteBuffer(&zero, 1);
}

std::string ReadZText(TStream* S) {
  int32_t n = ReadInt(S);
  if (n <= 0) Malformed("text length");
  if (n > S->Size() - S->Position()) Malformed("text past the end");
  std::string bytes(static_cast<size_t>(n), '\0');
  S->ReadBuffer(bytes.data(), n);
  bytes.resize(std::strlen(bytes.c_str()));  // the text ends at the first zero
  return bytes;
}

std::string ReadCounted(TStream* S) {
  int32_t n = ReadInt(S);
  if (n < 0) Malformed("negative string length");
  if (n > S->Size() - S->Position()) Malformed("string past the end");
  std::string text(static_cast<size_t>(n), '\0');
  if (n > 0) S->ReadBuffer(text.data(), n);
  return text;
}

template <typename E>
E Enum(uint8_t V, E Last) {
  if (V > static_cast<uint8_t>(Last)) Malformed("value out of range");
  return static_cast<E>(V);
}

bool Flag(uint8_t V) { return V != 0; }

}  // namespace

void TElHeaderSections::SaveToStream(TStream* Stream) const {
  WriteInt(Stream, kCurrentVersion);
  WriteInt(Stream, Count());
  for (int i = 0; i < Count(); ++i) {
    const TElHeaderSection* s = ItemByPos(i);
    std::vector<uint8_t> r(68, 0);
    Put8(r, 4, s->lookup_enabled_);
    Put32(r, 8, s->parent_section_ != nullptr ? s->parent_section_->column_index_ : -1);
    Put8(r, 12, s->expandable_);
    Put8(r, 13, s->expanded_);
    Put8(r, 14, s->visible_);
    Put8(r, 15, s->click_select_);
    Put8(r, 16, s->resizable_);
    Put8(r, 17, s->style_);
    Put32(r, 20, s->width_);
    Put32(r, 24, s->min_width_);
    Put32(r, 28, s->max_width_);
    Put8(r, 32, s->sort_mode_);
    Put8(r, 33, s->allow_click_);
    Put8(r, 34, s->alignment_);
    Put32(r, 36, s->unique_id_);
    Put32(r, 40, s->column_index_);
    Put8(r, 44, s->field_type_);
    Put8(r, 45, s->editable_);
    Put32(r, 48, s->image_index_);
    Put8(r, 52, s->picture_align_);
    Put8(r, 53, s->password_);
    Put8(r, 54, s->parent_color_);
    Put32(r, 56, s->color_);
    Put32(r, 60, s->font_color_);
    Put8(r, 64, s->filter_enabled_);
    Put8(r, 65, s->text_layout_);
    Put8(r, 66, s->use_main_style_);
    Put8(r, 67, s->auto_size_);
    Stream->WriteBuffer(r.data(), 68);
    WriteZText(Stream, s->text_);
    WriteZText(Stream, s->field_name_);
    if (!WriteCountedString(Stream, s->popup_menu_name_) || !WriteCountedString(Stream, s->hint_))
      throw EWriteError("Stream write error");
  }
}

void TElHeaderSections::ReadSections(TStream* Stream) {
  const int32_t version = ReadInt(Stream);
  int record = 0;
  int strings_min = 0;  // the fewest bytes the strings after a record take
  switch (version) {
    case -10:
      record = 68;
      strings_min = 5 + 5 + 4 + 4;
      break;
    case -9:
    case -8:
      record = 64;
      strings_min = 5 + 5 + 4 + 4;
      break;
    case -6:
      record = 52;
      strings_min = 5 + 5 + 4;
      break;
    case -5:
      record = 52;
      strings_min = 5 + 5;
      break;
    case -4:
      record = 36;
      strings_min = 5 + 5;
      break;
    default: Malformed("unknown version " + std::to_string(version));
  }
  const int32_t count = ReadInt(Stream);
  const int64_t left = Stream->Size() - Stream->Position();
  if (count < 0 || static_cast<int64_t>(count) * (record + strings_min) > left)
    Malformed("section count");

  std::set<int32_t> used_ids;
  std::vector<int32_t> wanted_columns;
  std::vector<uint8_t> r(static_cast<size_t>(record));
  for (int32_t n = 0; n < count; ++n) {
    Stream->ReadBuffer(r.data(), record);
    // The column numbers are settled once every section is read.
    auto* s = new TElHeaderSection(owner_);
    s->collection_ = this;
    s->unique_id_ = ++last_unique_id_;
    list_.Add(s);
    int32_t column = 0;
    int32_t unique_id = 0;
    if (version == -4) {
      s->visible_ = Flag(r[0]);
      s->click_select_ = Flag(r[1]);
      s->resizable_ = Flag(r[2]);
      s->style_ = Enum(r[3], ElhsPictureOnly);
      s->width_ = Get32(r, 4);
      s->min_width_ = Get32(r, 8);
      s->max_width_ = Get32(r, 12);
      s->sort_mode_ = Enum(r[16], hsmDescend);
      s->allow_click_ = Flag(r[17]);
      s->alignment_ = Enum(r[18], hsaRight);
      column = Get32(r, 20);
      s->field_type_ = Enum(r[24], sftCurrency);
      s->editable_ = Flag(r[25]);
      s->image_index_ = Get32(r, 28);
      s->picture_align_ = Enum(r[32], hsaRight);
      s->password_ = Flag(r[33]);
    } else {
      s->lookup_enabled_ = Flag(r[4]);
      s->parent_index_ = Get32(r, 8);
      s->expandable_ = Flag(r[12]);
      s->expanded_ = Flag(r[13]);
      s->visible_ = Flag(r[14]);
      s->click_select_ = Flag(r[15]);
      s->resizable_ = Flag(r[16]);
      s->style_ = Enum(r[17], ElhsPictureOnly);
      s->width_ = Get32(r, 20);
      s->min_width_ = Get32(r, 24);
      s->max_width_ = Get32(r, 28);
      s->sort_mode_ = Enum(r[32], hsmDescend);
      s->allow_click_ = Flag(r[33]);
      s->alignment_ = Enum(r[34], hsaRight);
      // From offset 36 on, version -10 has the section's id first.
      const size_t o = version == -10 ? 4 : 0;
      if (version == -10) unique_id = Get32(r, 36);
      column = Get32(r, 36 + o);
      s->field_type_ = Enum(r[40 + o], sftCurrency);
      s->editable_ = Flag(r[41 + o]);
      s->image_index_ = Get32(r, 44 + o);
      s->picture_align_ = Enum(r[48 + o], hsaRight);
      s->password_ = Flag(r[49 + o]);
      if (version == -10 || version == -9 || version == -8) {
        s->parent_color_ = Flag(r[50 + o]);
        s->color_ = Get32(r, 52 + o);
        s->font_color_ = Get32(r, 56 + o);
        s->filter_enabled_ = Flag(r[60 + o]);
        s->text_layout_ = Enum(r[61 + o], tlBottom);
        s->use_main_style_ = Flag(r[62 + o]);
        if (version != -8) s->auto_size_ = Flag(r[63 + o]);
      }
      if (s->parent_index_ < -1) Malformed("parent column");
    }
    if (s->width_ < 0 || s->min_width_ < 0 || s->max_width_ < 0 || s->min_width_ > s->max_width_)
      Malformed("section width");
    if (s->lookup_enabled_ && s->filter_enabled_) s->filter_enabled_ = false;
    if (column < 0) Malformed("column number");
    wanted_columns.push_back(column);
    // An id already taken leaves the later section its fresh one, so
    // SectionByUniqueId stays unambiguous.
    if (version == -10 && unique_id > 0 && used_ids.count(unique_id) == 0) {
      s->unique_id_ = unique_id;
      last_unique_id_ = std::max(last_unique_id_, unique_id);
    }
    used_ids.insert(s->unique_id_);

    s->text_ = ReadZText(Stream);
    s->field_name_ = ReadZText(Stream);
    const bool long_record = version == -10 || version == -9 || version == -8;
    if (long_record || version == -6) s->popup_menu_name_ = ReadCounted(Stream);
    if (long_record) s->hint_ = ReadCounted(Stream);
  }
  // Each section takes its stored column number unless an earlier one has it;
  // the later duplicates get the smallest numbers left, so Item stays unambiguous.
  std::set<int32_t> taken;
  std::vector<bool> placed(wanted_columns.size(), false);
  for (size_t i = 0; i < wanted_columns.size(); ++i) {
    if (taken.insert(wanted_columns[i]).second) {
      ItemByPos(static_cast<int>(i))->column_index_ = wanted_columns[i];
      placed[i] = true;
    }
  }
  int32_t next = 0;
  for (size_t i = 0; i < wanted_columns.size(); ++i) {
    if (placed[i]) continue;
    while (taken.count(next) != 0) ++next;
    taken.insert(next);
    ItemByPos(static_cast<int>(i))->column_index_ = next;
  }
  LinkParents();
}

void TElHeaderSections::LoadFromStream(TStream* Stream) {
  TElHeaderSections fresh(nullptr);
  fresh.ReadSections(Stream);
  // Success: the read sections replace the old ones and join this header.
  Clear();
  last_unique_id_ = fresh.last_unique_id_;
  while (fresh.Count() > 0) {
    auto* s = static_cast<TElHeaderSection*>(fresh.list_.DetachAt(0));
    s->owner_ = owner_;
    s->collection_ = this;
    list_.Add(s);
  }
  if (owner_ != nullptr) {
    for (int i = 0; i < Count(); ++i) {
      TElHeaderSection* s = ItemByPos(i);
      if (s->popup_menu_ != nullptr) s->popup_menu_->FreeNotification(owner_);
    }
    owner_->ForgetSection(nullptr);
    owner_->Invalidate();
  }
}

}  // namespace lumicast
