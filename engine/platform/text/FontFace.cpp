#include "platform/text/FontFace.h"

#include "platform/text/Utf8.h"

#include <array>
#include <atomic>
#include <cmath>
#include <iterator>
#include <limits>
#include <unordered_map>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TYPE1_TABLES_H

namespace vq::text {

namespace {

struct LibraryDeleter {
  void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

// An SFNT name record as UTF-8 (Windows Unicode records are UTF-16BE; Mac
// Roman ones are taken for their ASCII part).
std::string sfntName(FT_Face face, FT_UShort nameId) {
  FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  std::string mac;
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName n;
    if (FT_Get_Sfnt_Name(face, i, &n) != 0 || n.name_id != nameId) continue;
    if (n.platform_id == TT_PLATFORM_MICROSOFT || n.platform_id == TT_PLATFORM_APPLE_UNICODE) {
      std::string out;
      for (FT_UInt k = 0; k + 1 < n.string_len; k += 2) {
        uint32_t u = (n.string[k] << 8) | n.string[k + 1];
        if (u >= 0xD800 && u <= 0xDBFF && k + 3 < n.string_len) {
          uint32_t lo = (n.string[k + 2] << 8) | n.string[k + 3];
          if (lo >= 0xDC00 && lo <= 0xDFFF) {
            appendUTF8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
            k += 2;
            continue;
          }
        }
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        appendUTF8(out, u);
      }
      if (!out.empty() && (n.platform_id != TT_PLATFORM_MICROSOFT || n.language_id == 0x409)) return out;
      if (mac.empty()) mac = out;
    } else if (n.platform_id == TT_PLATFORM_MACINTOSH && mac.empty()) {
      for (FT_UInt k = 0; k < n.string_len; ++k)
        if (n.string[k] >= 0x20 && n.string[k] < 0x7F) mac += static_cast<char>(n.string[k]);
    }
  }
  return mac;
}

std::string asciiOnly(const char* s) {
  std::string out;
  if (!s) return out;
  for (; *s; ++s)
    if (static_cast<unsigned char>(*s) >= 0x20 && static_cast<unsigned char>(*s) < 0x7F) out += *s;
  return out;
}

}  // namespace

struct FontFace::Impl {
  std::string data;  // FreeType reads from these bytes for the face's life
  LibraryPtr library;
  FacePtr face;
  mutable std::mutex mutex;
  // The characters the font's Unicode map takes to a glyph: the lowest of
  // all, and the lowest outside the controls and the private-use area.
  struct Characters {
    uint32_t lowest = 0;
    std::optional<uint32_t> text;
  };
  // Glyph to characters, read from the Unicode map on first use.
  mutable std::optional<std::unordered_map<uint32_t, Characters>> charactersOfGlyph;
  // Advances of the one-byte characters, once each: the text interpreter
  // measures a font's blank for every glyph it shows. NaN until known; the
  // face never changes, so threads that race store the same value.
  static constexpr uint32_t kKeptAdvances = 256;
  mutable std::array<std::atomic<double>, kKeptAdvances> keptAdvances;
  Impl() {
    for (auto& a : keptAdvances) a.store(std::numeric_limits<double>::quiet_NaN(), std::memory_order_relaxed);
  }

  // The entry of `glyph`, or nullptr; the mutex is held.
  const Characters* characters(uint32_t glyph) const {
    if (!charactersOfGlyph) {
      auto& map = charactersOfGlyph.emplace();
      FT_Face f = face.get();
      FT_CharMap unicode = nullptr;
      for (FT_Int i = 0; i < f->num_charmaps && !unicode; ++i)
        if (f->charmaps[i]->encoding == FT_ENCODING_UNICODE) unicode = f->charmaps[i];
      FT_CharMap previous = f->charmap;
      if (unicode && FT_Set_Charmap(f, unicode) == 0) {
        // Characters come in rising order: the first to reach a glyph is
        // its lowest.
        FT_UInt g = 0;
        for (FT_ULong c = FT_Get_First_Char(f, &g); g != 0; c = FT_Get_Next_Char(f, c, &g)) {
          Characters& entry = map.try_emplace(g, Characters{static_cast<uint32_t>(c), std::nullopt}).first->second;
          if (!entry.text && c >= 0x20 && !(c >= 0xE000 && c <= 0xF8FF)) entry.text = static_cast<uint32_t>(c);
        }
        // Other lookups go through the map that was selected before.
        if (previous) FT_Set_Charmap(f, previous);
        else f->charmap = nullptr;
      }
    }
    auto it = charactersOfGlyph->find(glyph);
    return it == charactersOfGlyph->end() ? nullptr : &it->second;
  }

