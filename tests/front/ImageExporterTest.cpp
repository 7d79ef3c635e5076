// Page images written through both fronts with the built-in exporter choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include <fmt/format.h>
#include "FrontTestSupport.h"

#include "common/VQPDFPathUtilities.h"
#include "front/VQImagePDFExporter.h"
#include "pdf/images/VQPDFImageFile.h"
#include "support/TestSupport.h"
#include "vqpapyrant/VQDocuments.h"

namespace {

namespace fs = std::filesystem;
using namespace vqtest;
using vq::VQImagePDFExporter;
using vq::VQPDFOptions;

std::vector<std::string> listFolder(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto& entry : fs::directory_iterator(folder, ec)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

template <typename Front, typename Rec>
std::vector<std::string> convert(const std::string& pdf, const std::vector<uint64_t>& pages, const std::string& type,
                                 const fs::path& folder, int threadMax = 0) {
  Rec recorder;
  Front front;
  front.setDelegate(&recorder);
  VQPDFOptions options;
  options.threadMax = threadMax;
  front.convertPDFAtPath(pdf, "", pages, type, folder.string(), options);
  recorder.waitForEnd();
  return recorder.lines;
}

TEST(VQImagePDFExporter, FileNames) {
  struct Case {
    const char* imageName;
    uint64_t pageIndex;
    const char* type;
    const char* expected;
  };
  const Case cases[] = {
      {"IMG", 0, "png", "IMG_00001.png"},
      {"a/b", 0, "png", "ab_00001.png"},
      {"IMG", 99999, "PNG", "IMG_100000.png"},
      {"x?*<>|\"%\\", 4, "JPG", "x_00005.jpg"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VQImagePDFExporter::ImageFileName(c.imageName, c.pageIndex, c.type), c.expected);
  for (const char* key : {"jpg", "JPEG", "png", "Bmp", "gif", "TIFF", "tga", "jp2"})
    EXPECT_TRUE(VQImagePDFExporter::IsImageTypeSupport(key)) << key;
  for (const char* key : {"docx", "pdf", "tif", "", "png "})
    EXPECT_FALSE(VQImagePDFExporter::IsImageTypeSupport(key)) << key;
}

TEST(VQImagePDFExporterCorpus, EveryImageKeyWritesFilesThatDecode) {
  ScratchDir scratch;
  const std::string pdf = corpusFile("minimal-jspdf.pdf").string();  // 200 x 200 points
  for (const char* key : {"jpg", "JPEG", "png", "Bmp", "gif", "TIFF", "tga", "jp2"}) {
    SCOPED_TRACE(key);
    fs::path folder = scratch / key;
    auto lines = convert<vq::VQPapyrant, SingleRecorder>(pdf, {1}, key, folder);
    EXPECT_EQ(lines.back(), "end ok");
    std::string lower = key;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(ch));
    auto names = listFolder(folder);
    ASSERT_EQ(names, std::vector<std::string>{"IMG_00001." + lower});
    auto image = vq::CGImageWithContentsOfFile((folder / names[0]).string());
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 400);
    EXPECT_EQ(image->height, 400);
  }
}

TEST(VQImagePDFExporterCorpus, NumberingUnderEachFront) {
  ScratchDir scratch;
  const std::string pdf = corpusFile("vector-ghostscript.pdf").string();  // three Letter pages
  // One front numbers accepted pages, leaving no gap for a failed one; the
  // page-parallel one numbers places.
  auto single = convert<vq::VQPapyrant, SingleRecorder>(pdf, {2, 99, 1}, "png", scratch / "single");
  EXPECT_EQ(listFolder(scratch / "single"), (std::vector<std::string>{"IMG_00001.png", "IMG_00002.png"}));
  auto parallel = convert<vq::VQPapyrantMutliThread, ParallelRecorder>(pdf, {2, 99, 1}, "png", scratch / "parallel", 5);
  EXPECT_EQ(listFolder(scratch / "parallel"), (std::vector<std::string>{"IMG_00001.png", "IMG_00003.png"}));
  for (const auto& lines : {single, parallel}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), "fail 99 401 Out of PDF Page Range(99)"), lines.end());
    EXPECT_EQ(lines.back(), "end ok");
  }
  auto image = vq::CGImageWithContentsOfFile((scratch / "single" / "IMG_00001.png").string());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 1224);  // Letter at 144 dpi
  EXPECT_EQ(image->height, 1584);

  // A second conversion into the same folder takes free names.
  convert<vq::VQPapyrant, SingleRecorder>(pdf, {3}, "png", scratch / "single");
  EXPECT_EQ(listFolder(scratch / "single"),
            (std::vector<std::string>{"IMG_00001.png", "IMG_000012.png", "IMG_00002.png"}));
}

