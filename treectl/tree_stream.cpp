// The item stream: every item as one record (text, a fixed block of fields,
// hint, column texts, cell styles, the owner's bytes, then its children). The
// reader takes versions -10 to 0, checks every count and length against the
// bytes left before it allocates, and reads nested records without recursion.
#include <cstring>
#include <vector>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"
#include "treectl/tree.h"
#include "treectl/tree_view.h"

namespace lumicast {

using namespace classlib;

namespace {

constexpr int32_t kVersion = -10;
constexpr int32_t kHintMarker = -1;

template <typename T>
void Put(uint8_t* Block, int Offset, T Value) {
  std::memcpy(Block + Offset, &Value, sizeof Value);
}

template <typename T>
T Get(const uint8_t* Block, int Offset) {
  T v;
  std::memcpy(&v, Block + Offset, sizeof v);
  return v;
}

void WriteString(TStream* S, const std::string& Text) {
  int32_t n = static_cast<int32_t>(Text.size());
  S->WriteValue(n);
  if (n > 0) S->WriteBuffer(Text.data(), n);
}

}  // namespace

// Reads and writes item records; a friend of the items so that a loaded record
// sets their fields without the setters' events.
class TElItemStream {
 public:
  TElItemStream(TCustomElTree* Tree, TStream* Stream) : tree_(Tree), s_(Stream) {}

  void Write(TElTreeItem* Item);
  // Reads the root's record and every record below it.
  void ReadTree(TElTreeItem* Root);

 private:
  int64_t Left() { return s_->Size() - s_->Position(); }
  int32_t ReadInt() { return s_->ReadValue<int32_t>(); }
  uint8_t ReadByte() { return s_->ReadValue<uint8_t>(); }
  std::string ReadString();
  // Reads one record into Item up to its child count, which it returns.
  int32_t ReadRecord(TElTreeItem* Item);
  void WriteStyle(TElCellStyle* Style, bool Custom);
  void ReadStyle(TElCellStyle* Style, bool Custom);
  void ReadBlock(TElTreeItem* Item, int32_t Version);

