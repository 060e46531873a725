// Fuzz entry point: any bytes as an INI file load, and every key of every section reads back as
// each value type (strings, numbers, dates, colours, fonts, binary data, numbered lists) without
// touching memory outside its buffers. Only class-library exceptions may come out of a read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/ini_file.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/string_list.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::StartApplication();
  return 0;
}

namespace {

void ReadEveryType(lumicast::TBiggerIniFile& ini, const std::string& section,
                   const std::string& key) {
  (void)ini.ReadString(section, key, "d");
  (void)ini.ReadBool(section, key, false);
  (void)ini.ReadInteger(section, key, -7);
  (void)ini.ReadFloat(section, key, 1.5L);
  (void)ini.ReadDateValue(section, key, 0);
  (void)ini.ReadTimeValue(section, key, 0);
  (void)ini.ReadDateTimeValue(section, key, 0);
  (void)ini.HasKey(section, key);
  uint8_t buffer[64];
  (void)ini.ReadBytes(section, key, sizeof buffer, buffer);
  try {
    (void)ini.ReadColor(section, key, classlib::clNone);
  } catch (const classlib::EConvertError&) {
  }
  classlib::TFont font;
  ini.ReadFont(section, key, &font);
  classlib::TStringList list;
  ini.ReadIndexedList(section, &list, true, 0, key, "x");
  ini.ReadIndexedList(section, &list, false, -2, key, "");

  lumicast::TCSIFont csi;
  csi.SetCommaText(ini.ReadString(section, key, ""));
  (void)csi.Name();
  (void)csi.Size();
  (void)csi.Style();
  (void)csi.Color();
  (void)csi.Charset();
  (void)csi.Pitch();
  for (int i = -1; i <= csi.Count(); ++i) {
    (void)csi.Element(i);
    (void)csi.IntegerElement(i);
    (void)csi.BoolElement(i);
    (void)csi.ColorElement(i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzsupport::TempInput file(".ini");
  file.Write(data, size);
  try {
    lumicast::TBiggerIniFile ini(file.Path());
    // Alternate the answer about sections that differ only in case.
    ini.OnDuplicateSection = [&](const std::string&, classlib::TStrings*, classlib::TStrings*) {
      return (size & 1) != 0;
    };
    // Read again through the smallest buffer, so that lines cross buffer boundaries.
    ini.SetTextBufferSize(1024);
    ini.UseFile(file.Path());
    classlib::TStringList sections;
    ini.GetSectionNames(&sections);
    classlib::TStringList image;
    ini.GetFileImage(&image);
    for (int s = 0; s < sections.Count() && s < 32; ++s) {
      const std::string section = sections.Strings(s);
      (void)ini.HasSection(section);
      classlib::TStringList keys;
      ini.GetKeyNames(section, &keys);
      classlib::TStringList lines;
      ini.GetSectionLines(section, &lines);
      for (int k = 0; k < keys.Count() && k < 64; ++k) ReadEveryType(ini, section, keys.Strings(k));
      ReadEveryType(ini, section, "missing");
    }
    ini.SetChanged(false);
  } catch (const classlib::Exception&) {
  }
  return 0;
}
