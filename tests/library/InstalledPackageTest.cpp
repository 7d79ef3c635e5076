// The library as a developer elsewhere gets it: the public headers each
// compile alone and reach nothing outside their folder, and an installed tree
// under a scratch prefix builds and runs the example host by pkg-config and by
// CMake, and runs its own command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

const fs::path kSource = VQ_TEST_SOURCE_DIR;

// The compiler sees only the public folder, so an include of any engine
// header fails; -Werror makes a warning in a header fail as well.
TEST(PublicHeaders, EachCompilesAloneWithinItsFolder) {
  int headers = 0;
  for (const auto& entry : fs::directory_iterator(kSource / "include/vqpapyrant")) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    ++headers;
    std::string output;
    EXPECT_EQ(vqtest::runCommand("echo '#include <vqpapyrant/" + name + ">' | " + std::string(VQ_CXX_COMPILER) +
                                     " -x c++ -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I " +
                                     quoted(kSource / "include") + " - 2>&1",
                                 &output),
              0)
        << output;
    std::ifstream in(entry.path());
    const std::regex include("^\\s*#\\s*include\\s*\"([^\"]+)\"");
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      if (std::regex_search(line, m, include)) {
        EXPECT_EQ(m[1].str().rfind("vqpapyrant/", 0), 0u) << line;
      }
    }
  }
  EXPECT_GT(headers, 0);
}

class InstalledPackageEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string output;
    ASSERT_EQ(vqtest::runCommand(std::string(VQ_CMAKE_COMMAND) + " --install " + quoted(VQ_TEST_BINARY_DIR) +
                                     " --prefix " + quoted(prefix.path()) + " 2>&1",
                                 &output),
              0)
        << output;
  }

  // Runs the example host built at `program` on the sample PDF and checks
  // that it printed the delegate's reports and wrote the text.
  void expectHostConverts(const fs::path& program) {
    const fs::path out = prefix / (program.filename().string() + ".txt");
    std::string output;
    ASSERT_EQ(
        vqtest::runCommand(
            quoted(program) + " " + quoted(kSource / "examples/sample.pdf") + " txt " + quoted(out) + " 2>&1", &output),
        0)
        << output;
    EXPECT_NE(output.find("started: "), std::string::npos) << output;
    EXPECT_NE(output.find("page 1 of "), std::string::npos) << output;
    EXPECT_NE(output.find("written: "), std::string::npos) << output;
    ASSERT_TRUE(fs::is_regular_file(out));
    EXPECT_GT(fs::file_size(out), 0u);
  }

  vqtest::ScratchDir prefix;
  const fs::path libdir = prefix / VQ_INSTALL_LIBDIR;
};

TEST_F(InstalledPackageEndToEndTest, InstallsTheLibraryHeadersAndPrograms) {
  EXPECT_TRUE(fs::is_regular_file(prefix / "include/vqpapyrant/VQPapyrant.h"));
  EXPECT_TRUE(fs::is_symlink(libdir / "libvqpapyrant.so"));
  EXPECT_TRUE(fs::is_symlink(libdir / "libvqpapyrant.so.0"));
  EXPECT_TRUE(fs::is_regular_file(libdir / "pkgconfig/vqpapyrant.pc"));
  EXPECT_TRUE(fs::is_regular_file(libdir / "cmake/VQPapyrant/VQPapyrantConfig.cmake"));
  EXPECT_TRUE(fs::is_regular_file(prefix / "libexec/vqpapyrant/vqpapyrant-render"));

  // The installed command line finds the library and the renderer of its own
  // tree: a page image is drawn whole by the renderer program.
  std::string output;
  const std::string cli =
      "env -u LD_LIBRARY_PATH " + quoted(prefix / "bin/vqpapyrant") + " -i " + quoted(kSource / "examples/sample.pdf");
  ASSERT_EQ(vqtest::runCommand(cli + " -f html -o " + quoted(prefix / "sample.html") + " 2>&1", &output), 0) << output;
  EXPECT_GT(fs::file_size(prefix / "sample.html"), 0u);
  ASSERT_EQ(vqtest::runCommand(cli + " -f png -p 1 -o " + quoted(prefix / "pages") + " 2>&1", &output), 0) << output;
  EXPECT_FALSE(fs::is_empty(prefix / "pages"));
}

TEST_F(InstalledPackageEndToEndTest, ExampleHostBuildsByPkgConfig) {
  const fs::path program = prefix / "host-pkgconfig";
  std::string output;
  ASSERT_EQ(vqtest::runCommand("PKG_CONFIG_PATH=" + quoted(libdir / "pkgconfig") + " sh -c '" +
                                   std::string(VQ_CXX_COMPILER) + " -std=c++20 -Wall -Wextra -Werror " +
                                   (kSource / "examples/host/convert.cpp").string() + " -o " + program.string() +
                                   " $(pkg-config --cflags --libs vqpapyrant) -Wl,-rpath," + libdir.string() + "' 2>&1",
                               &output),
            0)
      << output;
  expectHostConverts(program);
}

TEST_F(InstalledPackageEndToEndTest, ExampleHostBuildsByCMakePackage) {
  const fs::path build = prefix / "host-build";
  std::string output;
  ASSERT_EQ(vqtest::runCommand(std::string(VQ_CMAKE_COMMAND) + " -S " + quoted(kSource / "examples/host") + " -B " +
                                   quoted(build) + " -DCMAKE_PREFIX_PATH=" + quoted(prefix.path()) +
                                   " -DCMAKE_CXX_COMPILER=" + VQ_CXX_COMPILER + " 2>&1 && " + VQ_CMAKE_COMMAND +
                                   " --build " + quoted(build) + " 2>&1",
                               &output),
            0)
      << output;
  expectHostConverts(build / "convert");
}

}  // namespace
