#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "common/VQPDFPathUtilities.h"
#include "common/VQResources.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using vq::VQPDFPathUtilities;
using vq::VQResourcePath;
bool isUUID(const std::string& s) {
  if (s.size() != 36) return false;
  for (size_t i = 0; i < 36; ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? s[i] != '-' : !((s[i] >= '0' && s[i] <= '9') || (s[i] >= 'A' && s[i] <= 'F'))) return false;
  }
  return true;
}

// `pattern` with each "%U" standing for one upper-case UUID.
bool matches(const std::string& text, const std::string& pattern) {
  size_t t = 0, p = 0;
  while (p < pattern.size()) {
    if (pattern.compare(p, 2, "%U") == 0) {
      if (!isUUID(text.substr(t, 36))) return false;
      t += 36;
      p += 2;
    } else {
      if (t >= text.size() || text[t] != pattern[p]) return false;
      ++t;
      ++p;
    }
  }
  return t == text.size();
}

using vqtest::EnvVar;

TEST(PathUtilities, NamesFollowTheirPatterns) {
  const std::string root = VQPDFPathUtilities::temporaryRoot();
  struct {
    std::string path, pattern;
  } rows[] = {
      {VQPDFPathUtilities::tempFolder(), root + "/Temp-%U"},
      {VQPDFPathUtilities::tempIMG(), root + "/IMG_%U.PNG"},
      {VQPDFPathUtilities::tempIMG("", "png"), root + "/IMG_%U.png"},
      {VQPDFPathUtilities::tempIMG("Clip_Im3", "PNG"), root + "/IMG_Clip_Im3_%U.PNG"},
      {VQPDFPathUtilities::getUUIDPathBy("/a/b.png"), "/a/b-%U.png"},
      {VQPDFPathUtilities::getUUIDPathBy("/a/b"), "/a/b-%U"},
      {VQPDFPathUtilities::getUUIDPathBy("/a.d/b"), "/a.d/b-%U"},
      {VQPDFPathUtilities::getUUIDPathBy("/a/.hidden"), "/a/.hidden-%U"},
      {VQPDFPathUtilities::getUUIDPathBy(VQPDFPathUtilities::tempIMG("Shading", "PNG")),
       root + "/IMG_Shading_%U-%U.PNG"},
  };
  for (const auto& r : rows) EXPECT_TRUE(matches(r.path, r.pattern)) << r.path;
  EXPECT_NE(VQPDFPathUtilities::tempFolder(), VQPDFPathUtilities::tempFolder());
}

