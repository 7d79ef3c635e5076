#include "platform/text/InstalledFonts.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <tuple>
#include <unordered_map>

#include <fontconfig/fontconfig.h>

#include "platform/text/InstalledFacesCache.h"

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

// A configuration of our own: the one in configFile, or the system's files.
// It is released after use, rather than fontconfig's process-wide one that
// lives forever.
std::unique_ptr<FcConfig, ConfigDeleter> loadConfig(const std::string& configFile) {
  std::unique_ptr<FcConfig, ConfigDeleter> config;
  if (configFile.empty()) {
    config.reset(FcInitLoadConfigAndFonts());
    return config;
  }
  config.reset(FcConfigCreate());
  if (!config || !FcConfigParseAndLoad(config.get(), reinterpret_cast<const FcChar8*>(configFile.c_str()), FcTrue) ||
      !FcConfigBuildFonts(config.get()))
    config.reset();
  return config;
}

// The fonts that match a pattern.
std::vector<InstalledFace> listFonts(FcConfig* config, FcPattern* pattern) {
  if (!config) return {};
  std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
      FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FULLNAME, FC_POSTSCRIPT_NAME, FC_FILE, FC_INDEX, nullptr));
  if (!pattern || !objects) return {};
  std::unique_ptr<FcFontSet, FontSetDeleter> set(FcFontList(config, pattern, objects.get()));
  return facesOf(set.get());
}

// Every font the configuration lists.
std::vector<InstalledFace> allFonts(FcConfig* config) {
  std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
  return listFonts(config, pattern.get());
}

// What selects the system's configuration and how it is read: the
// variables fontconfig consults and its version.
std::string facesCacheKey() {
  std::string key = "fontconfig " + std::to_string(FcGetVersion());
  for (const char* name :
       {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
    const char* value = std::getenv(name);
    key += std::string(" ") + name + "=" + (value ? value : "");
  }
  return key;
}

// The files and folders a configuration was read from: its configuration
// files and their folders (a file added to conf.d changes its folder), the
// folders it names for fonts (present or not) and those it scanned.
std::vector<std::string> configurationSources(FcConfig* config) {
  std::set<std::string> out;
  auto take = [&](FcStrList* list, bool withFolder) {
    if (!list) return;
    while (FcChar8* item = FcStrListNext(list)) {
      const std::string path(reinterpret_cast<const char*>(item));
      out.insert(path);
      if (withFolder) {
        if (const auto slash = path.rfind('/'); slash != std::string::npos && slash > 0)
          out.insert(path.substr(0, slash));
      }
    }
    FcStrListDone(list);
  };
  take(FcConfigGetConfigFiles(config), true);
  take(FcConfigGetConfigDirs(config), false);
  take(FcConfigGetFontDirs(config), false);
  return {out.begin(), out.end()};
}

struct State {
  std::mutex mutex;
  std::shared_ptr<FontProvider> provider;
  std::shared_ptr<const std::vector<InstalledFace>> faces;
  std::map<uint32_t, std::optional<InstalledFace>> covering;
  std::map<std::string, std::optional<InstalledFace>> shown;
  std::map<std::pair<std::string, int>, std::shared_ptr<FontFace>> loaded;
  // Read without the lock by the per-thread caches; changed under it.
  std::atomic<unsigned> generation = 1;
};

State& state() {
  static State s;
  return s;
}

// The provider's answer for `key`, kept in one of the state's maps. It is
// asked outside the lock (the provider may read fontconfig's files or load
// fonts, and other threads measure meanwhile) and kept only if the provider
// was not swapped meanwhile: a stale answer is given, not kept.
template <class Key, class Ask>
std::optional<InstalledFace> cachedAnswer(std::map<Key, std::optional<InstalledFace>> State::*cache, const Key& key,
                                          Ask&& ask) {
  State& s = state();
  std::shared_ptr<FontProvider> provider;
  unsigned generation = 0;
  {
    std::lock_guard lock(s.mutex);
    if (auto it = (s.*cache).find(key); it != (s.*cache).end()) return it->second;
    if (!s.provider) s.provider = std::make_shared<FontconfigProvider>();
    provider = s.provider;
    generation = s.generation;
  }
  std::optional<InstalledFace> found = ask(*provider);
  std::lock_guard lock(s.mutex);
  if (generation == s.generation) (s.*cache).emplace(key, found);
  return found;
}

}  // namespace

FontconfigProvider::FontconfigProvider(std::string configFile) : configFile_(std::move(configFile)) {}

template <class Ask>
bool FontconfigProvider::withConfig(Ask&& ask) const {
  std::lock_guard lock(configMutex_);
  if (!config_) {
    auto loaded = loadConfig(configFile_);
    if (!loaded) return false;
    config_ = std::shared_ptr<void>(loaded.release(), [](void* c) { FcConfigDestroy(static_cast<FcConfig*>(c)); });
  }
  ask(static_cast<FcConfig*>(config_.get()));
  return true;
}