  TCustomElTree* tree_;
  TStream* s_;
};

std::string TElItemStream::ReadString() {
  int32_t n = ReadInt();
  if (n < 0) throw EReadError("Invalid string header read from the stream");
  if (n > Left()) throw EReadError("Stream read error");
  std::string text(static_cast<size_t>(n), '\0');
  if (n > 0) s_->ReadBuffer(text.data(), n);
  return text;
}

void TElItemStream::WriteStyle(TElCellStyle* Style, bool Custom) {
  if (Custom) {
    tree_->OnCellStyleSave(tree_, s_, Style);
    return;
  }
  uint8_t b[36] = {};
  Put<uint32_t>(b, 0, Style->CellFillColor);
  Put<uint32_t>(b, 4, Style->TextFillColor);
  Put<uint32_t>(b, 8, Style->TextColor);
  Put<uint32_t>(b, 12, Style->TextDrawFlags);
  b[20] = Style->CellType;
  b[21] = Style->Style;
  b[22] = Style->UseOwnerLook ? 1 : 0;
  Put<int32_t>(b, 24, Style->FontSize);
  b[28] = Style->FontStyles;
  Put<uint32_t>(b, 32, Style->StyleTag);
  s_->WriteBuffer(b, sizeof b);
  WriteString(s_, Style->FontName);
}

void TElItemStream::ReadStyle(TElCellStyle* Style, bool Custom) {
  if (Custom) {
    tree_->OnCellStyleLoad(tree_, s_, Style);
    return;
  }
  uint8_t b[36];
  s_->ReadBuffer(b, sizeof b);
  Style->CellFillColor = Get<uint32_t>(b, 0);
  Style->TextFillColor = Get<uint32_t>(b, 4);
  Style->TextColor = Get<uint32_t>(b, 8);
  Style->TextDrawFlags = Get<uint32_t>(b, 12);
  Style->CellType = b[20] <= sftCurrency ? static_cast<TFieldTypes>(b[20]) : sftText;
  Style->Style = b[21];
  Style->UseOwnerLook = b[22] != 0;
  Style->FontSize = Get<int32_t>(b, 24);
  Style->FontStyles = b[28];
  Style->StyleTag = Get<uint32_t>(b, 32);
  Style->FontName = ReadString();
}

void TElItemStream::Write(TElTreeItem* Root) {
  // Records nest: an explicit stack keeps deep trees off the call stack.
  struct Frame {
    TElTreeItem* item;
    int next_child;
  };
  std::vector<Frame> stack;
  auto write_own = [&](TElTreeItem* Item) {
    s_->WriteValue<int32_t>(kVersion);
    WriteString(s_, Item->text_);
    uint8_t b[48] = {};
    Put<uint16_t>(b, 0, Item->state_set_);
    Put<int32_t>(b, 4, Item->image_index_);
    Put<int32_t>(b, 8, Item->state_image_index_);
    Put<int32_t>(b, 12, Item->force_buttons_ ? -1 : 0);
    Put<uint32_t>(b, 16, Item->color_);
    Put<uint32_t>(b, 20, Item->row_bk_color_);
    Put<uint32_t>(b, 24, Item->bk_color_);
    b[28] = Item->parent_colors_;
    b[29] = Item->parent_style_;
    b[30] = Item->check_box_enabled_;
    b[31] = Item->check_box_state_;
    b[32] = Item->show_check_box_;
    b[33] = Item->check_box_type_;
    Put<int32_t>(b, 36, Item->image_index2_);
    Put<int32_t>(b, 40, Item->state_image_index2_);
    b[44] = Item->enabled_;
    b[45] = Item->hidden_;
    b[46] = Item->use_bk_color_;
    s_->WriteBuffer(b, sizeof b);
    s_->WriteValue<uint8_t>(Item->use_bk_color_);
    s_->WriteValue<int32_t>(kHintMarker);
    WriteString(s_, Item->Hint);
    TStringList* texts = Item->column_text_.get();
    s_->WriteValue<int32_t>(texts->Count());
    for (int i = 0; i < texts->Count(); ++i) WriteString(s_, texts->Strings(i));
    s_->WriteValue<uint8_t>(Item->use_styles_);
    if (Item->use_styles_) {
      bool custom = static_cast<bool>(tree_->OnCellStyleSave);
      s_->WriteValue<uint8_t>(custom);
      WriteStyle(Item->main_style_.get(), custom);
      s_->WriteValue<int32_t>(Item->StylesCount());
      for (int i = 0; i < Item->StylesCount(); ++i) WriteStyle(Item->Styles(i), custom);
    }
    if (tree_->OnItemSave) tree_->OnItemSave(tree_, s_, Item);
    s_->WriteValue<int32_t>(Item->DirectChildCount());
  };
  write_own(Root);
  stack.push_back({Root, 0});
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next_child >= f.item->DirectChildCount()) {
      stack.pop_back();
      continue;
    }
    TElTreeItem* child = f.item->Children(f.next_child++);
    write_own(child);
    stack.push_back({child, 0});
  }
}

void TElItemStream::ReadBlock(TElTreeItem* Item, int32_t V) {
  int size = V == -10 ? 48 : (V >= -9 && V <= -4) ? 44 : V == -3 ? 32 : 0;
  if (size == 0) return;
  uint8_t b[48] = {};
  s_->ReadBuffer(b, size);
  // Focus and selection are never restored.
  uint16_t state = Get<uint16_t>(b, 0);
  state &= static_cast<uint16_t>(~((1u << stiFocused) | (1u << stiSelected)));
  for (int bit = 0; bit < 16; ++bit) Item->SetStateBit(bit, (state & (1u << bit)) != 0);
  Item->image_index_ = Get<int32_t>(b, 4);
  Item->state_image_index_ = Get<int32_t>(b, 8);
  Item->force_buttons_ = Get<int32_t>(b, 12) != 0;
  Item->color_ = Get<uint32_t>(b, 16);
  const int shift = V == -10 ? 4 : 0;  // the older blocks have no row colour
  if (V == -10) Item->row_bk_color_ = Get<uint32_t>(b, 20);
  Item->bk_color_ = Get<uint32_t>(b, 20 + shift);
  Item->parent_colors_ = b[24 + shift] != 0;
  Item->parent_style_ = b[25 + shift] != 0;
  Item->check_box_enabled_ = b[26 + shift] != 0;
  uint8_t cb_state = b[27 + shift];
  Item->check_box_state_ =
      cb_state <= cbGrayed ? static_cast<TCheckBoxState>(cb_state) : cbUnchecked;
  Item->show_check_box_ = b[28 + shift] != 0;
  uint8_t cb_type = b[29 + shift];
  Item->check_box_type_ =
      cb_type <= ectRadioButton ? static_cast<TElCheckBoxType>(cb_type) : ectCheckBox;
  if (V == -3) return;
  Item->image_index2_ = Get<int32_t>(b, 32 + shift);
  Item->state_image_index2_ = Get<int32_t>(b, 36 + shift);
  Item->enabled_ = b[40 + shift] != 0;
  bool hidden = b[41 + shift] != 0;
  if (V != -4 && hidden != Item->hidden_) {
    Item->hidden_ = hidden;
    tree_->ChangeHiddenCount(hidden ? 1 : -1);
  }
}

