#pragma once
// A record of the installed faces kept between processes. Listing the
// installed fonts through fontconfig parses every configuration file first,
// which costs a short conversion more than the conversion itself; the list
// is written once to the user's cache folder with a stamp (modification
// time and size) of every file and folder it came from, and read back while
// every stamp still holds and the key (what selects the configuration: the
// environment and the library's version) is the same.
#include <optional>
#include <string>
#include <vector>

#include "platform/text/InstalledFonts.h"

namespace vq::text {

// The record's file in the user's cache folder ($XDG_CACHE_HOME, else
// ~/.cache); empty when there is no such folder to use.
std::string InstalledFacesCachePath();

// The faces the record at `path` holds, when it was written under `key` and
// none of its stamped paths has changed (appeared, gone, modified); nullopt
// otherwise, or when the file is unreadable or malformed.
std::optional<std::vector<InstalledFace>> ReadInstalledFacesCache(const std::string& path, const std::string& key);

// Writes the record, stamping `sources` (files or folders, present or not)
// as they are now. Written to a temporary name and renamed, so readers see a
// whole record or the previous one; false when it cannot be written or a
// face has a name that the record cannot hold (a tab or a line break).
bool WriteInstalledFacesCache(const std::string& path, const std::string& key, const std::vector<InstalledFace>& faces,
                              const std::vector<std::string>& sources);

}  // namespace vq::text
