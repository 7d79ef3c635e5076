#include "platform/text/InstalledFonts.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <tuple>

#include <fontconfig/fontconfig.h>

namespace vq::text {

namespace {

struct ConfigDeleter {
  void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};
struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};

std::string patternString(FcPattern* p, const char* object) {
  FcChar8* v = nullptr;
  if (FcPatternGetString(p, object, 0, &v) != FcResultMatch || !v) return "";
  return reinterpret_cast<const char*>(v);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool isRegularStyle(const std::string& style) {
  for (const char* s : {"Regular", "Roman", "Book", "Normal", "Medium"})
    if (equalsIgnoringCase(style, s)) return true;
  return false;
}

// Fontconfig records as faces; records without a family or file are left out.
std::vector<InstalledFace> facesOf(const FcFontSet* set) {
  std::vector<InstalledFace> out;
  if (!set) return out;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* p = set->fonts[i];
    InstalledFace f;
    f.family = patternString(p, FC_FAMILY);
    f.style = patternString(p, FC_STYLE);
    f.fullName = patternString(p, FC_FULLNAME);
    f.postScriptName = patternString(p, FC_POSTSCRIPT_NAME);
    f.file = patternString(p, FC_FILE);
    int index = 0;
    if (FcPatternGetInteger(p, FC_INDEX, 0, &index) == FcResultMatch) f.index = index;
    if (f.family.empty() || f.file.empty()) continue;
    if (f.fullName.empty())
      f.fullName = isRegularStyle(f.style) || f.style.empty() ? f.family : f.family + " " + f.style;
    if (f.postScriptName.empty()) f.postScriptName = f.fullName;
    out.push_back(std::move(f));
  }
  return out;
}

bool faceOrder(const InstalledFace& a, const InstalledFace& b) {
  return std::tie(a.family, a.postScriptName, a.file, a.index) < std::tie(b.family, b.postScriptName, b.file, b.index);
}

// The fonts that match a pattern, listed through a configuration of our own:
// the one in configFile, or the system's files. It is released after the
// listing, rather than fontconfig's process-wide one that lives forever.
std::vector<InstalledFace> listFonts(const std::string& configFile, FcPattern* pattern) {
  std::unique_ptr<FcConfig, ConfigDeleter> config;
  if (!configFile.empty()) {
    config.reset(FcConfigCreate());
    if (!config || !FcConfigParseAndLoad(config.get(), reinterpret_cast<const FcChar8*>(configFile.c_str()), FcTrue) ||
        !FcConfigBuildFonts(config.get()))
      return {};
  } else {
    config.reset(FcInitLoadConfigAndFonts());
    if (!config) return {};
  }
  std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
      FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FULLNAME, FC_POSTSCRIPT_NAME, FC_FILE, FC_INDEX, nullptr));
  if (!pattern || !objects) return {};
  std::unique_ptr<FcFontSet, FontSetDeleter> set(FcFontList(config.get(), pattern, objects.get()));
  return facesOf(set.get());
}

struct State {
  std::mutex mutex;
  std::shared_ptr<FontProvider> provider;
  std::shared_ptr<const std::vector<InstalledFace>> faces;
  std::map<uint32_t, std::optional<InstalledFace>> covering;
  std::map<std::pair<std::string, int>, std::shared_ptr<FontFace>> loaded;
  unsigned generation = 1;
};

State& state() {
  static State s;
  return s;
}

}  // namespace

FontconfigProvider::FontconfigProvider(std::string configFile) : configFile_(std::move(configFile)) {}

std::vector<InstalledFace> FontconfigProvider::faces() const {
  std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
  return listFonts(configFile_, pattern.get());
}

std::vector<InstalledFace> FontconfigProvider::facesWithCharacter(uint32_t character) const {
  // A character set in the pattern lists the fonts whose own set holds it.
  std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
  FcCharSet* chars = FcCharSetCreate();
  if (!pattern || !chars) {
    if (chars) FcCharSetDestroy(chars);
    return {};
  }
  const bool ok = FcCharSetAddChar(chars, character) && FcPatternAddCharSet(pattern.get(), FC_CHARSET, chars);
  FcCharSetDestroy(chars);  // the pattern holds its own reference
  if (!ok) return {};
  return listFonts(configFile_, pattern.get());
}

