#include "platform/text/InstalledFacesCache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vq::text {

namespace {

constexpr const char* kMagic = "vqpapyrant installed faces 1";

// "<mtime ns> <size>" of a path as it is now; "absent" when it is not there.
std::string stampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return "absent";
  const long long ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return std::to_string(ns) + " " + std::to_string(static_cast<long long>(st.st_size));
}

bool holdable(const std::string& s) { return s.find_first_of("\t\n\r") == std::string::npos; }

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> out;
  size_t from = 0;
  for (;;) {
    const size_t tab = line.find('\t', from);
    out.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
    if (tab == std::string::npos) return out;
    from = tab + 1;
  }
}

}  // namespace

std::string InstalledFacesCachePath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home == '/') base = std::string(home) + "/.cache";
  if (base.empty()) return "";
  return base + "/vqpapyrant/installed-faces";
}

std::vector<std::pair<std::string, std::string>> StampSources(const std::vector<std::string>& paths) {
  std::vector<std::pair<std::string, std::string>> out;
  out.reserve(paths.size());
  for (const auto& path : paths) out.emplace_back(path, stampOf(path));
  return out;
}

std::optional<InstalledFontsRecord> ReadInstalledFacesCache(const std::string& path, const std::string& key) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string line;
  if (!std::getline(in, line) || line != kMagic) return std::nullopt;
  if (!std::getline(in, line) || line != "K\t" + key) return std::nullopt;
  InstalledFontsRecord record;
  bool ended = false;
  while (std::getline(in, line)) {
    const auto fields = splitTabs(line);
    if (fields[0] == "S" && fields.size() == 3) {
      if (stampOf(fields[2]) != fields[1]) return std::nullopt;
      record.stamps.emplace_back(fields[2], fields[1]);
    } else if (fields[0] == "F" && fields.size() == 7) {
      InstalledFace f;
      f.family = fields[1];
      f.style = fields[2];
      f.fullName = fields[3];
      f.postScriptName = fields[4];
      f.file = fields[5];
      char* end = nullptr;
      const long index = std::strtol(fields[6].c_str(), &end, 10);
      if (fields[6].empty() || *end != '\0' || index < 0 || index > 0xFFFF) return std::nullopt;
      f.index = static_cast<int>(index);
      record.faces.push_back(std::move(f));
    } else if (fields[0] == "A" && fields.size() == 3) {
      record.substitutes[fields[1]] = fields[2];
    } else if (fields[0] == "N" && fields.size() == 2) {
      record.substitutes[fields[1]] = std::nullopt;
    } else if (fields[0] == "E" && fields.size() == 1) {
      ended = true;
      break;
    } else {
      return std::nullopt;
    }
  }
  // A record cut short (a full disk) is no record.
  if (!ended) return std::nullopt;
  return record;
}

bool WriteInstalledFacesCache(const std::string& path, const std::string& key, const InstalledFontsRecord& record) {
  if (path.empty() || !holdable(key)) return false;
  std::ostringstream out;
  out << kMagic << '\n' << "K\t" << key << '\n';
  for (const auto& [source, stamp] : record.stamps) {
    if (!holdable(source) || !holdable(stamp)) return false;
    out << "S\t" << stamp << '\t' << source << '\n';
  }
  for (const auto& f : record.faces) {
    for (const std::string* s : {&f.family, &f.style, &f.fullName, &f.postScriptName, &f.file})
      if (!holdable(*s)) return false;
    out << "F\t" << f.family << '\t' << f.style << '\t' << f.fullName << '\t' << f.postScriptName << '\t' << f.file
        << '\t' << f.index << '\n';
  }
  for (const auto& [name, family] : record.substitutes) {
    if (!holdable(name) || (family && !holdable(*family))) return false;
    if (family) out << "A\t" << name << '\t' << *family << '\n';
    else out << "N\t" << name << '\n';
  }
  out << "E\n";
  std::error_code ec;
  const std::filesystem::path target(path);
  std::filesystem::create_directories(target.parent_path(), ec);
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file << out.str();
    file.flush();
    if (!file) {
      file.close();
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace vq::text
