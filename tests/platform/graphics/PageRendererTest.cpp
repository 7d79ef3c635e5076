#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>

#include <fmt/format.h>

#include "platform/graphics/VQPageRenderer.h"
#include "support/TestSupport.h"

using namespace vq;

namespace {

// Writes a one-page PDF with the given boxes, /Rotate and content stream,
// with a correct cross-reference table.
void writePdf(const std::filesystem::path& path, const std::string& mediaBox, const std::string& cropBox, int rotate,
              const std::string& content) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      fmt::format("<< /Type /Page /Parent 2 0 R /MediaBox [{}] {} /Rotate {} /Contents 4 0 R >>", mediaBox,
                  cropBox.empty() ? "" : "/CropBox [" + cropBox + "]", rotate),
      fmt::format("<< /Length {} >>\nstream\n{}\nendstream", content.size(), content),
  };
  std::ofstream(path, std::ios::binary) << vqtest::BuildPDF(objects);
}

std::array<uint8_t, 3> rgb(const Bitmap& b, int x, int y) {
  const uint8_t* p = b.row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

constexpr std::array<uint8_t, 3> kRed{255, 0, 0};
constexpr std::array<uint8_t, 3> kWhite{255, 255, 255};

// The renderer programs this process has started and not yet reaped.
std::vector<pid_t> rendererPrograms() {
  std::vector<pid_t> out;
  std::error_code ec;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
    std::ifstream children(task.path() / "children");
    pid_t pid;
    while (children >> pid) {
      std::string name;
      std::getline(std::ifstream(fmt::format("/proc/{}/comm", pid)), name);
      if (name.starts_with("vqpapyrant-rend")) out.push_back(pid);
    }
  }
  return out;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(PageRenderer, PixelSizeFollowsCropBoxRotationAndDpi) {
  vqtest::ScratchDir dir;
  struct Case {
    const char* what;
    std::string mediaBox, cropBox;
    int rotate;
    double dpiX, dpiY;
    int width, height;
  } cases[] = {
      {"letter at 144", "0 0 612 792", "", 0, 144, 144, 1224, 1584},
      {"letter turned a quarter", "0 0 612 792", "", 90, 144, 144, 1584, 1224},
      {"turned three quarters", "0 0 612 792", "", 270, 72, 72, 792, 612},
      {"crop box wins", "0 0 612 792", "100 100 300 200", 0, 72, 72, 200, 100},
      // A partly covered pixel counts: 100.9 pt and 104.8 px round up.
      {"rounded up", "0 0 100.9 50.3", "", 0, 72, 150, 101, 105},
      {"part of a last pixel", "0 0 170.079 170.079", "", 0, 144, 144, 341, 341},
      {"whole numbers stay", "0 0 595 842", "", 0, 144, 144, 1190, 1684},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = dir / fmt::format("size-{}.pdf", &c - cases);
    writePdf(file, c.mediaBox, c.cropBox, c.rotate, "");
    std::string error;
    auto bm = RenderPDFPage(file, "", 1, c.dpiX, c.dpiY, &error);
    ASSERT_TRUE(bm) << error;
    EXPECT_EQ(c.width, bm->width);
    EXPECT_EQ(c.height, bm->height);
    EXPECT_EQ(c.dpiX, bm->dpiX);
    EXPECT_EQ(c.dpiY, bm->dpiY);
    EXPECT_EQ(PixelFormat::RGB8, bm->format);
    EXPECT_EQ(static_cast<size_t>(bm->width) * 3, bm->stride);
    EXPECT_EQ(kWhite, rgb(*bm, bm->width / 2, bm->height / 2)) << "blank page is white";
  }
}

TEST(PageRenderer, ContentIsPlacedUprightAndTurnedClockwise) {
  vqtest::ScratchDir dir;
  // A red square in the bottom-left corner of a 200 x 100 crop box that
  // starts at (50, 50) of the media box.
  const std::string red = "1 0 0 rg 50 50 40 40 re f";
  struct Case {
    int rotate;
    int redX, redY;      // a pixel inside the square
    int whiteX, whiteY;  // a pixel of the opposite corner
  } cases[] = {
      {0, 5, 95, 195, 5},
      {90, 5, 5, 95, 195},  // bottom-left goes to the top-left
      {180, 195, 5, 5, 95},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rotate);
    const auto file = dir / fmt::format("turn-{}.pdf", c.rotate);
    writePdf(file, "0 0 400 400", "50 50 250 150", c.rotate, red);
    auto bm = RenderPDFPage(file, "", 1, 72, 72);
    ASSERT_TRUE(bm);
    EXPECT_EQ(kRed, rgb(*bm, c.redX, c.redY));
    EXPECT_EQ(kWhite, rgb(*bm, c.whiteX, c.whiteY));
  }
}

