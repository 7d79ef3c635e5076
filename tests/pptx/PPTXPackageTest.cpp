// Whole conversions: the package parts, several pages on several threads,
// failures and every corpus file.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "front/VQPapyrantMutliThread.h"
#include "pdf/images/VQPDFImageDecoder.h"
#include "platform/dispatch/VQMainQueue.h"
#include "platform/pdf/PdfDocument.h"
#include "pptx/VQPPTXDocument.h"
#include "pptx/VQPPTXPDFExporter.h"
#include "pptx/VQPPTXPage.h"
#include "support/TestSupport.h"

using namespace vq;
namespace fs = std::filesystem;

namespace {

std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }

class EndRecorder : public VQPapyrantMutliThreadDelegate {
 public:
  bool ended = false;
  std::optional<VQError> error;
  uint64_t lastDone = 0;
  void didEndConversion(VQPapyrantMutliThread*, const std::optional<VQError>& e) override {
    error = e;
    ended = true;
  }
  void toPageIndexToTotalPages(VQPapyrantMutliThread*, uint64_t done, uint64_t) override { lastDone = done; }
};

// Converts through the page-parallel front with the pptx exporter.
EndRecorder convertParallel(const fs::path& pdf, const std::vector<uint64_t>& pages, const fs::path& dest, int threads,
                            const std::string& password = "") {
  // A linked library installs the image decoder when it loads; a test
  // binary of static modules does it by hand.
  VQPDFImageDecoder::install();
  EndRecorder rec;
  VQPapyrantMutliThread front;
  front.setDelegate(&rec);
  front.setExporterFactory([](const std::string&, const std::string&, const VQPDFOptions&) {
    return std::make_shared<VQPPTXPDFExporter>();
  });
  VQPDFOptions options;
  options.threadMax = threads;
  front.convertPDFAtPath(pdf.string(), password, pages, "pptx", dest.string(), options);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(300);
  MainQueue::shared().drainUntil([&] { return rec.ended || std::chrono::steady_clock::now() > deadline; });
  EXPECT_TRUE(rec.ended);
  return rec;
}

std::vector<std::string> zipEntries(const fs::path& zip) {
  std::string out;
  vqtest::runCommand("unzip -Z1 " + quote(zip), &out);
  std::vector<std::string> names;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

}  // namespace