  std::optional<uint32_t> glyph(uint32_t character) const {
    FT_UInt g = 0;
    if (face->charmap) {
      g = FT_Get_Char_Index(face.get(), character);
      // Symbol TrueType fonts map their codes into U+F000..U+F0FF.
      if (g == 0 && face->charmap->encoding == FT_ENCODING_MS_SYMBOL && character < 0x100)
        g = FT_Get_Char_Index(face.get(), 0xF000 | character);
    }
    if (g == 0) return std::nullopt;
    return g;
  }
  double advance(uint32_t glyph) const {
    FT_Fixed adv = 0;
    if (face->units_per_EM == 0 || FT_Get_Advance(face.get(), glyph, FT_LOAD_NO_SCALE, &adv) != 0) return 0;
    return static_cast<double>(adv) / face->units_per_EM;
  }
};

FontFace::FontFace(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
FontFace::~FontFace() = default;

template <class Open>
std::shared_ptr<FontFace> FontFace::openFace(std::unique_ptr<Impl> impl, Open&& open) {
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) return nullptr;
  impl->library.reset(lib);
  FT_Face face = nullptr;
  if (open(lib, &face) != 0) return nullptr;
  impl->face.reset(face);
  if (!face->charmap && face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);
  return std::shared_ptr<FontFace>(new FontFace(std::move(impl)));
}

std::shared_ptr<FontFace> FontFace::fromData(std::string data, int faceIndex) {
  if (data.empty()) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->data = std::move(data);
  const std::string& bytes = impl->data;
  return openFace(std::move(impl), [&](FT_Library lib, FT_Face* face) {
    return FT_New_Memory_Face(lib, reinterpret_cast<const FT_Byte*>(bytes.data()), static_cast<FT_Long>(bytes.size()),
                              faceIndex, face);
  });
}

std::shared_ptr<FontFace> FontFace::fromFile(const std::string& path, int faceIndex) {
  // FreeType reads the file as it needs it: collections of CJK faces run to
  // tens of megabytes, of which measuring reads a few tables.
  if (path.empty()) return nullptr;
  return openFace(std::make_unique<Impl>(),
                  [&](FT_Library lib, FT_Face* face) { return FT_New_Face(lib, path.c_str(), faceIndex, face); });
}

std::string FontFace::postScriptName() const {
  std::lock_guard lock(impl_->mutex);
  return asciiOnly(FT_Get_Postscript_Name(impl_->face.get()));
}

std::string FontFace::fullName() const {
  std::lock_guard lock(impl_->mutex);
  FT_Face face = impl_->face.get();
  if (FT_IS_SFNT(face)) {
    std::string n = sfntName(face, TT_NAME_ID_FULL_NAME);
    if (!n.empty()) return n;
  }
  PS_FontInfoRec info;
  if (FT_Get_PS_Font_Info(face, &info) == 0 && info.full_name) return asciiOnly(info.full_name);
  std::string family = asciiOnly(face->family_name), style = asciiOnly(face->style_name);
  if (family.empty()) return "";
  return style.empty() || style == "Regular" ? family : family + " " + style;
}

std::string FontFace::familyName() const {
  std::lock_guard lock(impl_->mutex);
  return asciiOnly(impl_->face->family_name);
}

std::string FontFace::styleName() const {
  std::lock_guard lock(impl_->mutex);
  return asciiOnly(impl_->face->style_name);
}

FontTraits FontFace::traits() const {
  std::lock_guard lock(impl_->mutex);
  FT_Face face = impl_->face.get();
  FontTraits t;
  t.bold = face->style_flags & FT_STYLE_FLAG_BOLD;
  t.italic = face->style_flags & FT_STYLE_FLAG_ITALIC;
  t.monospace = FT_IS_FIXED_WIDTH(face);
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
    if (os2->usWeightClass >= 600) t.bold = true;
    int cls = (os2->sFamilyClass >> 8) & 0xFF;
    t.serif = cls == 1 || cls == 2 || cls == 3 || cls == 4 || cls == 5 || cls == 7;
    t.script = cls == 10;
  }
  return t;
}

