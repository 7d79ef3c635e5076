#include <gtest/gtest.h>

#include <typeinfo>

#include "docx/VQDocxPDFExporter.h"
#include "flowtext/VQFlowTextPDFExporter.h"
#include "front/VQImagePDFExporter.h"
#include "front/VQPDFExporterChoice.h"
#include "pptx/VQPPTXPDFExporter.h"
#include "xlsx/VQExcelPDFExporter.h"

namespace {

struct Choice {
  const char* key;
  const std::type_info* type;  // nullptr: no exporter
};

// Every key comes back fully built, with the options, key and path the
// caller gave; keys of no format give nothing.
TEST(VQPDFExporterChoice, EveryKeyGetsItsExporterFullyBuilt) {
  const Choice cases[] = {
      {"docx", &typeid(vq::VQDocxPDFExporter)},
      {"pptx", &typeid(vq::VQPPTXPDFExporter)},
      {"xlsx", &typeid(vq::VQExcelPDFExporter)},
      {"csv", &typeid(vq::VQExcelPDFExporter)},
      {"html", &typeid(vq::VQHTMLPDFExporter)},
      {"rtf", &typeid(vq::VQRTFPDFExporter)},
      {"txt", &typeid(vq::VQTextPDFExporter)},
      {"png", &typeid(vq::VQImagePDFExporter)},
      {"JPG", &typeid(vq::VQImagePDFExporter)},
      {"jp2", &typeid(vq::VQImagePDFExporter)},
      {"DOCX", nullptr},
      {"pdf", nullptr},
      {"", nullptr},
  };
  vq::VQPDFOptions options;
  options.threadMax = 3;
  options.excelOptions.allInOneSheet = true;
  for (const Choice& c : cases) {
    auto exporter = vq::VQNewExporter(c.key, "/out/place", options);
    if (!c.type) {
      EXPECT_FALSE(exporter) << c.key;
      continue;
    }
    ASSERT_TRUE(exporter) << c.key;
    auto& made = *exporter;
    EXPECT_EQ(typeid(made), *c.type) << c.key;
    EXPECT_EQ(exporter->destDocType, c.key);
    EXPECT_EQ(exporter->destDocPath, "/out/place");
    EXPECT_EQ(exporter->moreOptions, options) << c.key;
  }
}

}  // namespace