std::vector<InstalledFace> FontProvider::facesWithCharacter(uint32_t character) const {
  std::vector<InstalledFace> out;
  for (auto& f : faces()) {
    auto loaded = FontFace::fromFile(f.file, f.index);
    if (loaded && loaded->glyphForChar(character)) out.push_back(std::move(f));
  }
  return out;
}

std::shared_ptr<const std::vector<InstalledFace>> InstalledFonts::faces() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.faces) {
    if (!s.provider) s.provider = std::make_shared<FontconfigProvider>();
    auto list = s.provider->faces();
    std::sort(list.begin(), list.end(), faceOrder);
    // One record per PostScript name within a family (fontconfig lists a
    // font once per file, and the same face may be installed twice).
    list.erase(std::unique(list.begin(), list.end(),
                           [](const InstalledFace& a, const InstalledFace& b) {
                             return a.family == b.family && a.postScriptName == b.postScriptName;
                           }),
               list.end());
    s.faces = std::make_shared<const std::vector<InstalledFace>>(std::move(list));
  }
  return s.faces;
}

void InstalledFonts::setProvider(std::shared_ptr<FontProvider> provider) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.provider = std::move(provider);
  s.faces.reset();
  s.covering.clear();
  s.loaded.clear();
  ++s.generation;
}

unsigned InstalledFonts::generation() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return s.generation;
}

std::optional<InstalledFace> InstalledFonts::findExact(const std::string& name) {
  if (name.empty()) return std::nullopt;
  auto list = faces();
  for (const auto& f : *list)
    if (equalsIgnoringCase(f.postScriptName, name)) return f;
  for (const auto& f : *list)
    if (equalsIgnoringCase(f.fullName, name)) return f;
  return findFamily(name);
}

std::optional<InstalledFace> InstalledFonts::findFamily(const std::string& family) {
  if (family.empty()) return std::nullopt;
  auto list = faces();
  const InstalledFace* first = nullptr;
  for (const auto& f : *list) {
    if (!equalsIgnoringCase(f.family, family)) continue;
    if (isRegularStyle(f.style)) return f;
    if (!first) first = &f;
  }
  if (first) return *first;
  return std::nullopt;
}

std::optional<InstalledFace> InstalledFonts::findCovering(uint32_t character) {
  State& s = state();
  std::shared_ptr<FontProvider> provider;
  unsigned generation = 0;
  {
    std::lock_guard lock(s.mutex);
    if (auto it = s.covering.find(character); it != s.covering.end()) return it->second;
    if (!s.provider) s.provider = std::make_shared<FontconfigProvider>();
    provider = s.provider;
    generation = s.generation;
  }
  // Asked outside the lock: the provider may load fonts or read
  // fontconfig's files, and other threads measure meanwhile.
  auto list = provider->facesWithCharacter(character);
  std::sort(list.begin(), list.end(), faceOrder);
  std::optional<InstalledFace> found;
  for (const auto& f : list) {
    if (found && f.family != found->family) break;
    if (!found) found = f;
    if (isRegularStyle(f.style)) {
      found = f;
      break;
    }
  }
  std::lock_guard lock(s.mutex);
  // A provider swapped meanwhile makes this answer stale: give it, keep it not.
  if (generation == s.generation) s.covering.emplace(character, found);
  return found;
}

std::shared_ptr<FontFace> InstalledFonts::load(const InstalledFace& face) {
  State& s = state();
  auto key = std::make_pair(face.file, face.index);
  {
    std::lock_guard lock(s.mutex);
    if (auto it = s.loaded.find(key); it != s.loaded.end()) return it->second;
  }
  auto loaded = FontFace::fromFile(face.file, face.index);
  std::lock_guard lock(s.mutex);
  return s.loaded.emplace(key, loaded).first->second;
}

}  // namespace vq::text