FontMetrics FontFace::metrics() const {
  std::lock_guard lock(impl_->mutex);
  FT_Face face = impl_->face.get();
  FontMetrics m;
  double em = face->units_per_EM ? face->units_per_EM : 1000;
  m.ascender = face->ascender / em;
  m.descender = face->descender / em;
  m.leading = (face->height - face->ascender + face->descender) / em;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->version >= 2 && os2->version != 0xFFFF) {
    m.capHeight = os2->sCapHeight / em;
    m.xHeight = os2->sxHeight / em;
  }
  if (auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST)))
    m.italicAngle = post->italicAngle / 65536.0;
  return m;
}

double FontFace::advanceOfGlyph(uint32_t glyph) const {
  std::lock_guard lock(impl_->mutex);
  if (glyph >= static_cast<uint32_t>(impl_->face->num_glyphs)) return 0;
  return impl_->advance(glyph);
}

std::optional<uint32_t> FontFace::glyphForChar(uint32_t character) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->glyph(character);
}

double FontFace::advanceOfChar(uint32_t character) const {
  std::atomic<double>* kept = character < Impl::kKeptAdvances ? &impl_->keptAdvances[character] : nullptr;
  if (kept) {
    const double known = kept->load(std::memory_order_relaxed);
    if (!std::isnan(known)) return known;
  }
  std::lock_guard lock(impl_->mutex);
  auto g = impl_->glyph(character);
  const double advance = g ? impl_->advance(*g) : 0;
  if (kept) kept->store(advance, std::memory_order_relaxed);
  return advance;
}

double FontFace::widthOfString(const std::string& utf8, double size) const {
  std::lock_guard lock(impl_->mutex);
  double sum = 0;
  for (uint32_t cp : decodeUTF8(utf8)) {
    auto g = impl_->glyph(cp);
    if (!g) return 0;
    sum += impl_->advance(*g);
  }
  return sum * size;
}

std::vector<std::string> FontFace::builtinEncodingGlyphNames() const {
  std::lock_guard lock(impl_->mutex);
  FT_Face face = impl_->face.get();
  if (!FT_HAS_GLYPH_NAMES(face)) return {};
  // FreeType presents a Type 1 or CFF font's own encoding as one of these maps.
  FT_CharMap builtin = nullptr;
  for (FT_Int i = 0; i < face->num_charmaps && !builtin; ++i) {
    FT_Encoding e = face->charmaps[i]->encoding;
    if (e == FT_ENCODING_ADOBE_CUSTOM || e == FT_ENCODING_ADOBE_STANDARD || e == FT_ENCODING_ADOBE_EXPERT ||
        e == FT_ENCODING_ADOBE_LATIN_1)
      builtin = face->charmaps[i];
  }
  if (!builtin) return {};
  FT_CharMap previous = face->charmap;
  if (FT_Set_Charmap(face, builtin) != 0) return {};
  std::vector<std::string> names(256);
  bool any = false;
  for (FT_ULong code = 0; code < 256; ++code) {
    FT_UInt glyph = FT_Get_Char_Index(face, code);
    char name[128] = {};
    if (glyph == 0 || FT_Get_Glyph_Name(face, glyph, name, sizeof name) != 0) continue;
    names[code] = asciiOnly(name);
    any = any || !names[code].empty();
  }
  // Other lookups go through the map that was selected before (none is a
  // valid state, which FT_Set_Charmap cannot restore).
  if (previous) FT_Set_Charmap(face, previous);
  else face->charmap = nullptr;
  if (!any) names.clear();
  return names;
}

std::optional<uint32_t> FontFace::unicodeOfGlyphName(const std::string& name) const {
  std::lock_guard lock(impl_->mutex);
  FT_Face face = impl_->face.get();
  if (name.empty() || !FT_HAS_GLYPH_NAMES(face)) return std::nullopt;
  const FT_UInt glyph = FT_Get_Name_Index(face, const_cast<FT_String*>(name.c_str()));
  if (glyph == 0) return std::nullopt;
  // The map runs from characters to glyphs: the lowest character that
  // reaches the glyph stands for it.
  const Impl::Characters* found = impl_->characters(glyph);
  if (!found) return std::nullopt;
  return found->lowest;
}

std::optional<uint32_t> FontFace::unicodeOfGlyph(uint32_t glyph) const {
  std::lock_guard lock(impl_->mutex);
  const Impl::Characters* found = impl_->characters(glyph);
  return found ? found->text : std::nullopt;
}

}  // namespace vq::text