TEST(PathUtilities, TemporaryRootIsPrivateAndExists) {
  const std::string root = VQPDFPathUtilities::temporaryRoot();
  struct stat st {};
  ASSERT_EQ(::lstat(root.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(st.st_mode & 077, 0u);
}

// The root is chosen once per process, so each case runs in a fresh child
// process with its own TMPDIR.
class TemporaryRootChoice : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
  static void expectRoot(const std::string& tmpdir, bool preferred) {
    EnvVar env("TMPDIR", tmpdir);
    std::string base = tmpdir;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    const std::string expected = base + "/vqpapyrant-" + std::to_string(::geteuid());
    EXPECT_EXIT(
        {
          const std::string root = VQPDFPathUtilities::temporaryRoot();
          struct stat st {};
          const bool privateDir = ::lstat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 077) == 0 &&
                                  st.st_uid == ::geteuid();
          const bool inTmpdir = root.rfind(base + "/vqpapyrant-", 0) == 0;
          const bool exactMode = (st.st_mode & 0777) == 0700;
          std::exit(privateDir && exactMode && inTmpdir && ((root == expected) == preferred) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    // A folder made for that process alone is gone once it ends. The child
    // runs the test again from its start, so it chose its root in scratch
    // folders of its own inside this TMPDIR: the whole tree is searched.
    const std::string ownPrefix = "vqpapyrant-" + std::to_string(::geteuid()) + "-";
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(tmpdir))
      if (e.path().filename().string().rfind(ownPrefix, 0) == 0) left.push_back(e.path().string());
    EXPECT_EQ(left, std::vector<std::string>{});
  }
};

TEST_F(TemporaryRootChoice, MadeWhenMissing) {
  vqtest::ScratchDir tmp;
  expectRoot(tmp.path().string(), true);
  // A trailing slash in TMPDIR names the same folder.
  vqtest::ScratchDir other;
  expectRoot(other.path().string() + "/", true);
}

TEST_F(TemporaryRootChoice, UnsafeExistingFolderIsRefused) {
  const std::string name = "vqpapyrant-" + std::to_string(::geteuid());
  {
    vqtest::ScratchDir tmp, elsewhere;
    fs::create_directory_symlink(elsewhere.path(), tmp / name);
    expectRoot(tmp.path().string(), false);
  }
  {
    vqtest::ScratchDir tmp;
    fs::create_directory(tmp / name);
    ::chmod((tmp / name).c_str(), 0777);
    expectRoot(tmp.path().string(), false);
  }
  {
    vqtest::ScratchDir tmp;
    std::ofstream(tmp / name) << "x";
    expectRoot(tmp.path().string(), false);
  }
  {
    vqtest::ScratchDir tmp;
    fs::create_directory(tmp / name);
    ::chmod((tmp / name).c_str(), 0700);
    expectRoot(tmp.path().string(), true);  // ours and private: used as it is
  }
}

TEST(PathUtilities, GetNewPathSkipsEveryTakenName) {
  vqtest::ScratchDir dir;
  const std::string doc = (dir / "doc.docx").string();
  EXPECT_EQ(VQPDFPathUtilities::getNewPathby(doc), doc);
  std::ofstream(dir / "doc.docx") << "x";
  std::ofstream(dir / "doc2.docx") << "x";
  EXPECT_EQ(VQPDFPathUtilities::getNewPathby(doc), (dir / "doc3.docx").string());
  // A dangling symlink occupies its name as well.
  fs::create_symlink(dir / "nowhere", dir / "doc3.docx");
  EXPECT_EQ(VQPDFPathUtilities::getNewPathby(doc), (dir / "doc4.docx").string());
  // No extension: the number is appended.
  fs::create_directory(dir / "out");
  EXPECT_EQ(VQPDFPathUtilities::getNewPathby((dir / "out").string()), (dir / "out2").string());
}

TEST(PathUtilities, CreateFolderIfNeed) {
  vqtest::ScratchDir dir;
  EXPECT_TRUE(VQPDFPathUtilities::createFolderIfNeed(dir.path().string()));
  EXPECT_TRUE(VQPDFPathUtilities::createFolderIfNeed((dir / "a/b/c").string()));
  EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
  std::ofstream(dir / "file") << "x";
  EXPECT_FALSE(VQPDFPathUtilities::createFolderIfNeed((dir / "file").string()));
  EXPECT_FALSE(VQPDFPathUtilities::createFolderIfNeed((dir / "file/sub").string()));
  EXPECT_FALSE(VQPDFPathUtilities::createFolderIfNeed(""));
  // A folder that cannot be made under new ones (its name is longer than
  // names may be) takes the new ones with it; the folders that were there stay.
  EXPECT_FALSE(VQPDFPathUtilities::createFolderIfNeed((dir / "a/new/deeper" / std::string(300, 'n')).string()));
  EXPECT_FALSE(fs::exists(dir / "a/new"));
  EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
}

std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PathUtilities, TemporarySiblingIsNewEmptyAndOrdinary) {
  vqtest::ScratchDir dir;
  const std::string dest = (dir / "out.docx").string();
  const auto a = VQPDFPathUtilities::makeTemporarySibling(dest);
  const auto b = VQPDFPathUtilities::makeTemporarySibling(dest);
  ASSERT_TRUE(a && b);
  EXPECT_NE(*a, *b);
  EXPECT_TRUE(matches(*a, (dir / ".vqpapyrant-%U.tmp").string())) << *a;
  EXPECT_EQ(fs::file_size(*a), 0u);
  // Same permissions as any other file the process makes: it becomes the output.
  std::ofstream(dir / "plain") << "x";
  EXPECT_EQ(fs::status(*a).permissions(), fs::status(dir / "plain").permissions());
  EXPECT_FALSE(VQPDFPathUtilities::makeTemporarySibling((dir / "missing/out.docx").string()));
}

// A name as long as a file name may be still gets a work file beside it.
TEST(PathUtilities, TemporarySiblingOfTheLongestNameFits) {
  vqtest::ScratchDir dir;
  const std::string dest = (dir / (std::string(250, 'n') + ".txt")).string();
  const auto sibling = VQPDFPathUtilities::makeTemporarySibling(dest);
  ASSERT_TRUE(sibling);
  EXPECT_TRUE(VQPDFPathUtilities::writeFileAtomically(dest, "text"));
  EXPECT_EQ(namesIn(dir.path()).size(), 2u);
}

TEST(PathUtilities, ReplaceWithPutsTheFreshContentWhateverWasThere) {
  vqtest::ScratchDir dir;
  struct Case {
    const char* name;
    bool oldIsFolder;
    bool freshIsFolder;
  };
  const Case cases[] = {{"nothing there", false, false},
                        {"a file by a folder", false, true},
                        {"a folder by a folder", true, true},
                        {"a folder by a file", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dest = dir / c.name;
    if (std::string(c.name) != "nothing there") {
      if (c.oldIsFolder) {
        fs::create_directory(dest);
        std::ofstream(dest / "old") << "old";
      } else std::ofstream(dest) << "old";
    }
    const std::string fresh = VQPDFPathUtilities::temporarySiblingName(dest.string());
    if (c.freshIsFolder) {
      fs::create_directory(fresh);
      std::ofstream(fs::path(fresh) / "new") << "new";
    } else std::ofstream(fresh) << "new";
    ASSERT_TRUE(VQPDFPathUtilities::replaceWith(fresh, dest.string()));
    EXPECT_EQ(fs::is_directory(dest), c.freshIsFolder);
    EXPECT_TRUE(fs::exists(c.freshIsFolder ? dest / "new" : dest));
    EXPECT_FALSE(fs::exists(fresh));
  }
  // Only the destinations are left: no old content set aside, no fresh one.
  EXPECT_EQ(namesIn(dir.path()).size(), std::size(cases));
}

TEST(PathUtilities, WriteFileAtomicallyReplacesWholeOrLeavesNothing) {
  vqtest::ScratchDir dir;
  const fs::path file = dir / "part.xml";
  std::ofstream(file) << "old";
  const std::string bytes("new\0bytes", 9);
  ASSERT_TRUE(VQPDFPathUtilities::writeFileAtomically(file.string(), bytes));
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"part.xml"}) << "no temporary file is left";

  // A folder in the way: the rename fails and the temporary file goes.
  fs::create_directories(dir / "busy/inside");
  EXPECT_FALSE(VQPDFPathUtilities::writeFileAtomically((dir / "busy").string(), "x"));
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"busy", "part.xml"}));
  EXPECT_FALSE(VQPDFPathUtilities::writeFileAtomically((dir / "missing/part.xml").string(), "x"));
}