// Page after page on one thread, each drawn in the room of the bitmap
// before it, through sizes that grow past and fall below what the shared
// page memory and the handed-back bitmap hold: every page has its own size
// and the pixels a page drawn afresh on a thread of its own has.
TEST(PageRenderer, PagesDrawnInTheLastPageBitmapMatchFreshOnes) {
  vqtest::ScratchDir dir;
  const auto file = dir / "half.pdf";
  // The left half red, the right half white.
  writePdf(file, "0 0 100 100", "", 0, "1 0 0 rg 0 0 50 100 re f");
  const double dpis[] = {72, 72, 300, 250, 36, 72, 60, 400};
  std::thread([&] {
    Bitmap last;
    for (double dpi : dpis) {
      SCOPED_TRACE(dpi);
      std::string error;
      const auto fresh = std::async(std::launch::async, [&] { return RenderPDFPage(file, "", 1, dpi, dpi); }).get();
      ASSERT_TRUE(fresh);
      auto bm = RenderPDFPage(file, "", 1, dpi, dpi, &error, nullptr, std::move(last));
      ASSERT_TRUE(bm) << error;
      const int side = static_cast<int>(std::ceil(100 * dpi / 72 - 1e-6));
      EXPECT_EQ(side, bm->width);
      EXPECT_EQ(side, bm->height);
      EXPECT_EQ(static_cast<size_t>(side) * side * 3, bm->pixels.size());
      EXPECT_EQ(kRed, rgb(*bm, side / 4, side / 2));
      EXPECT_EQ(kWhite, rgb(*bm, side - 1, side - 1));
      EXPECT_TRUE(bm->pixels == fresh->pixels);
      last = std::move(*bm);
    }
  }).join();
}

