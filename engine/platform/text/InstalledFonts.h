#pragma once
// The fonts installed on this machine. The list comes from a FontProvider:
// fontconfig by default (FcFontList only: a name either exists exactly or not,
// never a best-match substitute), or one a test sets. The list is read once
// per provider and shared by every thread.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/FontFace.h"

namespace vq::text {

struct InstalledFontsRecord;

struct InstalledFace {
  std::string family;
  std::string style;  // the face name (Regular, Bold Italic ...)
  std::string fullName;
  std::string postScriptName;
  std::string file;
  int index = 0;  // face index inside the file
};

class FontProvider {
 public:
  virtual ~FontProvider() = default;
  virtual std::vector<InstalledFace> faces() const = 0;
  // The faces that have a glyph for a Unicode character. This one loads
  // every face of faces() and asks it, which suits a short list; a provider
  // that knows the coverage of its faces answers without loading them.
  virtual std::vector<InstalledFace> facesWithCharacter(uint32_t character) const;
  // The family the system shows text in when it asks for a font of this
  // name that is not installed (its configured alias); none by default.
  virtual std::optional<std::string> substituteFamily(const std::string& name) const;
};

// Lists fonts through fontconfig; with a configuration file, only the fonts
// that file names (tests point it at a fixed set of folders).
class FontconfigProvider : public FontProvider {
 public:
  explicit FontconfigProvider(std::string configFile = "");
  std::vector<InstalledFace> faces() const override;
  // From fontconfig's own record of each font's characters.
  std::vector<InstalledFace> facesWithCharacter(uint32_t character) const override;
  // fontconfig's best match for the name, as programs that show documents
  // on this machine get it.
  std::optional<std::string> substituteFamily(const std::string& name) const override;

 private:
  // The system's record kept between processes (nullptr with a configuration
  // file of one's own, or without a cache folder); called with recordMutex_
  // held.
  struct InstalledFontsRecord* systemRecord() const;

  std::string configFile_;
  mutable std::mutex recordMutex_;
  mutable bool recordTried_ = false;
  mutable std::string recordPath_, recordKey_;
  mutable std::shared_ptr<struct InstalledFontsRecord> record_;
  // The configuration every question is asked of, loaded at the first one
  // and kept: loading it parses the configuration files and reads every
  // font's record, which costs more than most questions.
  mutable std::mutex configMutex_;
  mutable std::shared_ptr<void> config_;
  // Runs `ask` with the configuration held; false when it cannot be loaded.
  template <class Ask>
  bool withConfig(Ask&& ask) const;
};

class InstalledFonts {
 public:
  // The faces of the current provider, sorted by family then PostScript name.
  static std::shared_ptr<const std::vector<InstalledFace>> faces();
  // Replaces the provider (nullptr restores fontconfig) and drops every cache.
  static void setProvider(std::shared_ptr<FontProvider> provider);
  // Increases whenever the provider changes, so callers can drop their caches.
  static unsigned generation();

  // The face whose PostScript name, full name or family equals `name`,
  // ignoring case (for a family: its regular member when it has one).
  static std::optional<InstalledFace> findExact(const std::string& name);
  // The regular (or else first) member of a family, ignoring case.
  static std::optional<InstalledFace> findFamily(const std::string& family);
  // A face that has a glyph for the character, to stand in for a font that
  // lacks it: the regular (or else first) face of the first family in name
  // order that has one; nullopt when no face has it. Cached per character.
  static std::optional<InstalledFace> findCovering(uint32_t character);
  // The face text asked for in `name` is shown in: the installed face of
  // that name, else the regular face of the family the system substitutes
  // for it; nullopt when there is neither. Cached per name.
  static std::optional<InstalledFace> findShownFace(const std::string& name);
  // The face loaded for measuring; cached per face.
  static std::shared_ptr<FontFace> load(const InstalledFace& face);

 private:
  // findShownFace and load without their per-thread caches.
  static std::optional<InstalledFace> shownFace(const std::string& name);
  static std::shared_ptr<FontFace> loadShared(const InstalledFace& face);
};

}  // namespace vq::text