// A page drawn like the page before it is written as that page's file
// again: every file is the one its page gives when converted alone, pages
// alike repeat it and the others do not.
TEST(VQImagePDFExporter, PagesDrawnAlikeRepeatTheFileOfThePageBefore) {
  ScratchDir scratch;
  const fs::path pdf = scratch / "alike.pdf";
  std::ofstream(pdf, std::ios::binary) << BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 6 0 R 5 0 R 7 0 R] /Count 5 /MediaBox [0 0 72 36] >>",
      "<< /Type /Page /Parent 2 0 R /Contents 8 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 8 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 9 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 8 0 R /Rotate 90 >>",
      "<< /Type /Page /Parent 2 0 R /Contents 8 0 R >>",
      PDFStream("1 0 0 rg 0 0 20 20 re f"),
      PDFStream("0 0 1 rg 0 0 20 20 re f"),
  });
  auto bytes = [](const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  auto lines = convert<vq::VQPapyrant, SingleRecorder>(pdf.string(), {1, 2, 3, 4, 5}, "png", scratch / "all");
  EXPECT_EQ(lines.back(), "end ok");
  std::vector<std::string> files;
  for (const auto& name : listFolder(scratch / "all")) files.push_back(bytes(scratch / "all" / name));
  ASSERT_EQ(files.size(), 5u);
  for (uint64_t n = 1; n <= 5; ++n) {
    SCOPED_TRACE(n);
    const fs::path alone = scratch / fmt::format("alone-{}", n);
    convert<vq::VQPapyrant, SingleRecorder>(pdf.string(), {n}, "png", alone);
    ASSERT_EQ(listFolder(alone).size(), 1u);
    EXPECT_TRUE(bytes(alone / listFolder(alone)[0]) == files[n - 1]);
  }
  // The second page is the first again; the third, turned, follows it.
  EXPECT_TRUE(files[0] == files[1]);
  EXPECT_FALSE(files[1] == files[2]);
  EXPECT_FALSE(files[2] == files[3]);
}

// A destination whose folder cannot be made or written is refused before any
// page, through the programming interface as on the command line: nothing is
// converted, and nothing is left.
TEST(VQImagePDFExporterCorpus, AnUnwritableDestinationIsRefusedBeforeAnyPage) {
  for (const auto& [type, where] : std::vector<std::pair<std::string, std::string>>{
           {"png", "a-file/images"}, {"docx", "a-file/out.docx"}, {"txt", "missing/out.txt"}}) {
    SCOPED_TRACE(type + " to " + where);
    ScratchDir scratch;
    std::ofstream(scratch / "a-file") << "not a folder";
    auto lines =
        convert<vq::VQPapyrant, SingleRecorder>(corpusFile("minimal-jspdf.pdf").string(), {1}, type, scratch / where);
    EXPECT_EQ(lines, (std::vector<std::string>{"start", "end 400 Unknow error while converting."}));
    EXPECT_EQ(listFolder(scratch.path()), std::vector<std::string>{"a-file"});
  }
}

