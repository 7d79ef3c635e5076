#pragma once
// A record of the installed fonts kept between processes. Listing the
// installed fonts through fontconfig parses every configuration file first,
// which costs a short conversion more than the conversion itself; the list,
// and the families fontconfig shows the names asked so far in, are written
// to the user's cache folder with a stamp (modification time and size) of
// every file and folder they came from, and read back while every stamp
// still holds and the key (what selects the configuration: the environment
// and the library's version) is the same.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/InstalledFonts.h"

namespace vq::text {

struct InstalledFontsRecord {
  std::vector<InstalledFace> faces;
  // A font name -> the family fontconfig shows it in (nullopt: none).
  std::map<std::string, std::optional<std::string>> substitutes;
  // The files and folders the record came from, each with its stamp.
  std::vector<std::pair<std::string, std::string>> stamps;
};

// The record's file in the user's cache folder ($XDG_CACHE_HOME, else
// ~/.cache); empty when there is no such folder to use.
std::string InstalledFacesCachePath();

// Stamps files and folders (present or not) as they are now.
std::vector<std::pair<std::string, std::string>> StampSources(const std::vector<std::string>& paths);

// The record at `path`, when it was written under `key` and none of its
// stamped paths has changed (appeared, gone, modified); nullopt otherwise,
// or when the file is unreadable or malformed.
std::optional<InstalledFontsRecord> ReadInstalledFacesCache(const std::string& path, const std::string& key);

// Writes the record with the stamps it holds. Written to a temporary name
// and renamed, so readers see a whole record or the previous one; false when
// it cannot be written or a name cannot be held (a tab or a line break).
bool WriteInstalledFacesCache(const std::string& path, const std::string& key, const InstalledFontsRecord& record);

}  // namespace vq::text
