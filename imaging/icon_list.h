// TIconList: an ordered list of owned icons (an entry may be empty, held as
// null) that a component can store in its form data as the binary property
// "Icons": a 32-bit count, then per entry a 32-bit size and that many bytes
// of the icon file (size 0 for an empty entry), all little-endian.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/icon.h"
#include "platform/classlib/object.h"
#include "platform/classlib/stream.h"

namespace lumicast {

class TIconList : public classlib::TPersistent {
 public:
  TIconList();
  ~TIconList() override;
  std::string ClassName() const override { return "TIconList"; }

  // Adds a copy of Icon (an empty entry for null); returns its index.
  int Add(classlib::TIcon* Icon);
  // Adds the icon registered as the named resource ResName of module Instance.
  int AddResource(uintptr_t Instance, const std::string& ResName);
  void Insert(int Index, classlib::TIcon* Icon);
  void InsertResource(int Index, uintptr_t Instance, const std::string& ResName);
  // Index may equal Count (an empty entry is appended first); the entry gets
  // a copy of Icon, created when the entry was empty.
  void Put(int Index, classlib::TIcon* Icon);
  // The icon at Index; null for an empty entry.
  classlib::TIcon* Get(int Index) const;
  void Delete(int Index);
  void Clear();
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  int IndexOf(const classlib::TIcon* Icon) const;
  int Count() const { return static_cast<int>(items_.size()); }

  // The first BeginUpdate raises OnChanging, the last EndUpdate OnChange;
  // between them changes are not reported one by one.
  void BeginUpdate();
  void EndUpdate();

  // Another icon list: copies of all its icons; an icon: that icon alone;
  // null: clears.
  void Assign(classlib::TPersistent* Source) override;

  // The "Icons" property. ReadData raises EReadError for a truncated or
  // forged stream and EInvalidGraphic "Icon image is not valid" for an entry
  // that does not decode; the list is replaced only when the whole property
  // was read.
  void ReadData(classlib::TStream* Stream);
  void WriteData(classlib::TStream* Stream) const;
  // Whether the property is stored, given the inherited list (null when the
  // component has no ancestor).
  bool ShouldStore(const TIconList* Inherited) const;

  classlib::TNotifyEvent OnChanging;
  classlib::TNotifyEvent OnChange;

 private:
  std::unique_ptr<classlib::TIcon> Copy(classlib::TIcon* Icon);
  void Adopt(classlib::TIcon* Icon);
  void CheckIndex(int Index) const;
  void Changed();
  static std::vector<uint8_t> IconBytes(classlib::TIcon* Icon);

  std::vector<std::unique_ptr<classlib::TIcon>> items_;
  int update_count_ = 0;
};

// Makes TPicture read the "Icon" clipboard format as TIcon, so that pictures
// holding icons can be pasted. Calling it again changes nothing.
void RegisterIconClipboardFormat();

}  // namespace lumicast