int32_t TElItemStream::ReadRecord(TElTreeItem* Item) {
  int32_t first = ReadInt();
  int32_t version = 0;
  if (first < 0) {
    version = first;
    if (version < kVersion)
      throw EReadError("Unsupported item record version " + std::to_string(version));
  }
  if (version < 0) {
    int32_t n = ReadInt();
    if (n < 0) throw EReadError("Invalid string header read from the stream");
    if (n > Left()) throw EReadError("Stream read error");
    Item->text_.assign(static_cast<size_t>(n), '\0');
    if (n > 0) s_->ReadBuffer(Item->text_.data(), n);
  } else {
    if (first > Left()) throw EReadError("Stream read error");
    Item->text_.assign(static_cast<size_t>(first), '\0');
    if (first > 0) s_->ReadBuffer(Item->text_.data(), first);
  }
  ReadBlock(Item, version);
  if (version >= -10 && version <= -6) Item->use_bk_color_ = ReadByte() != 0;
  int32_t count = ReadInt();
  if (count == kHintMarker) {
    Item->Hint = ReadString();
    count = ReadInt();
  }
  // Every string takes at least its 4-byte length.
  if (count < 0 || count > Left() / 4) throw EReadError("Invalid column text count");
  for (int32_t i = 0; i < count; ++i) Item->column_text_->Add(ReadString());
  if (version < 0) {
    bool use_styles = ReadByte() != 0;
    if (use_styles) {
      Item->SetUseStyles(true);
      bool custom = version < -1 && ReadByte() != 0;
      // Styles written by a handler can only be read by one: without it the
      // reader would lose its place.
      if (custom && !tree_->OnCellStyleLoad)
        throw EReadError("Custom cell styles need an OnCellStyleLoad handler");
      ReadStyle(Item->main_style_.get(), custom);
      int32_t styles = ReadInt();
      // A style block takes 40 bytes at least; a handler's style is taken
      // to need one, so that a count can never outgrow the stream.
      const int64_t least = custom ? 1 : 40;
      if (styles < 0 || styles > Left() / least) throw EReadError("Invalid cell style count");
      for (int32_t i = 0; i < styles; ++i) ReadStyle(Item->AddStyle(), custom);
    }
  }
  if (tree_->OnItemLoad) tree_->OnItemLoad(tree_, s_, Item);
  int32_t children = ReadInt();
  // A child record takes at least its 4-byte text length and 4-byte count.
  if (children < 0 || children > Left() / 8) throw EReadError("Invalid child count");
  return children;
}

void TElItemStream::ReadTree(TElTreeItem* Root) {
  struct Frame {
    TElTreeItem* item;
    int32_t left;
  };
  std::vector<Frame> stack;
  stack.push_back({Root, ReadRecord(Root)});
  Root->SetStateBit(stiExpanded, true);
  while (!stack.empty()) {
    if (stack.back().left == 0) {
      stack.pop_back();
      continue;
    }
    --stack.back().left;
    TElTreeItem* child =
        tree_->Items()->AddItem(stack.back().item == Root ? nullptr : stack.back().item);
    stack.push_back({child, ReadRecord(child)});
  }
}

void TCustomElTree::SaveToStream(TStream* Stream) {
  TElTreeItem* focused = ItemWithFocus();
  if (focused != nullptr) focused->SetStateBit(stiFocused, false);
  try {
    TElItemStream(this, Stream).Write(items_->Root());
  } catch (...) {
    if (focused != nullptr) focused->SetStateBit(stiFocused, true);
    throw;
  }
  if (focused != nullptr) focused->SetStateBit(stiFocused, true);
}

void TCustomElTree::LoadFromStream(TStream* Stream) {
  WithUpdate([&] {
    items_->Clear();
    ++loading_items_;
    try {
      TElItemStream(this, Stream).ReadTree(items_->Root());
    } catch (...) {
      --loading_items_;
      // Nothing half-read stays behind.
      items_->Clear();
      InvalidateLayout(lfAll);
      throw;
    }
    --loading_items_;
    InvalidateLayout(lfAll);
  });
}

}  // namespace lumicast