InstalledFontsRecord* FontconfigProvider::systemRecord() const {
  if (recordTried_) return record_.get();
  recordTried_ = true;
  if (!configFile_.empty()) return nullptr;
  recordPath_ = InstalledFacesCachePath();
  if (recordPath_.empty()) return nullptr;
  recordKey_ = facesCacheKey();
  if (auto cached = ReadInstalledFacesCache(recordPath_, recordKey_)) {
    record_ = std::make_shared<InstalledFontsRecord>(std::move(*cached));
    return record_.get();
  }
  auto record = std::make_shared<InstalledFontsRecord>();
  std::vector<std::string> sources;
  const bool loaded = withConfig([&](FcConfig* config) {
    record->faces = allFonts(config);
    sources = configurationSources(config);
  });
  if (!loaded || record->faces.empty()) return nullptr;
  record->stamps = StampSources(sources);
  WriteInstalledFacesCache(recordPath_, recordKey_, *record);
  record_ = std::move(record);
  return record_.get();
}

std::vector<InstalledFace> FontconfigProvider::faces() const {
  // The system's list is kept between processes (see InstalledFacesCache.h):
  // a conversion that needs no more of fontconfig than the list and the
  // families asked before never loads its configuration.
  {
    std::lock_guard lock(recordMutex_);
    if (const InstalledFontsRecord* record = systemRecord()) return record->faces;
  }
  std::vector<InstalledFace> faces;
  withConfig([&](FcConfig* config) { faces = allFonts(config); });
  return faces;
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
  std::vector<InstalledFace> faces;
  withConfig([&](FcConfig* config) { faces = listFonts(config, pattern.get()); });
  return faces;
}

std::optional<std::string> FontconfigProvider::substituteFamily(const std::string& name) const {
  std::lock_guard lock(recordMutex_);
  InstalledFontsRecord* record = systemRecord();
  if (record) {
    if (auto it = record->substitutes.find(name); it != record->substitutes.end()) return it->second;
  }
  std::optional<std::string> found;
  const bool loaded = withConfig([&](FcConfig* config) {
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    if (!pattern || !FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str())))
      return;
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, PatternDeleter> match(FcFontMatch(config, pattern.get(), &result));
    FcChar8* family = nullptr;
    if (match && FcPatternGetString(match.get(), FC_FAMILY, 0, &family) == FcResultMatch && family)
      found = std::string(reinterpret_cast<const char*>(family));
  });
  // Kept with the record for the processes that follow; a configuration
  // that could not be loaded answers nothing worth keeping.
  if (record && loaded) {
    record->substitutes[name] = found;
    WriteInstalledFacesCache(recordPath_, recordKey_, *record);
  }
  return found;
}

std::optional<std::string> FontProvider::substituteFamily(const std::string&) const { return std::nullopt; }

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
  s.shown.clear();
  s.loaded.clear();
  ++s.generation;
}

unsigned InstalledFonts::generation() { return state().generation.load(std::memory_order_acquire); }

namespace {

// Answers by name kept per thread: the layout asks for the same few names
// for every run of every page, on every page thread, and a lock shared by
// all of them would make the threads queue. A new generation of the
// installed fonts empties the cache.
template <class Compute>
std::optional<InstalledFace> perThreadAnswer(std::unordered_map<std::string, std::optional<InstalledFace>>& cache,
                                             unsigned& cachedGeneration, const std::string& name, Compute&& compute) {
  const unsigned generation = InstalledFonts::generation();
  if (generation != cachedGeneration) {
    cache.clear();
    cachedGeneration = generation;
  }
  if (auto it = cache.find(name); it != cache.end()) return it->second;
  std::optional<InstalledFace> found = compute();
  cache.emplace(name, found);
  return found;
}

}  // namespace

std::optional<InstalledFace> InstalledFonts::findExact(const std::string& name) {
  if (name.empty()) return std::nullopt;
  thread_local std::unordered_map<std::string, std::optional<InstalledFace>> cache;
  thread_local unsigned cachedGeneration = 0;
  return perThreadAnswer(cache, cachedGeneration, name, [&]() -> std::optional<InstalledFace> {
    auto list = faces();
    for (const auto& f : *list)
      if (equalsIgnoringCase(f.postScriptName, name)) return f;
    for (const auto& f : *list)
      if (equalsIgnoringCase(f.fullName, name)) return f;
    return findFamily(name);
  });
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
  return cachedAnswer(&State::covering, character, [&](const FontProvider& provider) {
    auto list = provider.facesWithCharacter(character);
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
    return found;
  });
}

std::optional<InstalledFace> InstalledFonts::shownFace(const std::string& name) {
  if (auto exact = findExact(name)) return exact;
  return cachedAnswer(&State::shown, name, [&](const FontProvider& provider) -> std::optional<InstalledFace> {
    if (const auto family = provider.substituteFamily(name)) return findFamily(*family);
    return std::nullopt;
  });
}

std::optional<InstalledFace> InstalledFonts::findShownFace(const std::string& name) {
  thread_local std::unordered_map<std::string, std::optional<InstalledFace>> cache;
  thread_local unsigned cachedGeneration = 0;
  return perThreadAnswer(cache, cachedGeneration, name, [&] { return shownFace(name); });
}

std::shared_ptr<FontFace> InstalledFonts::loadShared(const InstalledFace& face) {
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

std::shared_ptr<FontFace> InstalledFonts::load(const InstalledFace& face) {
  // Kept per thread as well, for the same reason as the answers by name.
  thread_local std::map<std::pair<std::string, int>, std::shared_ptr<FontFace>> cache;
  thread_local unsigned cachedGeneration = 0;
  const unsigned now = generation();
  if (now != cachedGeneration) {
    cache.clear();
    cachedGeneration = now;
  }
  const auto key = std::make_pair(face.file, face.index);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  auto loaded = loadShared(face);
  cache.emplace(key, loaded);
  return loaded;
}

}  // namespace vq::text
