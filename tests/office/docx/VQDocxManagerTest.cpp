#include "office/docx/VQDocxManager.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TestSupport.h"

using vq::VQDocxManager;

namespace {

// A manager whose table is the given plist text.
void loadTable(const std::string& entries) {
  vqtest::ScratchDir dir;
  const auto path = dir / "heights.plist";
  std::ofstream(path) << R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" << entries
                      << "</dict></plist>";
  VQDocxManager::destory();
  ASSERT_TRUE(VQDocxManager::sharedInstance()->readWordInfoDictionaryAtPath(path.string()));
}

std::string entry(const std::string& key, const std::string& height, const std::string& ascent = "0.9") {
  return "<key>" + key + "</key><dict><key>font-height-factor</key><string>" + height +
         "</string><key>font-ascent-factor</key><string>" + ascent + "</string></dict>";
}

}  // namespace

TEST(VQDocxManagerTest, LineHeightLookupTriesNameVariantsAndBounds) {
  struct Case {
    std::string table;
    std::string font;
    double height;
  };
  const Case cases[] = {
      {entry("helvetica regular", "1.2"), "Helvetica Regular", 1.2},
      {entry("helvetica regular ", "1.3"), "Helvetica Regular", 1.3},
      {entry("helvetica", "1.4"), "Helvetica Regular", 1.4},  // " regular" removed
      {entry("arial ", "1.1"), "ARIAL", 1.1},                 // trailing blank
      {entry("arial regular", "1.5"), "Arial", 1.5},
      {entry("arial", "2"), "Arial", 2.0},
      {entry("arial", "0.5"), "Arial", 0.5},
      {entry("arial", "2.5"), "Arial", 0},
      {entry("arial", "0.4"), "Arial", 0},
      {entry("arial", ""), "Arial", 0},
      {entry("arial", "abc"), "Arial", 0},
      {entry("arial", "1.2"), "Courier", 0},
  };
  for (const auto& c : cases) {
    loadTable(c.table);
    EXPECT_NEAR(VQDocxManager::WordLineHeight(c.font), c.height, 1e-6) << c.table << " / " << c.font;
  }
  loadTable(entry("arial", "1.2", "0.85"));
  EXPECT_NEAR(VQDocxManager::WordLineAscentFactor("Arial"), 0.85, 1e-6);
  VQDocxManager::destory();
}

TEST(VQDocxManagerTest, BundledTableIsReadByEveryNewManager) {
  VQDocxManager::destory();
  auto first = VQDocxManager::sharedInstance();
  EXPECT_NEAR(VQDocxManager::WordLineHeight("Arial"), 1.1499, 1e-4);
  EXPECT_NEAR(VQDocxManager::WordLineHeight("Times New Roman"), 1.1499, 1e-4);
  EXPECT_GT(VQDocxManager::WordLineAscentFactor("Courier New"), 0.5);
  VQDocxManager::destory();
  EXPECT_NE(VQDocxManager::sharedInstance(), first);
  EXPECT_NEAR(VQDocxManager::WordLineHeight("Arial"), 1.1499, 1e-4);
}
