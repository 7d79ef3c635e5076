#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The tree installed under a prefix other than the configured one runs from
// there and reads its own resources, not the source tree's: once its copy of
// a template is spoilt, its Word conversion fails.
TEST(InstalledTreeEndToEndTest, RunsFromAnyPrefixWithItsOwnResources) {
  vqtest::ScratchDir prefix;
  std::string output;
  ASSERT_EQ(vqtest::runCommand(std::string(VQ_CMAKE_COMMAND) + " --install " + quoted(VQ_BUILD_DIR) + " --prefix " +
                                   quoted(prefix.path()),
                               &output),
            0)
      << output;
  const fs::path bin = prefix / "bin";
  ASSERT_EQ(vqtest::runCommand(quoted(bin / "vellumate") + " --version", &output), 0) << output;
  EXPECT_EQ(output, std::string("Vellumate ") + VQ_VERSION + "\n");
  // The application converts through the installed library of its own tree.
  ASSERT_EQ(vqtest::runCommand("env -u LD_LIBRARY_PATH ldd " + quoted(bin / "vellumate"), &output), 0) << output;
  EXPECT_NE(output.find("libvqpapyrant.so.0 => " + fs::weakly_canonical(prefix.path()).string() + "/"),
            std::string::npos)
      << output;

  const std::string sample = quoted(fs::path(VQ_SOURCE_DIR) / "examples/sample.pdf");
  auto convert = [&](const fs::path& out) {
    return vqtest::runCommand("env -u VQPAPYRANT_RESOURCES " + quoted(bin / "vqpapyrant") + " -i " + sample +
                                  " -f docx -o " + quoted(out) + " 2>&1",
                              &output);
  };
  ASSERT_EQ(convert(prefix / "sample.docx"), 0) << output;
  EXPECT_GT(fs::file_size(prefix / "sample.docx"), 1000u);

  const fs::path styles = prefix / "share/vqpapyrant/VQVellumate/Docx XML Templates/docx-template-styles-2006.xml";
  ASSERT_TRUE(fs::is_regular_file(styles));
  std::ofstream(styles, std::ios::trunc).close();
  EXPECT_NE(convert(prefix / "spoilt.docx"), 0) << output;
  EXPECT_FALSE(fs::exists(prefix / "spoilt.docx"));
}

}  // namespace
