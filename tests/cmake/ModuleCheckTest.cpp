// The module check that every build runs, over a tree of three modules:
// common, front (listing common) and front/sub, a module inside another's
// folder. Each case adds one include (and perhaps a dependency) to it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text;
}

struct Case {
  const char* name;
  const char* file;     // below engine/
  const char* include;  // what that file includes
  const char* commonDeps;
  const char* expected;  // in the check's message; empty when the tree holds
};

TEST(ModuleCheck, FailsOnUnlistedIncludesAndCyclesOnly) {
  const Case cases[] = {
      {"listed include", "front/B.cpp", "common/A.h", "", ""},
      {"header beside the file", "common/A.cpp", "A.h", "", ""},
      {"unlisted include", "common/A.cpp", "front/B.h", "",
       "engine/common/A.cpp includes front/B.h, but vq_common does not list vq_front"},
      {"the deepest module folder owns a header", "front/B.cpp", "front/sub/C.h", "",
       "engine/front/B.cpp includes front/sub/C.h, but vq_front does not list vq_front_sub"},
      {"cycle", "common/A.cpp", "front/B.h", "vq_front", "module cycle: vq_common -> vq_front -> vq_common"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::ScratchDir dir;
    const fs::path engine = dir / "engine";
    for (const char* file : {"common/A.h", "common/A.cpp", "front/B.h", "front/B.cpp", "front/sub/C.h"})
      write(engine / file, "");
    write(engine / c.file, std::string("#include \"") + c.include + "\"\n");
    write(dir / "graph.cmake", "set(VQ_SOURCE_ROOT \"" + dir.path().string() +
                                   "\")\n"
                                   "set(VQ_MODULES vq_common vq_front vq_front_sub)\n"
                                   "set(VQ_MODULE_DIR_vq_common common)\n"
                                   "set(VQ_MODULE_DIR_vq_front front)\n"
                                   "set(VQ_MODULE_DIR_vq_front_sub front/sub)\n"
                                   "set(VQ_MODULE_DEPS_vq_common \"" +
                                   c.commonDeps + "\")\nset(VQ_MODULE_DEPS_vq_front vq_common)\n");
    const fs::path stamp = dir / "stamp";
    std::string output;
    const int status = vqtest::runCommand(std::string("\"") + VQ_CMAKE_COMMAND +
                                              "\" -DVQ_MODULE_GRAPH=" + (dir / "graph.cmake").string() +
                                              " -DVQ_MODULE_CHECK_STAMP=" + stamp.string() + " -P \"" +
                                              VQ_TEST_SOURCE_DIR + "/cmake/VQCheckModules.cmake\" 2>&1",
                                          &output);
    if (std::string(c.expected).empty()) {
      EXPECT_EQ(status, 0) << output;
      EXPECT_TRUE(fs::exists(stamp));
    } else {
      EXPECT_NE(status, 0);
      EXPECT_NE(output.find(c.expected), std::string::npos) << output;
      EXPECT_FALSE(fs::exists(stamp));
    }
  }
}

}  // namespace
