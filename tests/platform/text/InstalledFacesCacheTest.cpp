// The record of installed faces kept between processes: read back while its
// key and stamps hold, refused otherwise.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "platform/text/InstalledFacesCache.h"
#include "support/TestSupport.h"

namespace {

using vq::text::InstalledFace;
using vq::text::InstalledFontsRecord;
using vq::text::ReadInstalledFacesCache;
using vq::text::StampSources;
using vq::text::WriteInstalledFacesCache;
namespace fs = std::filesystem;

std::vector<InstalledFace> Faces() {
  return {{"Liberation Sans", "Bold", "Liberation Sans Bold", "LiberationSans-Bold", "/f/LiberationSans-Bold.ttf", 0},
          {"Noto Sans CJK", "Regular", "Noto Sans CJK JP", "NotoSansCJKjp-Regular", "/f/NotoSansCJK.ttc", 3},
          {"Font", "", "Font", "Font", "/f/font.otf", 0}};
}

// The faces, two families fontconfig showed names in (and a name it had
// none for), and the sources stamped as they are now.
InstalledFontsRecord Record(const std::vector<std::string>& sources = {}) {
  return {Faces(),
          {{"Arial", "Liberation Sans"}, {"Times New Roman", "Liberation Serif"}, {"Nothing", std::nullopt}},
          StampSources(sources)};
}

std::string Text(const InstalledFontsRecord& record) {
  std::string out;
  for (const auto& f : record.faces)
    out += f.family + "|" + f.style + "|" + f.fullName + "|" + f.postScriptName + "|" + f.file + "|" +
           std::to_string(f.index) + "\n";
  for (const auto& [name, family] : record.substitutes) out += name + " -> " + family.value_or("(none)") + "\n";
  return out;
}

TEST(InstalledFacesCache, ReadBackWhileKeyAndStampsHold) {
  vqtest::ScratchDir dir;
  const std::string record = (dir / "cache" / "installed-faces").string();
  const fs::path conf = dir / "fonts.conf";
  const fs::path fonts = dir / "fonts";
  std::ofstream(conf) << "<fontconfig/>";
  fs::create_directories(fonts);
  const std::vector<std::string> sources = {conf.string(), fonts.string(), (dir / "not-there").string()};

  ASSERT_TRUE(WriteInstalledFacesCache(record, "key 1", Record(sources)));
  auto read = ReadInstalledFacesCache(record, "key 1");
  ASSERT_TRUE(read);
  EXPECT_EQ(Text(*read), Text(Record()));
  EXPECT_EQ(read->stamps, Record(sources).stamps);
  EXPECT_FALSE(ReadInstalledFacesCache(record, "key 2")) << "another configuration";

  struct Change {
    const char* name;
    std::function<void()> apply;
  };
  const Change changes[] = {
      {"a font added to a folder", [&] { std::ofstream(fonts / "new.ttf") << "x"; }},
      {"a configuration file edited", [&] { std::ofstream(conf, std::ios::app) << "<!-- more -->"; }},
      {"a named folder that appears", [&] { fs::create_directories(dir / "not-there"); }},
      {"a configuration file removed", [&] { fs::remove(conf); }},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.name);
    std::ofstream(conf) << "<fontconfig/>";
    fs::remove_all(dir / "not-there");
    fs::remove(fonts / "new.ttf");
    ASSERT_TRUE(WriteInstalledFacesCache(record, "key 1", Record(sources)));
    ASSERT_TRUE(ReadInstalledFacesCache(record, "key 1"));
    // Coarse file-system clocks: let the change land on a later tick.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    c.apply();
    EXPECT_FALSE(ReadInstalledFacesCache(record, "key 1"));
  }
}

TEST(InstalledFacesCache, DamagedOrUnholdableRecordsAreRefused) {
  vqtest::ScratchDir dir;
  const std::string record = (dir / "installed-faces").string();
  EXPECT_FALSE(ReadInstalledFacesCache(record, "k")) << "no record";

  ASSERT_TRUE(WriteInstalledFacesCache(record, "k", Record()));
  std::string whole;
  {
    std::ifstream in(record, std::ios::binary);
    whole.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::pair<const char*, std::string> damaged[] = {
      {"cut short", whole.substr(0, whole.size() / 2)},
      {"no end mark", whole.substr(0, whole.rfind("E\n"))},
      {"another format", "something else\n" + whole.substr(whole.find('\n') + 1)},
      {"a bad index", std::string(whole).replace(whole.find("\t3\n"), 3, "\tx\n")},
      {"an unknown line", std::string(whole).insert(whole.find("F\t"), "Q\tx\n")},
  };
  for (const auto& [name, text] : damaged) {
    SCOPED_TRACE(name);
    std::ofstream(record, std::ios::binary | std::ios::trunc) << text;
    EXPECT_FALSE(ReadInstalledFacesCache(record, "k"));
  }

  auto tab = Record();
  tab.faces[1].family = "Tab\tFamily";
  EXPECT_FALSE(WriteInstalledFacesCache(record, "k", tab));
  auto lineBreak = Record();
  lineBreak.substitutes["Two\nLines"] = "Family";
  EXPECT_FALSE(WriteInstalledFacesCache(record, "k", lineBreak));
  EXPECT_FALSE(WriteInstalledFacesCache("", "k", Record()));
}

}  // namespace