// A file at the destination, or a link to a file or to nothing, gives way to
// the folder of images only once they are written; the file a link names is
// left as it was, and nothing is left beside the destination.
TEST(VQImagePDFExporterCorpus, AFileAtTheDestinationIsReplacedOnSuccess) {
  for (const char* kind : {"file", "link to a file", "link to nothing"}) {
    SCOPED_TRACE(kind);
    ScratchDir scratch;
    const fs::path old = scratch / "old.png";
    const fs::path target = scratch / "kept" / "target";
    fs::create_directory(scratch / "kept");
    if (std::string_view(kind) == "file") std::ofstream(old) << "old";
    else {
      if (std::string_view(kind) == "link to a file") std::ofstream(target) << "kept";
      fs::create_symlink(target, old);
    }
    auto lines = convert<vq::VQPapyrant, SingleRecorder>(corpusFile("minimal-jspdf.pdf").string(), {1}, "png", old);
    EXPECT_EQ(lines, (std::vector<std::string>{"start", "progress 1/1", "willSave", "end ok"}));
    EXPECT_TRUE(fs::is_regular_file(old / "IMG_00001.png"));
    EXPECT_FALSE(fs::is_symlink(old));
    EXPECT_EQ(listFolder(scratch.path()), (std::vector<std::string>{"kept", "old.png"}));
    EXPECT_EQ(listFolder(scratch / "kept"), std::string_view(kind) == "link to a file"
                                                ? std::vector<std::string>{"target"}
                                                : std::vector<std::string>{});
  }
}

// A document the engine reads only with repairs is drawn as the engine reads
// it: a file cut short, a page tree listing one page twice or a kid that is
// no page. The repaired copy the renderer opens goes with the conversion.
TEST(VQImagePDFExporterCorpus, RepairedDocumentsAreDrawnAsRead) {
  ScratchDir scratch;
  std::string cut;
  {
    std::ifstream in(corpusFile("minimal-jspdf.pdf"), std::ios::binary);
    cut.assign(std::istreambuf_iterator<char>(in), {});
    cut.resize(cut.size() * 9 / 10);
  }
  auto tree = [](const std::string& kids, int count) {
    return BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>",
                     fmt::format("<< /Type /Pages /Kids [{}] /Count {} /MediaBox [0 0 72 72] >>", kids, count),
                     "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>", PDFStream("0 0 1 rg 0 0 36 36 re f")});
  };
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<uint64_t> pages;
    size_t images;
  };
  const Case cases[] = {
      {"cut short", cut, {1}, 1},
      {"a page listed twice", tree("3 0 R 3 0 R", 2), {1, 2}, 2},
      {"kids that are no pages", tree("null 3 0 R", 2), {1}, 1},
  };
  // Other test processes share the temporary folder and make repaired copies
  // of their own: where this process has not chosen its folder yet it takes
  // one of its own, and the copies counted are those the case left behind.
  fs::create_directories(scratch / "tmp");
  vqtest::EnvVar privateTemporary("TMPDIR", (scratch / "tmp").string());
  const std::string root = vq::VQPDFPathUtilities::temporaryRoot();
  auto copies = [&] {
    std::set<std::string> names;
    std::error_code ec;
    for (auto& entry : fs::directory_iterator(root, ec))
      if (entry.path().filename().string().starts_with("repaired-")) names.insert(entry.path().filename().string());
    return names;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path pdf = scratch / (std::string(c.name) + ".pdf");
    std::ofstream(pdf, std::ios::binary) << c.bytes;
    const std::set<std::string> before = copies();
    auto lines = convert<vq::VQPapyrant, SingleRecorder>(pdf.string(), c.pages, "png", scratch / c.name);
    EXPECT_EQ(lines.back(), "end ok");
    EXPECT_EQ(listFolder(scratch / c.name).size(), c.images);
    std::vector<std::string> left;
    std::ranges::set_difference(copies(), before, std::back_inserter(left));
    EXPECT_TRUE(left.empty()) << left.front();
  }
}

}  // namespace

