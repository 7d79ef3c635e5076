#include "pdf/docinfo/VQPDFInfo.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TestSupport.h"

using namespace vq;

namespace {

TEST(VQPDFInfo, ResourceDefaultsAreRead) {
  const auto defaults = VQPDFInfo::ResourceDefaults();
  EXPECT_FALSE(defaults.at("VQPDFInfo_Creator").empty());
  EXPECT_FALSE(defaults.at("VQPDFInfo_Company").empty());
}

TEST(VQPDFInfoCorpus, DocumentWithoutInformationKeepsTheDefaults) {
  EXPECT_EQ(VQPDFInfo::initWithCGPDFDocument(nullptr), nullptr);
  auto document = pdf::Document::open(vqtest::corpusFile("minimal-jspdf.pdf").string(), "");
  ASSERT_TRUE(document);
  auto info = VQPDFInfo::initWithCGPDFDocument(document);
  ASSERT_TRUE(info);
  const auto defaults = VQPDFInfo::ResourceDefaults();
  EXPECT_EQ(info->author, defaults.at("VQPDFInfo_Creator"));
  EXPECT_EQ(info->creator, defaults.at("VQPDFInfo_Company"));
  EXPECT_EQ(info->note, defaults.at("VQPDFInfo_Copyright"));  // the empty web address adds no line
  EXPECT_EQ(info->title, "");
  EXPECT_EQ(info->numPages, 1u);
  EXPECT_EQ(info->creationDate(), std::nullopt);
  const std::string version = document->version();
  EXPECT_EQ(std::to_string(info->majorVersion()) + "." + std::to_string(info->minorVersion()), version);
}

TEST(VQPDFInfoCorpus, InformationDictionaryOverridesDefaults) {
  auto document = pdf::Document::open(vqtest::corpusFile("text-distiller.pdf").string(), "");
  ASSERT_TRUE(document);
  auto info = VQPDFInfo::initWithCGPDFDocument(document);
  std::string expected;
  vqtest::runCommand("pdfinfo '" + vqtest::corpusFile("text-distiller.pdf").string() + "'", &expected);
  expected.insert(0, "\n");
  auto field = [&](const std::string& key) {
    const size_t at = expected.find("\n" + key + ":");
    if (at == std::string::npos) return std::string();
    const size_t start = expected.find_first_not_of(' ', at + key.size() + 2);
    return expected.substr(start, expected.find('\n', start) - start);
  };
  EXPECT_EQ(info->title, field("Title"));
  EXPECT_EQ(info->producer, field("Producer"));
  EXPECT_EQ(std::to_string(info->numPages), field("Pages"));
  EXPECT_TRUE(info->creationDate().has_value());
}

TEST(VQPDFInfo, PlistReaderTakesStringValuesOnly) {
  vqtest::ScratchDir dir;
  const auto path = dir / "p.plist";
  std::ofstream(path) << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><string>x &amp; y</string>"
                         "<key>n</key><integer>3</integer><key>e</key><string/></dict></plist>";
  const auto values = VQPDFInfo::ReadPlistStrings(path.string());
  EXPECT_EQ(values.size(), 2u);
  EXPECT_EQ(values.at("a"), "x & y");
  EXPECT_EQ(values.at("e"), "");
  EXPECT_TRUE(VQPDFInfo::ReadPlistStrings((dir / "missing").string()).empty());
}

}  // namespace