TEST(PageRendererCorpus, FailuresAreReportedNotCrashes) {
  vqtest::ScratchDir dir;
  const auto page = dir / "page.pdf";
  writePdf(page, "0 0 612 792", "", 0, "");
  const auto garbage = dir / "garbage.pdf";
  std::ofstream(garbage) << "not a pdf at all";
  const std::string encrypted = vqtest::corpusFile("encrypted-aes128-user.pdf");
  struct Case {
    const char* what;
    std::string path, password;
    int page;
    double dpi;
  } cases[] = {
      {"missing file", (dir / "missing.pdf").string(), "", 1, 72},
      {"folder", dir.path().string(), "", 1, 72},
      {"not a PDF", garbage.string(), "", 1, 72},
      {"page zero", page.string(), "", 0, 72},
      {"page past the end", page.string(), "", 2, 72},
      {"zero dpi", page.string(), "", 1, 0},
      {"NaN dpi", page.string(), "", 1, std::nan("")},
      {"too large a bitmap", page.string(), "", 1, 3000},
      {"wrong password", encrypted, "nope", 1, 72},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(RenderPDFPage(c.path, c.password, c.page, c.dpi, c.dpi, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

TEST(PageRenderer, OpensEncryptedCorpusFilesWithTheirPasswords) {
  const std::pair<const char*, const char*> files[] = {
      {"encrypted-rc4-40-user.pdf", "user"},
      {"encrypted-aes128-user.pdf", "owner"},
      {"encrypted-aes256-nonascii.pdf", "pässwörd"},
  };
  for (auto [name, password] : files) {
    std::string error;
    auto bm = RenderPDFPage(vqtest::corpusFile(name), password, 1, 36, 36, &error);
    ASSERT_TRUE(bm) << name << ": " << error;
    // Text was drawn: not every pixel is white.
    bool inked = false;
    for (size_t i = 0; i < bm->pixels.size() && !inked; ++i) inked = bm->pixels[i] < 128;
    EXPECT_TRUE(inked) << name;
  }
}

TEST(PageRenderer, ChangedFileIsReopened) {
  vqtest::ScratchDir dir;
  const auto file = dir / "changing.pdf";
  writePdf(file, "0 0 100 100", "", 0, "");
  auto first = RenderPDFPage(file, "", 1, 72, 72);
  ASSERT_TRUE(first);
  EXPECT_EQ(kWhite, rgb(*first, 50, 50));
  writePdf(file, "0 0 100 100", "", 0, "1 0 0 rg 0 0 100 100 re f");
  auto second = RenderPDFPage(file, "", 1, 72, 72);
  ASSERT_TRUE(second);
  EXPECT_EQ(kRed, rgb(*second, 50, 50));
}

TEST(PageRendererCorpus, ThreadsRenderTheSamePixels) {
  const std::string file = vqtest::corpusFile("vector-ghostscript.pdf");
  auto reference = RenderPDFPage(file, "", 2, 50, 50);
  ASSERT_TRUE(reference);
  std::vector<std::thread> threads;
  std::vector<int> same(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      int ok = 0;
      for (int i = 0; i < 3; ++i) {
        auto bm = RenderPDFPage(file, "", 2, 50, 50);
        ok += bm && bm->pixels == reference->pixels;
      }
      same[t] = ok;
    });
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(3, same[t]) << "thread " << t;
}

// The page would take minutes; each way of ending it early ends the
// renderer program, leaves no process behind, and the next page renders.
TEST(PageRendererProgram, LongPageEndsByTimeLimitStopOrCrashAndTheNextPageRenders) {
  vqtest::ScratchDir dir;
  const auto slow = dir / "slow.pdf";
  std::ofstream(slow, std::ios::binary) << vqtest::SlowToDrawPDF();
  const auto plain = dir / "plain.pdf";
  writePdf(plain, "0 0 100 100", "", 0, "1 0 0 rg 0 0 100 100 re f");

  struct Case {
    const char* what;
    const char* timeLimit;
    bool stop, kill;
    const char* says;
  } cases[] = {
      {"time limit", "0.5", false, false, "after 0.5 s and was given up"},
      {"stop flag", "600", true, false, "drawing page 1 was stopped"},
      {"renderer killed", "600", false, true, "the page renderer ended while drawing page 1: it was ended by signal 9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vqtest::EnvVar limit("VQPAPYRANT_PAGE_TIME_LIMIT", c.timeLimit);
    std::atomic<bool> stop{false};
    std::thread interrupter([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      if (c.stop) stop = true;
      if (c.kill)
        for (pid_t pid : rendererPrograms()) ::kill(pid, SIGKILL);
    });
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    EXPECT_FALSE(RenderPDFPage(slow, "", 1, 72, 72, &error, &stop));
    const double took = secondsSince(start);
    interrupter.join();
    EXPECT_NE(std::string::npos, error.find(c.says)) << error;
    EXPECT_LT(took, 30) << "the page was not ended early";
    EXPECT_TRUE(rendererPrograms().empty());

    auto next = RenderPDFPage(plain, "", 1, 72, 72, &error);
    ASSERT_TRUE(next) << error;
    EXPECT_EQ(kRed, rgb(*next, 50, 50));
  }
}

// The renderer program is held to a memory budget: a page that needs more
// fails alone, with a reason, and the next page of the same thread renders.
// (Sanitizer builds run the program without a budget.)
TEST(PageRendererProgram, PageBeyondTheMemoryBudgetFailsAlone) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer builds have no memory budget";
#endif
  vqtest::ScratchDir dir;
  const auto plain = dir / "plain.pdf";
  writePdf(plain, "0 0 100 100", "", 0, "1 0 0 rg 0 0 100 100 re f");
  vqtest::EnvVar budget("VQPAPYRANT_RENDER_MEMORY_LIMIT", "48");
  // Each thread starts a program of its own, which reads the budget.
  std::thread([&] {
    std::string error;
    auto small = RenderPDFPage(plain, "", 1, 72, 72, &error);
    ASSERT_TRUE(small) << error;
    // 3333 x 3333 pixels: more than 48 MiB drawn and copied, well within
    // the engine's own bitmap cap.
    EXPECT_FALSE(RenderPDFPage(plain, "", 1, 2400, 2400, &error));
    EXPECT_FALSE(error.empty());
    auto again = RenderPDFPage(plain, "", 1, 72, 72, &error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(kRed, rgb(*again, 50, 50));
  }).join();
}

// A picture drawn 100 points large whose dictionary declares a huge pixel
// size, from a few bytes of data: the renderer refuses a bitmap beyond the
// engine's own image bound, and one beyond the memory budget, and a page
// that loses a picture that way fails with the reason instead of passing
// for drawn. A picture within both draws.
TEST(PageRendererProgram, PageThatLosesAPictureFails) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer builds have no memory budget";
#endif
  struct Case {
    int side;
    const char* says;  // empty: the page draws
  } cases[] = {
      {30000, "a picture of 30000 x 30000 pixels is larger than the renderer draws"},
      {5000, "no memory for a bitmap of 5000 x 5000 pixels"},
      {1000, ""},
  };
  vqtest::ScratchDir dir;
  vqtest::EnvVar budget("VQPAPYRANT_RENDER_MEMORY_LIMIT", "64");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.side);
    const auto path = dir / fmt::format("image-{}.pdf", c.side);
    std::ofstream(path, std::ios::binary) << vqtest::BuildPDF({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /I 5 0 R >> >> /Contents 4 "
        "0 R >>",
        vqtest::PDFStream("q 100 0 0 100 0 0 cm /I Do Q"),
        fmt::format("<< /Type /XObject /Subtype /Image /Width {0} /Height {0} /ColorSpace /DeviceGray "
                    "/BitsPerComponent 8 /Length 4 >>\nstream\nabcd\nendstream",
                    c.side),
    });
    // A thread of its own starts a program of its own, which reads the
    // budget.
    std::thread([&] {
      std::string error;
      const auto bitmap = RenderPDFPage(path, "", 1, 72, 72, &error);
      EXPECT_EQ(bitmap.has_value(), std::string(c.says).empty()) << error;
      if (!bitmap) {
        EXPECT_NE(std::string::npos, error.find(c.says)) << error;
      }
    }).join();
  }
}

// Values that the drawing library refuses outright, which would leave the
// rest of the page undrawn: the page still draws, and what follows them on
// the page is there.
TEST(PageRenderer, RefusedDashesAndSingularMatricesCostOnlyWhatTheyDraw) {
  vqtest::ScratchDir dir;
  const std::string redSquare = " 1 0 0 rg 40 40 20 20 re f";
  const std::string type3 =
      "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0 0 0 0 0 0] /CharProcs << /a 6 0 R >> "
      "/Encoding << /Type /Encoding /Differences [97 /a] >> /FirstChar 97 /LastChar 97 /Widths [1000] >>";
  struct Case {
    const char* what;
    std::string content;
  } cases[] = {
      {"all-zero dashes", "[0 0] 0 d 0 0 1 RG 10 10 m 90 10 l S"},
      {"negative dash", "[3 -1] 0 d 0 0 1 RG 10 10 m 90 10 l S"},
      {"zero scale", "q 0 0 0 0 0 0 cm 0 0 1 rg 0 0 100 100 re f Q"},
      {"Type 3 font with a zero matrix", "BT /T3 24 Tf 10 10 Td (aaa) Tj ET"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = dir / fmt::format("refused-{}.pdf", &c - cases);
    std::ofstream(file, std::ios::binary) << vqtest::BuildPDF({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R /Resources << /Font << /T3 5 0 R >> "
        ">> >>",
        vqtest::PDFStream(c.content + redSquare),
        type3,
        vqtest::PDFStream("1000 0 0 0 1000 1000 d1 0 0 1000 1000 re f"),
    });
    std::string error;
    auto bm = RenderPDFPage(file, "", 1, 72, 72, &error);
    ASSERT_TRUE(bm) << error;
    EXPECT_EQ(kRed, rgb(*bm, 50, 50));
  }
}

// A rule thinner than a pixel or two (width 0 is the thinnest the device
// draws) stands on whole pixels, solid, as other renderers draw it: spread
// over its pixels' coverage it would come out a faint grey, and a table of
// such rules washed out.
TEST(PageRenderer, HairlinesAreSolidPixels) {
  vqtest::ScratchDir dir;
  struct Case {
    const char* what;
    std::string content;
    bool across;  // a horizontal rule, else a vertical one
  } cases[] = {
      {"stroke of width 0", "0 w 10 50.3 m 90 50.3 l S", true},
      {"stroke of a tenth of a point", "0.1 w 10 50 m 90 50 l S", true},
      // Rules drawn as filled rectangles, as TeX draws them.
      {"rule 0.4 pt high", "10 50.3 80 0.4 re f", true},
      {"rule 0.2 pt wide", "30.2 10 0.2 80 re f", false},
      {"rule 0.6 pt high, over two pixels' edge", "10 50.1 80 0.6 re f", true},
      {"rule thin under a scale", "q 0.1 0 0 0.1 0 0 cm 100 500 800 3 re f Q", true},
      {"filled and stroked", "0.2 w 10 50.3 80 0.3 re B", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = dir / fmt::format("hairline-{}.pdf", &c - cases);
    writePdf(file, "0 0 100 100", "", 0, c.content);
    std::string error;
    auto bm = RenderPDFPage(file, "", 1, 144, 144, &error);
    ASSERT_TRUE(bm) << error;
    // The darkest pixel across the rule, at several places along it.
    for (int along : {40, 100, 160}) {
      int darkest = 255, dark = 0;
      for (int across = 0; across < 200; ++across) {
        const auto px = c.across ? rgb(*bm, along, across) : rgb(*bm, across, along);
        darkest = std::min<int>(darkest, px[0]);
        dark += px[0] < 128;
      }
      EXPECT_LT(darkest, 64) << along;
      EXPECT_GE(dark, 1) << along;
      EXPECT_LE(dark, 2) << along;
    }
  }
}