// A stop reaches the page being drawn: once the conversion is cancelled the
// page is not drawn (the renderer is not waited for) and nothing is written.
TEST(VQImagePDFExporter, CancelledPageIsNotDrawn) {
  ScratchDir scratch;
  auto document = vq::pdf::Document::open(corpusFile("minimal-jspdf.pdf").string(), "");
  ASSERT_TRUE(document);
  VQImagePDFExporter exporter;
  exporter.destDocType = "png";
  exporter.destDocPath = (scratch / "pages").string();
  exporter.convertPDFBegin(exporter.destDocPath, document);
  EXPECT_TRUE(exporter.convertPDFPage(document->page(1), 1, 2));
  exporter.cancelConvertPDF();
  EXPECT_FALSE(exporter.convertPDFPage(document->page(1), 2, 2));
  exporter.convertPDFClean();
  EXPECT_FALSE(fs::exists(scratch / "pages"));
}

// Pages the renderer refuses as the file writes them are drawn as the engine
// reads them: contents that are no stream make an empty page, and more
// annotations than the renderer takes are drawn all the same, each where
// its rectangle puts it.
TEST(VQImagePDFExporterCorpus, PagesTheRendererRefusesAreDrawnAsRead) {
  ScratchDir scratch;
  auto page = [](const std::string& entries) {
    return BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] " + entries + " >>",
                     "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Length 24 >>\nstream\n"
                     "0 0 1 rg 0 0 10 10 re f\nendstream"});
  };
  std::string annots = "/Annots [";
  for (int i = 0; i < 10'001; ++i) annots += "<< /Type /Annot /Subtype /Square /Rect [0 0 36 36] /AP << /N 4 0 R >> >>";
  annots += "]";
  struct Case {
    const char* name;
    std::string bytes;
    bool blueCorner;  // the lower left quarter drawn blue
  };
  const Case cases[] = {
      {"contents that are an integer", page("/Contents 42"), false},
      {"10,001 annotations", page(annots), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path pdf = scratch / (std::string(c.name) + ".pdf");
    std::ofstream(pdf, std::ios::binary) << c.bytes;
    auto lines = convert<vq::VQPapyrant, SingleRecorder>(pdf.string(), {1}, "png", scratch / c.name);
    EXPECT_EQ(lines.back(), "end ok");
    auto image = vq::CGImageWithContentsOfFile((scratch / c.name / "IMG_00001.png").string());
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, 144);
    const size_t channels = vq::Bitmap::rowBytes(1, image->format);
    auto pixel = [&](int x, int y) { return &image->pixels[static_cast<size_t>(y) * image->stride + x * channels]; };
    const uint8_t* corner = pixel(20, 124);
    EXPECT_EQ(corner[0] < 64 && corner[2] > 192, c.blueCorner);
    EXPECT_GT(pixel(120, 20)[0], 192);  // the rest stays white
  }
}

// A page preview takes the conversion's page checks: a page whose forms
// draw one another a million times is refused at once, not drawn for
// minutes, while an ordinary page previews.
TEST(VQImagePDFExporterCorpus, PreviewsTakeThePageChecks) {
  ScratchDir scratch;
  const fs::path slow = scratch / "slow.pdf";
  std::ofstream(slow, std::ios::binary) << SlowToDrawPDF();
  EXPECT_FALSE(vq::VQRenderPDFPageImage(slow.string(), "", 1, 72).has_value());
  auto preview = vq::VQRenderPDFPageImage(corpusFile("minimal-jspdf.pdf").string(), "", 1, 72);
  ASSERT_TRUE(preview.has_value());
  EXPECT_GT(preview->width, 0);
  EXPECT_FALSE(vq::VQRenderPDFPageImage(corpusFile("minimal-jspdf.pdf").string(), "", 2, 72).has_value());
}