// Several pages on several threads, with a page that does not exist in
// between: every part is well-formed, the zip is sound, every slide is
// listed and present, and the slide size is the largest page.
TEST(VQPPTXPackageCorpus, ParallelPagesMakeASoundPackage) {
  vqtest::ScratchDir dir;
  const fs::path dest = dir / "deck.pptx";
  const auto rec = convertParallel(vqtest::corpusFile("annots-links-jpeg.pdf"), {1, 12, 3, 999, 12, 5, 6, 2}, dest, 4);
  ASSERT_FALSE(rec.error);
  ASSERT_TRUE(fs::exists(dest));
  EXPECT_EQ(vqtest::runCommand("unzip -tq " + quote(dest) + " >/dev/null"), 0);

  const fs::path x = dir / "x";
  ASSERT_EQ(vqtest::runCommand("unzip -q " + quote(dest) + " -d " + quote(x)), 0);
  const auto entries = zipEntries(dest);
  int slides = 0, media = 0;
  for (const auto& name : entries) {
    if (name.back() == '/') continue;
    if (name.rfind("ppt/slides/slide", 0) == 0) ++slides;
    if (name.rfind("ppt/media/", 0) == 0) ++media;
    if (name.ends_with(".xml") || name.ends_with(".rels")) {
      EXPECT_EQ(vqtest::runCommand("xmllint --noout " + quote(x / name) + " 2>&1"), 0) << name;
    }
  }
  EXPECT_EQ(slides, 8);
  EXPECT_EQ(media, 4);  // page 12 twice, with two JPEG pictures each

  const std::string presentation = vqtest::readFile(x / "ppt/presentation.xml");
  for (int k = 0; k < 8; ++k)
    EXPECT_NE(presentation.find(fmt::format(R"(<p:sldId id="{}" r:id="rId{}"/>)", 256 + k, 6 + k)), std::string::npos);
  const std::string types = vqtest::readFile(x / "[Content_Types].xml");
  for (const auto& name : entries) {
    if (name.rfind("ppt/media/", 0) != 0 || name.back() == '/') continue;
    const std::string ext = fs::path(name).extension().string().substr(1);
    EXPECT_NE(types.find("Extension=\"" + ext + "\""), std::string::npos) << ext;
  }
  // Every image a slide names is in the package.
  for (int i = 1; i <= 8; ++i) {
    const std::string rels = vqtest::readFile(x / fmt::format("ppt/slides/_rels/slide{}.xml.rels", i));
    std::smatch m;
    for (auto it = rels.cbegin(); std::regex_search(it, rels.cend(), m, std::regex(R"(Target="\.\./media/([^"]+)\")"));
         it = m.suffix().first)
      EXPECT_TRUE(fs::exists(x / "ppt/media" / m[1].str())) << m[1];
  }
  EXPECT_EQ(rec.lastDone, 7u);
}

TEST(VQPPTXPackageEndToEnd, SlideSizeIsTheLargestPageTruncated) {
  vqtest::ScratchDir dir;
  VQPPTXDocument doc((dir / "a.pptx").string(), 5);
  doc.writeDocumentBegin();
  doc.updateDocumentPageSize({612, 792});
  doc.updateDocumentPageSize({792.5, 612});
  doc.updateDocumentPageSize({std::nan(""), 10});
  EXPECT_EQ(doc.writePagesCount(), 4);
  doc.packetZipFileIfNeed();
  EXPECT_FALSE(fs::exists(doc.savedWorkFolder()));
  const fs::path x = dir / "x";
  ASSERT_EQ(vqtest::runCommand("unzip -q " + quote(dir / "a.pptx") + " -d " + quote(x)), 0);
  const std::string presentation = vqtest::readFile(x / "ppt/presentation.xml");
  EXPECT_NE(presentation.find(R"(<p:sldSz cx="10064750" cy="10058400" type="custom"/>)"), std::string::npos)
      << presentation;
  // Five requested slides, none converted: all present, empty.
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(fs::exists(x / fmt::format("ppt/slides/slide{}.xml", i)));
  const std::string rels = vqtest::readFile(x / "ppt/_rels/presentation.xml.rels");
  EXPECT_NE(
      rels.find(
          R"(Id="rId10" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide" Target="slides/slide5.xml")"),
      std::string::npos);
  const std::string core = vqtest::readFile(x / "docProps/core.xml");
  EXPECT_NE(core.find("<cp:lastModifiedBy>Slidequay</cp:lastModifiedBy>"), std::string::npos);
  EXPECT_TRUE(std::regex_search(
      core, std::regex(R"(<dcterms:created xsi:type="dcterms:W3CDTF">\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ<)")));
}

TEST(VQPPTXPackage, MediaIsCollectedOncePerSlide) {
  vqtest::ScratchDir dir;
  VQPPTXDocument doc((dir / "m.pptx").string(), 2);
  doc.writeDocumentBegin();
  const fs::path img = dir / "pic.png";
  std::ofstream(img) << "x";
  VQPPTXPage one(1, doc.savedWorkFolder()), two(2, doc.savedWorkFolder());
  one.writeDocumentBegin();
  two.writeDocumentBegin();
  EXPECT_EQ(doc.collectImageWithPath(img.string(), one), "rId2");
  EXPECT_EQ(doc.collectImageWithPath(img.string(), one), "rId2");
  EXPECT_EQ(doc.collectImageWithPath((dir / "other.png").string(), one), "rId3");
  EXPECT_EQ(doc.collectImageWithPath(img.string(), two), "rId2");
  EXPECT_EQ(two.findExistRelsWithImagePath("../media/image3.png"), "rId2");
}

// A package that cannot be written fails, leaves nothing at the destination
// and removes its work folder; so does a cancelled conversion.
TEST(VQPPTXPackageCorpus, FailuresAndCancellationLeaveNothing) {
  vqtest::ScratchDir dir;
  const auto document = pdf::Document::open(vqtest::corpusFile("minimal-jspdf.pdf").string(), "");
  ASSERT_TRUE(document);
  struct Case {
    fs::path dest;
    bool cancel;
  };
  const Case cases[] = {{dir / "missing-folder" / "out.pptx", false}, {dir / "cancelled.pptx", true}};
  for (const auto& c : cases) {
    VQPPTXPDFExporter exporter;
    exporter.toTotalPages = 2;
    exporter.convertPDFBegin(c.dest.string(), document);
    const std::string work = exporter.documentHandle()->savedWorkFolder();
    ASSERT_TRUE(fs::is_directory(work));
    EXPECT_TRUE(exporter.convertPDFPage(document->page(1), 1, 2));
    EXPECT_FALSE(exporter.convertPDFPage(std::nullopt, 2, 2));
    if (c.cancel) {
      exporter.cancelConvertPDF();
      exporter.convertPDFClean();
    } else {
      EXPECT_THROW(exporter.convertPDFEnd(document), std::runtime_error);
    }
    EXPECT_FALSE(fs::exists(work)) << work;
    EXPECT_FALSE(fs::exists(fs::path(work).parent_path())) << work;
    EXPECT_FALSE(fs::exists(c.dest));
  }
}

TEST(VQPPTXPackageCorpus, LibreOfficeOpensOneSlidePerPage) {
  if (vqtest::runCommand("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "soffice is not installed";
  vqtest::ScratchDir dir;
  const fs::path dest = dir / "slides.pptx";
  const auto rec = convertParallel(vqtest::corpusFile("chart-powerpoint.pdf"), {1, 1, 1}, dest, 3);
  ASSERT_FALSE(rec.error);
  const std::string cmd =
      fmt::format("cd {} && HOME={} timeout 180 soffice --headless --convert-to pdf --outdir {} {} >/dev/null 2>&1",
                  quote(dir.path()), quote(dir / "home"), quote(dir / "out"), quote(dest));
  vqtest::runCommand(cmd);
  const fs::path pdf = dir / "out" / "slides.pdf";
  ASSERT_TRUE(fs::exists(pdf)) << "LibreOffice did not open the package";
  std::string info;
  vqtest::runCommand("pdfinfo " + quote(pdf), &info);
  EXPECT_TRUE(std::regex_search(info, std::regex(R"(Pages:\s+3\n)"))) << info;
}

// What the pages show reaches the slides: cairo ends each filled path with
// a stray move after its last close, and a scan is drawn through a clip.
TEST(VQPPTXPackageCorpus, SlidesShowWhatThePagesPaint) {
  vqtest::ScratchDir dir;
  const fs::path logo = dir / "logo";
  ASSERT_FALSE(convertParallel(vqtest::corpusFile("logo-cairo.pdf"), {1}, dir / "logo.pptx", 1).error);
  ASSERT_EQ(vqtest::runCommand("unzip -q " + quote(dir / "logo.pptx") + " -d " + quote(logo)), 0);
  const std::string slide = vqtest::readFile(logo / "ppt/slides/slide1.xml");
  size_t closes = 0;
  for (size_t at = slide.find("<a:close/>"); at != std::string::npos; at = slide.find("<a:close/>", at + 1)) ++closes;
  // Four filled paths: two circles, a circle with the mark, and a circle
  // with the page and its five lines.
  EXPECT_EQ(closes, 11u) << slide;

  // The scan is 2336 x 2857 pixels on a page of 187 x 242 points: 300 dpi
  // of the page is what the slide keeps.
  const fs::path scan = dir / "scan";
  ASSERT_FALSE(convertParallel(vqtest::corpusFile("scan-ccitt-g4.pdf"), {1}, dir / "scan.pptx", 1).error);
  ASSERT_EQ(vqtest::runCommand("unzip -q " + quote(dir / "scan.pptx") + " -d " + quote(scan)), 0);
  std::vector<fs::path> media;
  for (const auto& e : fs::directory_iterator(scan / "ppt/media")) media.push_back(e.path());
  ASSERT_EQ(media.size(), 1u);
  const std::string png = vqtest::readFile(media[0]);
  ASSERT_GE(png.size(), 24u);
  auto be32 = [&](size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(png[at + i]);
    return v;
  };
  EXPECT_GE(be32(16), 779u);
  EXPECT_GE(be32(20), 1000u);
}

// White rules drawn over a coloured table keep their colour on the slide in
// every colour space the page may give it, stroked or filled.
TEST(VQPPTXPackage, WhiteRulesOverColourKeepTheirColour) {
  vqtest::ScratchDir dir;
  const fs::path pdf = dir / "rules.pdf";
  std::ofstream(pdf, std::ios::binary) << vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /ColorSpace << /W "
      "[/Separation "
      "/White /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0 0 0] /N 1 >>] >> >> >>",
      vqtest::PDFStream("0 0 1 rg 0 0 200 200 re f\n"
                        "1 1 1 RG 1 w 20 100 m 180 100 l S\n"
                        "1 G 20 120 m 180 120 l S\n"
                        "0 0 0 0 K 20 140 m 180 140 l S\n"
                        "/W CS 1 SC 0 w 20 160 m 180 160 l S\n"
                        "1 1 1 rg 20 40 160 0.4 re f\n"
                        "0 0 0 0 k 20 60 160 0.4 re f\n"),
  });
  ASSERT_FALSE(convertParallel(pdf, {1}, dir / "rules.pptx", 1).error);
  const fs::path x = dir / "x";
  ASSERT_EQ(vqtest::runCommand("unzip -q " + quote(dir / "rules.pptx") + " -d " + quote(x)), 0);
  const std::string slide = vqtest::readFile(x / "ppt/slides/slide1.xml");
  // Each freeform's fill, then its line: colour and opacity.
  const std::regex paint(
      R"re(</a:custGeom><a:solidFill><a:srgbClr val="(\w+)"><a:alpha val="(\d+)"/></a:srgbClr></a:solidFill>)re"
      R"re(<a:ln [^>]*><a:solidFill><a:srgbClr val="(\w+)"><a:alpha val="(\d+)"/>)re");
  std::vector<std::string> seen;
  for (auto it = std::sregex_iterator(slide.begin(), slide.end(), paint); it != std::sregex_iterator(); ++it) {
    const auto& m = *it;
    seen.push_back(m[2] != "0" ? "fill " + m[1].str() : m[4] != "0" ? "line " + m[3].str() : "nothing");
  }
  const std::vector<std::string> expected = {"fill 0000ff", "line ffffff", "line ffffff", "line ffffff",
                                             "line ffffff", "fill ffffff", "fill ffffff"};
  EXPECT_EQ(seen, expected) << slide;
}

TEST(VQPPTXPackage, EveryCorpusFileConverts) {
  vqtest::ScratchDir dir;
  for (const auto& pdf : vqtest::corpusFiles()) {
    const std::string name = pdf.stem().string();
    const std::string password = name.find("nonascii") != std::string::npos ? "pässwörd"
                                 : name.rfind("encrypted", 0) == 0          ? "user"
                                                                            : "";
    const auto document = pdf::Document::open(pdf.string(), password);
    ASSERT_TRUE(document) << name;
    std::vector<uint64_t> pages;
    for (int i = 1; i <= std::min(document->pageCount(), 12); ++i) pages.push_back(static_cast<uint64_t>(i));
    const fs::path dest = dir / (name + ".pptx");
    const auto rec = convertParallel(pdf, pages, dest, 3, password);
    EXPECT_FALSE(rec.error) << name;
    EXPECT_EQ(vqtest::runCommand("unzip -tq " + quote(dest) + " >/dev/null"), 0) << name;
  }
}
