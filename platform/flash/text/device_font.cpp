// Device fonts: the system's Noto Sans faces read with FreeType stand in for every font name a
// movie asks for; without them, Liberation and DejaVu faces of the name's family do. Outlines are taken unhinted in font units, so one outline serves
// every size and the renderer scales it like an embedded glyph.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/flash/text/font_face.h"

namespace flash::text {
namespace {

enum class Family { Sans, Serif, Mono, Wide };

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// Whether some name of a list of names ("Verdana, Arial") is one the device faces stand for.
bool KnownName(const std::string& name, const std::map<std::string, Family>& names,
               Family* family) {
  std::string all = Lower(name);
  for (size_t start = 0; start <= all.size();) {
    size_t end = all.find(',', start);
    if (end == std::string::npos) end = all.size();
    std::string one = all.substr(start, end - start);
    size_t first = one.find_first_not_of(" \t");
    one = first == std::string::npos ? std::string()
                                     : one.substr(first, one.find_last_not_of(" \t") - first + 1);
    auto it = names.find(one);
    if (it != names.end()) {
      if (family) *family = it->second;
      return true;
    }
    start = end + 1;
  }
  return false;
}

const std::map<std::string, Family>& Names() {
  static const std::map<std::string, Family> kNames = {
      {"_sans", Family::Sans},
      {"arial", Family::Sans},
      {"helvetica", Family::Sans},
      {"arial black", Family::Sans},
      {"segoe ui", Family::Sans},
      {"calibri", Family::Sans},
      {"ms sans serif", Family::Sans},
      {"microsoft sans serif", Family::Sans},
      {"lucida grande", Family::Sans},
      {"geneva", Family::Sans},
      {"liberation sans", Family::Sans},
      {"verdana", Family::Wide},
      {"tahoma", Family::Wide},
      {"trebuchet ms", Family::Wide},
      {"dejavu sans", Family::Wide},
      {"_serif", Family::Serif},
      {"times new roman", Family::Serif},
      {"times", Family::Serif},
      {"georgia", Family::Serif},
      {"palatino", Family::Serif},
      {"palatino linotype", Family::Serif},
      {"book antiqua", Family::Serif},
      {"garamond", Family::Serif},
      {"ms serif", Family::Serif},
      {"liberation serif", Family::Serif},
      {"dejavu serif", Family::Serif},
      {"_typewriter", Family::Mono},
      {"courier new", Family::Mono},
      {"courier", Family::Mono},
      {"lucida console", Family::Mono},
      {"monaco", Family::Mono},
      {"consolas", Family::Mono},
      {"liberation mono", Family::Mono},
      {"dejavu sans mono", Family::Mono},
  };
  return kNames;
}

Family FamilyOf(const std::string& name) {
  // A list of names takes the first one known.
  Family f = Family::Sans;
  KnownName(name, Names(), &f);
  return f;
}

// Candidate files of a family and style, best first.
std::vector<std::string> FileNames(Family f, bool bold, bool italic) {
  int s = (bold ? 1 : 0) + (italic ? 2 : 0);
  static const char* liberation_style[] = {"Regular", "Bold", "Italic", "BoldItalic"};
  static const char* dejavu_style[] = {"", "-Bold", "-Oblique", "-BoldOblique"};
  static const char* dejavu_serif_style[] = {"", "-Bold", "-Italic", "-BoldItalic"};
  static const char* noto_style[] = {"Regular", "Bold", "Italic", "BoldItalic"};
  std::string lib = std::string("-") + liberation_style[s] + ".ttf";
  // Every device font name is drawn with the one default typeface where it is installed, so
  // text measures and looks the same whichever name a movie gives; the family's own faces
  // stand in without it.
  std::string noto = std::string("NotoSans-") + noto_style[s] + ".ttf";
  switch (f) {
    case Family::Sans:
      return {noto, "LiberationSans" + lib, std::string("DejaVuSans") + dejavu_style[s] + ".ttf"};
    case Family::Wide:
      return {noto, std::string("DejaVuSans") + dejavu_style[s] + ".ttf", "LiberationSans" + lib};
    case Family::Serif:
      return {noto, "LiberationSerif" + lib,
              std::string("DejaVuSerif") + dejavu_serif_style[s] + ".ttf"};
    case Family::Mono:
      return {noto, "LiberationMono" + lib,
              std::string("DejaVuSansMono") + dejavu_style[s] + ".ttf"};
  }
  return {};
}

// Finds a font file by name: first in the folders the install script fills, then anywhere under
// the system's font folders.
std::string FindFontFile(const std::string& file) {
  namespace fs = std::filesystem;
  static const char* kDirs[] = {"/usr/share/fonts/truetype/noto",
                                "/usr/share/fonts/truetype/liberation2",
                                "/usr/share/fonts/truetype/liberation",
                                "/usr/share/fonts/truetype/dejavu"};
  std::error_code ec;
  for (const char* d : kDirs) {
    fs::path p = fs::path(d) / file;
    if (fs::exists(p, ec)) return p.string();
  }
  for (const char* root : {"/usr/share/fonts", "/usr/local/share/fonts"}) {
    for (fs::recursive_directory_iterator
             it(root, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
      if (it->path().filename() == file) return it->path().string();
    }
    ec.clear();
  }
  return {};
}

std::mutex& Lock() {
  static std::mutex m;
  return m;
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

// Collects an outline's contours as shape paths, y turned downwards.
struct OutlineSink {
  ShapeDef* shape;
  ShapePath path;
  int32_t x = 0, y = 0;

  void Flush() {
    if (!path.edges.empty()) shape->groups.front().paths.push_back(std::move(path));
    path = ShapePath{};
    path.fill0 = 1;
  }
  static int Move(const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    s->Flush();
    s->x = static_cast<int32_t>(to->x);
    s->y = static_cast<int32_t>(-to->y);
    s->path.start_x = s->x;
    s->path.start_y = s->y;
    return 0;
  }
  static int Line(const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    s->x = static_cast<int32_t>(to->x);
    s->y = static_cast<int32_t>(-to->y);
    s->path.edges.push_back({false, 0, 0, s->x, s->y});
    return 0;
  }
  static int Conic(const FT_Vector* c, const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    s->x = static_cast<int32_t>(to->x);
    s->y = static_cast<int32_t>(-to->y);
    s->path.edges.push_back(
        {true, static_cast<int32_t>(c->x), static_cast<int32_t>(-c->y), s->x, s->y});
    return 0;
  }
  // Cubic curves (fonts with PostScript outlines) become two quadratic halves.
  static int Cubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    struct P {
      double x, y;
    };
    auto mid = [](P a, P b) { return P{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
    // Quadratic control point that best matches a cubic segment.
    auto quad = [](P p0, P a, P b, P p3) {
      return P{(3 * (a.x + b.x) - p0.x - p3.x) / 4, (3 * (a.y + b.y) - p0.y - p3.y) / 4};
    };
    P p0{static_cast<double>(s->x), static_cast<double>(-s->y)};
    P k1{static_cast<double>(c1->x), static_cast<double>(c1->y)},
        k2{static_cast<double>(c2->x), static_cast<double>(c2->y)};
    P p3{static_cast<double>(to->x), static_cast<double>(to->y)};
    P l1 = mid(p0, k1), m12 = mid(k1, k2), r2 = mid(k2, p3);
    P l2 = mid(l1, m12), r1 = mid(m12, r2), m = mid(l2, r1);
    P q1 = quad(p0, l1, l2, m), q2 = quad(m, r1, r2, p3);
    auto i = [](double v) { return static_cast<int32_t>(std::lround(v)); };
    s->path.edges.push_back({true, i(q1.x), i(-q1.y), i(m.x), i(-m.y)});
    s->path.edges.push_back({true, i(q2.x), i(-q2.y), i(p3.x), i(-p3.y)});
    s->x = i(p3.x);
    s->y = i(-p3.y);
    return 0;
  }
};

class DeviceFontFace : public Face {
 public:
  explicit DeviceFontFace(FT_Face face) : face_(face) {
    em_ = face->units_per_EM ? face->units_per_EM : 2048;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      ascent_ = os2->usWinAscent;
      descent_ = os2->usWinDescent;
    } else {
      ascent_ = face->ascender;
      descent_ = -face->descender;
    }
    leading_ = std::max(0, face->height - (face->ascender - face->descender));
  }
  double EmSquare() const override { return em_; }
  int GlyphOf(char32_t c) const override {
    std::lock_guard<std::mutex> g(Lock());
    FT_UInt i = FT_Get_Char_Index(face_, c);
    return i == 0 ? -1 : static_cast<int>(i);
  }
  double Advance(int glyph) const override {
    std::lock_guard<std::mutex> g(Lock());
    return Entry(glyph).advance;
  }
  double Kerning(char32_t l, char32_t r) const override {
    std::lock_guard<std::mutex> g(Lock());
    if (!FT_HAS_KERNING(face_)) return 0;
    FT_Vector k{0, 0};
    FT_Get_Kerning(face_, FT_Get_Char_Index(face_, l), FT_Get_Char_Index(face_, r),
                   FT_KERNING_UNSCALED, &k);
    return static_cast<double>(k.x);
  }
  double Ascent() const override { return ascent_; }
  double Descent() const override { return descent_; }
  double Leading() const override { return leading_; }
  const ShapeDef* Outline(int glyph) const override {
    std::lock_guard<std::mutex> g(Lock());
    const GlyphEntry& e = Entry(glyph);
    return e.shape.groups.front().paths.empty() ? nullptr : &e.shape;
  }
  bool IsDevice() const override { return true; }

 private:
  struct GlyphEntry {
    double advance = 0;
    ShapeDef shape;
  };
  // The glyph's advance and outline, loaded on first use. Called with the lock held.
  const GlyphEntry& Entry(int glyph) const {
    auto it = glyphs_.find(glyph);
    if (it != glyphs_.end()) return it->second;
    GlyphEntry& e = glyphs_[glyph];
    FillStyle white;
    white.color = {255, 255, 255, 255};
    e.shape.groups.emplace_back();
    e.shape.groups.front().fill_styles.push_back(white);
    e.shape.non_zero_winding = true;
    if (glyph >= 0 && FT_Load_Glyph(face_, static_cast<FT_UInt>(glyph),
                                    FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0) {
      e.advance = static_cast<double>(face_->glyph->advance.x);
      if (face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline_Funcs funcs{};
        funcs.move_to = &OutlineSink::Move;
        funcs.line_to = &OutlineSink::Line;
        funcs.conic_to = &OutlineSink::Conic;
        funcs.cubic_to = &OutlineSink::Cubic;
        OutlineSink sink{&e.shape, {}};
        sink.path.fill0 = 1;
        FT_Outline_Decompose(&face_->glyph->outline, &funcs, &sink);
        sink.Flush();
        FT_BBox box;
        FT_Outline_Get_CBox(&face_->glyph->outline, &box);
        e.shape.bounds = {static_cast<int32_t>(box.xMin), static_cast<int32_t>(box.xMax),
                          static_cast<int32_t>(-box.yMax), static_cast<int32_t>(-box.yMin)};
        e.shape.edge_bounds = e.shape.bounds;
      }
    }
    return e;
  }

  FT_Face face_;
  double em_, ascent_, descent_, leading_;
  mutable std::unordered_map<int, GlyphEntry> glyphs_;
};

}  // namespace

bool HasDeviceFont(const std::string& name) { return KnownName(name, Names(), nullptr); }

const Face* DeviceFace(const std::string& name, bool bold, bool italic) {
  Family family = FamilyOf(name);
  // Names that come to the same font file share one face.
  static std::map<std::tuple<Family, bool, bool>, const DeviceFontFace*> chosen;
  static std::map<std::string, std::unique_ptr<DeviceFontFace>> by_file;
  std::lock_guard<std::mutex> g(Lock());
  auto key = std::make_tuple(family, bold, italic);
  auto it = chosen.find(key);
  if (it != chosen.end()) return it->second;
  const DeviceFontFace*& slot = chosen[key];
  slot = nullptr;
  if (!Library()) return nullptr;
  for (const std::string& file : FileNames(family, bold, italic)) {
    std::string path = FindFontFile(file);
    if (path.empty()) continue;
    auto loaded = by_file.find(path);
    if (loaded != by_file.end()) {
      slot = loaded->second.get();
      break;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(Library(), path.c_str(), 0, &face) != 0) continue;
    slot = (by_file[path] = std::make_unique<DeviceFontFace>(face)).get();
    break;
  }
  return slot;
}

}  // namespace flash::text
