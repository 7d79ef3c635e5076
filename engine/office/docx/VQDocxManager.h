#pragma once
// The process-wide DOCX state: the font line-height table read from
// "word-line-height.plist". The options of a conversion travel with its
// exporter and page parsers, never through this object.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vq {

class VQDocxManager {
 public:
  // The manager of the process, made on first use.
  static std::shared_ptr<VQDocxManager> sharedInstance();
  // Drops the manager; the next sharedInstance() makes a new one.
  static void destory();

  VQDocxManager();
  VQDocxManager(const VQDocxManager&) = delete;
  VQDocxManager& operator=(const VQDocxManager&) = delete;

  // Reads the table once; a missing or unreadable file leaves it empty.
  void readWordInfoDictionary();
  // Loads the table from a plist file in place of the bundle's (tests).
  bool readWordInfoDictionaryAtPath(const std::string& path);
  static std::optional<std::string> PathForWordLineHeightResources();

  // The font's single-line height and ascent factors (from 0.5 to 2), or 0
  // when the table has no usable entry for it.
  static double WordLineHeight(const std::string& fontName);
  static double WordLineAscentFactor(const std::string& fontName);

  // An area the table detection does not take as a table; nothing to do.
  template <typename Run>
  void addRunPathAsTextBox(const Run&) {}

 private:
  using Entry = std::map<std::string, std::string>;
  static double factor(const std::string& fontName, const char* key);
  // factor without the per-thread answers.
  static double lookUpFactor(const std::string& fontName, const char* key);

  mutable std::mutex mutex_;
  // Immutable once loaded, so lookups from page threads share it unlocked.
  std::shared_ptr<const std::map<std::string, Entry>> wordInfoDictionary_;
};

}  // namespace vq