TEST(Resources, LookupOrderAndBundleFiles) {
  vqtest::ScratchDir first, second;
  fs::create_directories(first / "VQPDFParser/PDFEncodings/CMap");
  std::ofstream(first / "VQPDFParser/PDFEncodings/CMap/UniGB-UCS2-H") << "cmap";
  std::ofstream(first / "VQPDFParser/FontBook.plist") << "x";
  fs::create_directories(second / "VQPDFParser");
  std::ofstream(second / "VQPDFParser/FontBook.plist") << "x";
  std::ofstream(second / "VQPDFParser/Only-In-Second") << "x";
  fs::create_directories(second / "Other.bundle");
  std::ofstream(second / "Other.bundle/file") << "x";
  EnvVar env("VQPAPYRANT_RESOURCES", first.path().string() + ":" + second.path().string());

  struct {
    std::string bundle, relative;
    std::optional<std::string> found;
  } rows[] = {
      {"VQPDFParser", "PDFEncodings/CMap/UniGB-UCS2-H",
       (first / "VQPDFParser/PDFEncodings/CMap/UniGB-UCS2-H").string()},
      {"VQPDFParser", "FontBook.plist", (first / "VQPDFParser/FontBook.plist").string()},  // the first root wins
      {"VQPDFParser", "Only-In-Second", (second / "VQPDFParser/Only-In-Second").string()},
      {"Other", "file", (second / "Other.bundle/file").string()},
      {"VQPDFParser", "PDFEncodings/CMap/Missing-H", std::nullopt},
      {"VQPDFParser", "PDFEncodings/CMap", std::nullopt},  // a folder is no resource file
      {"NoSuchBundle", "FontBook.plist", std::nullopt},
      // Names taken from a PDF must not leave the bundle.
      {"VQPDFParser", "PDFEncodings/CMap/../../FontBook.plist", std::nullopt},
      {"VQPDFParser", "../VQPDFParser/FontBook.plist", std::nullopt},
      {"VQPDFParser", "/etc/passwd", std::nullopt},
      {"VQPDFParser", "", std::nullopt},
      {"../VQPDFParser", "FontBook.plist", std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(VQResourcePath(r.bundle, r.relative), r.found) << r.bundle << " " << r.relative;
}

TEST(Resources, SourceTreeBundlesAreFoundWithoutConfiguration) {
  EnvVar env("VQPAPYRANT_RESOURCES", "");
  struct {
    const char* bundle;
    const char* file;
  } rows[] = {{"VQPDFParser", "FontBook.plist"},
              {"VQVellumate", "word-line-height.plist"},
              {"VQTabulette", "theme1.xml"},
              {"VQSlidequay", "slideMaster1.xml"}};
  for (const auto& r : rows) {
    const auto p = VQResourcePath(r.bundle, r.file);
    ASSERT_TRUE(p) << r.bundle;
    EXPECT_TRUE(fs::is_regular_file(*p));
    EXPECT_EQ(fs::path(*p).parent_path().filename(), r.bundle);
  }
}

}  // namespace
