#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/loader/VQSystemLibrary.h"

namespace {

#define VQ_TEST_C_FUNCTIONS(F) F(atoi) F(labs)
VQ_SYSTEM_LIBRARY(CLibrary, cLibrary, "libc.so.6", VQ_TEST_C_FUNCTIONS)

// What is missing is named, so that a page that needed it fails with a reason.
std::string failureOf(void (*load)()) {
  try {
    load();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(SystemLibrary, FunctionsAreReachedAndWhatIsMissingIsNamed) {
  EXPECT_EQ(cLibrary().labs(-7), 7);
  EXPECT_EQ(cLibrary().atoi("42"), 42);
  EXPECT_EQ(&cLibrary(), &cLibrary());
  EXPECT_NE(failureOf([] { vq::OpenSystemLibrary("libvq-no-such-library.so.9"); }).find("libvq-no-such-library.so.9"),
            std::string::npos);
  EXPECT_NE(failureOf([] {
              vq::SystemLibraryFunction(vq::OpenSystemLibrary("libc.so.6"), "libc.so.6", "vq_none");
            }).find("vq_none"),
            std::string::npos);
}

}  // namespace
