// The command-line front: page ranges, options, and the host program run on
// real documents.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fmt/format.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "front/VQAppMainCLIBase.h"
#include "pdf/images/VQPDFImageFile.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using vq::VQAppMainCLIBase;
using vq::VQCLIArguments;
using vqtest::corpusFile;
using vqtest::ScratchDir;

using Pages = std::vector<uint64_t>;

TEST(VQAppMainCLI, PageIndexsForString) {
  struct Case {
    const char* text;
    int64_t count;
    Pages expected;
  };
  const Case cases[] = {
      {"", 3, {1, 2, 3}},
      {"ALL", 3, {1, 2, 3}},
      {"all", 0, {}},
      {"3-1", 5, {3, 2, 1}},
      {"1-3,5", 5, {1, 2, 3, 5}},
      {"7", 5, {}},
      {"-2", 5, {1, 2}},
      {"3-", 5, {3, 4, 5}},
      {"3- ,1", 5, {3, 4, 5, 1}},
      {"1-2-3", 5, {}},
      {" 2,2,abc,0", 5, {2, 2}},
      {"4-9", 5, {4, 5}},
      {"9-4", 5, {5, 4}},
      {"1-99999999999", 3, {1, 2, 3}},
      {"99999999999999999999999-2", 3, {3, 2}},
      {"1-99999999999999999999", 2, {1, 2}},
  };
  for (const auto& c : cases) EXPECT_EQ(VQAppMainCLIBase::PageIndexsForString(c.text, c.count), c.expected) << c.text;
}

TEST(VQAppMainCLI, ArgumentsAndThreadCount) {
  const char* argv[] = {"vqpapyrant", "-f", "xlsx", "-p", "2", "-cx", "-fpptx", "-z", "operand", "-t", "20", nullptr};
  auto args = VQCLIArguments::parse(11, argv);
  EXPECT_EQ(args.format, "pptx");  // the last occurrence wins
  EXPECT_EQ(args.pages, "2");
  EXPECT_TRUE(args.openConvertedFile);
  EXPECT_TRUE(args.allInOneSheet);
  EXPECT_FALSE(args.input.has_value());
  EXPECT_FALSE(args.help);

  const std::pair<const char*, int32_t> threads[] = {
      {"20", 12}, {"-3", -3}, {"abc", 0}, {" 5x", 5}, {"99999999999", 12}};
  for (auto [text, expected] : threads) {
    VQCLIArguments a;
    a.threads = text;
    EXPECT_EQ(a.threadMax(), expected) << text;
  }
  EXPECT_EQ(VQCLIArguments().threadMax(), 0);
}

TEST(VQAppMainCLI, ProgressText) {
  EXPECT_EQ(VQAppMainCLIBase::ProgressText(2, 4, 4), "Conversion Page: 2-4, Progress: 50.00%");
  EXPECT_EQ(VQAppMainCLIBase::ProgressText(0, 6, 6), "Conversion Page: 0-6, Progress: 0.10%");
  EXPECT_EQ(VQAppMainCLIBase::ProgressText(1, 3, 3), "Conversion Page: 1-3, Progress: 33.33%");
}

struct Result {
  int status = -1;
  std::vector<std::string> lines;
};

// The command-line host program built beside the tests.
std::string hostProgram() { return (vqtest::binaryDir() / "cli" / "vqpapyrant").string(); }

// `environment` is put before the program, as in "NAME=value".
Result runHost(const std::string& arguments, const std::string& environment = "") {
  std::string output;
  const std::string program = hostProgram();
  int raw = vqtest::runCommand(environment + " " + program + " " + arguments + " 2>/dev/null", &output);
  Result result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : raw;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) result.lines.push_back(line);
  return result;
}

std::string shellQuoted(const fs::path& p) { return "'" + p.string() + "'"; }

std::vector<fs::path> filesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  for (auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(VQAppMainCLIHostCorpus, WritesOnePngPerPage) {
  ScratchDir scratch;
  fs::path source = corpusFile("text-distiller.pdf");
  fs::path out = scratch / "OUT";
  Result r = runHost("-i " + shellQuoted(source) + " -f png -o " + shellQuoted(out));
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> expected = {
      "The input file: \"" + source.string() + "\"",
      "Let's convert PDF to \"png\"",
      "Conversion Started: \"" + source.string() + "\"",
  };
  const char* percents[] = {"16.67", "33.33", "50.00", "66.67", "83.33", "100.00"};
  for (int i = 0; i < 6; ++i)
    expected.push_back(fmt::format("Conversion Page: {}-6, Progress: {}%", i + 1, percents[i]));
  expected.push_back("Conversion willSaveDoc to: \"" + out.string() + "\"");
  expected.push_back("Conversion end Success: \"" + source.string() + "\"");
  ASSERT_EQ(r.lines.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::string>(r.lines.begin(), r.lines.end() - 1), expected);
  EXPECT_EQ(r.lines.back().rfind("Conversion Spend Time: ", 0), 0u);

  auto files = filesIn(out);
  ASSERT_EQ(files.size(), 6u);
  for (auto& file : files) {
    auto image = vq::CGImageWithContentsOfFile(file.string());
    ASSERT_TRUE(image.has_value()) << file;
    EXPECT_EQ(image->width, 1190);  // 595 x 842 points at 144 dpi
    EXPECT_EQ(image->height, 1684);
  }
}

TEST(VQAppMainCLIHostCorpus, PageParallelFrontAndPageSelection) {
  ScratchDir scratch;
  Result r = runHost("-i " + shellQuoted(corpusFile("text-distiller.pdf")) + " -f PNG -p 5-99999999999,1 -t 4 -o " +
                     shellQuoted(scratch / "out"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(std::find(r.lines.begin(), r.lines.end(), "Use Threads: \"4\""), r.lines.end());
  EXPECT_NE(std::find(r.lines.begin(), r.lines.end(), "Pages Selected: \"5-99999999999,1\""), r.lines.end());
  auto files = filesIn(scratch / "out");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].filename(), "IMG_00001.png");
  EXPECT_EQ(files[2].filename(), "IMG_00003.png");
}

TEST(VQAppMainCLIHostCorpus, NeverDeletesTheSourceOrAFolder) {
  ScratchDir scratch;
  fs::path source = scratch / "doc.pdf";
  fs::copy_file(corpusFile("minimal-jspdf.pdf"), source);
  const auto size = fs::file_size(source);

  // The destination is the source itself, also when spelt differently.
  for (std::string output : {source.string(), (scratch / "." / "doc.pdf").string()}) {
    Result r = runHost("-i " + shellQuoted(source) + " -f pdf -o " + shellQuoted(output));
    EXPECT_EQ(r.status, 1);
    ASSERT_TRUE(fs::exists(source));
    EXPECT_EQ(fs::file_size(source), size);
  }
  // The default destination of "-f pdf" is the source too.
  EXPECT_EQ(runHost("-i " + shellQuoted(source) + " -f pdf").status, 1);
  EXPECT_TRUE(fs::exists(source));

  // A folder at the destination stays with what it holds.
  fs::path folder = scratch / "images";
  fs::create_directory(folder);
  std::ofstream(folder / "keep.txt") << "keep";
  EXPECT_EQ(runHost("-i " + shellQuoted(source) + " -f png -o " + shellQuoted(folder)).status, 0);
  EXPECT_TRUE(fs::exists(folder / "keep.txt"));
  EXPECT_TRUE(fs::exists(folder / "IMG_00001.png"));

  // A regular file at the destination is replaced.
  fs::path file = scratch / "old";
  std::ofstream(file) << "old output";
  EXPECT_EQ(runHost("-i " + shellQuoted(source) + " -f png -o " + shellQuoted(file)).status, 0);
  EXPECT_TRUE(fs::is_directory(file));
}

TEST(VQAppMainCLIHostCorpus, SelectionsThatNameNoPageAreErrors) {
  ScratchDir scratch;
  const fs::path out = scratch / "out.txt";
  for (const char* pages : {"0", "abc", "7", "''", "' '", "9-12"}) {
    SCOPED_TRACE(pages);
    Result r = runHost("-i " + shellQuoted(corpusFile("text-distiller.pdf")) + " -f txt -p " + pages + " -o " +
                       shellQuoted(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(out));
  }
  Result tail = runHost("-i " + shellQuoted(corpusFile("text-distiller.pdf")) + " -f png -p 5- -o " +
                        shellQuoted(scratch / "tail"));
  EXPECT_EQ(tail.status, 0);
  EXPECT_EQ(filesIn(scratch / "tail").size(), 2u);  // pages 5 and 6
}

TEST(VQAppMainCLIHostCorpus, RefusesInputsThatAreNotRegularFiles) {
  ScratchDir scratch;
  const fs::path fifo = scratch / "pipe.pdf";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const fs::path& input : {fifo, fs::path("/dev/zero")}) {
    SCOPED_TRACE(input.string());
    // A bound on the run: an input read without end fails here (status 124)
    // instead of hanging the suite.
    std::string output;
    const std::string program = hostProgram();
    EXPECT_EQ(vqtest::runCommand("timeout 60 " + program + " -i " + shellQuoted(input) + " -f txt -o " +
                                     shellQuoted(scratch / "out.txt") + " 2>/dev/null",
                                 &output),
              1);
    EXPECT_NE(output.find("Code=404"), std::string::npos);
    EXPECT_FALSE(fs::exists(scratch / "out.txt"));
  }
}

TEST(VQAppMainCLIHostCorpus, PagesNotConvertedFailTheConversion) {
  ScratchDir scratch;
  // (Nowhere to write the images is refused before any page: see
  // OutputProblemsSayWhyOnceNamingTheFolder.)
  // A font whose CMap uses itself would send the page renderer into endless
  // recursion: the page is not rendered, and says so; its text still
  // converts.
  const fs::path looping = scratch / "looping.pdf";
  std::ofstream(looping, std::ios::binary) << vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
      vqtest::PDFStream("BT /F1 24 Tf 72 700 Td <00410042> Tj ET"),
      "<< /Type /Font /Subtype /Type0 /BaseFont /Foo /Encoding 6 0 R /DescendantFonts [7 0 R] >>",
      "<< /Type /CMap /CMapName /Loop /UseCMap 6 0 R /Length 0 >>\nstream\n\nendstream",
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Foo /CIDSystemInfo << /Registry (Adobe) /Ordering "
      "(Identity) /Supplement 0 >> >>",
  });
  Result image = runHost("-i " + shellQuoted(looping) + " -f png -o " + shellQuoted(scratch / "png"));
  EXPECT_EQ(image.status, 1);
  ASSERT_FALSE(image.lines.empty());
  EXPECT_EQ(image.lines.back(), R"(Conversion end Failed: "Pages not converted: 1")");
  EXPECT_EQ(runHost("-i " + shellQuoted(looping) + " -f txt -o " + shellQuoted(scratch / "out.txt")).status, 0);

  // A page that would take minutes to draw is given up at the page time
  // limit, and the run fails naming it.
  const fs::path slow = scratch / "slow.pdf";
  std::ofstream(slow, std::ios::binary) << vqtest::SlowToDrawPDF();
  Result slowImage = runHost("-i " + shellQuoted(slow) + " -f png -o " + shellQuoted(scratch / "slow"),
                             "VQPAPYRANT_PAGE_TIME_LIMIT=1");
  EXPECT_EQ(slowImage.status, 1);
  ASSERT_FALSE(slowImage.lines.empty());
  EXPECT_EQ(slowImage.lines.back(), R"(Conversion end Failed: "Pages not converted: 1")");
  EXPECT_FALSE(fs::exists(scratch / "slow"));
}

// A Type 3 glyph that draws a picture of 65537 x 65537 pixels from one byte
// of data: the page image fails with the reason before the renderer sizes a
// buffer from it, while the formats that take the page's text convert it,
// without the picture.
TEST(VQAppMainCLIHostCorpus, APictureTooLargeInAGlyphFailsOnlyThePageImage) {
  ScratchDir scratch;
  const fs::path pdf = scratch / "glyph.pdf";
  std::ofstream(pdf, std::ios::binary) << vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R /F2 7 "
      "0 R >> >> >>",
      vqtest::PDFStream("BT /F2 12 Tf 72 720 Td (Hello) Tj ET BT /F1 24 Tf 72 700 Td (a) Tj ET"),
      "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << /a 6 "
      "0 R >> /Encoding << /Type /Encoding /Differences [97 /a] >> /FirstChar 97 /LastChar 97 /Widths [1000] "
      "/Resources << >> >>",
      vqtest::PDFStream("1000 0 0 0 1000 1000 d1 1000 0 0 1000 0 0 cm BI /W 65537 /H 65537 /CS /G /BPC 8 ID \x01 EI"),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  });
  std::string output;
  EXPECT_EQ(
      vqtest::runCommand(
          hostProgram() + " -i " + shellQuoted(pdf) + " -f png -o " + shellQuoted(scratch / "png") + " 2>&1", &output),
      1);
  EXPECT_NE(output.find("page 1 is not drawn: a picture of 65537 x 65537 pixels is larger than the renderer draws"),
            std::string::npos)
      << output;
  for (const char* format : {"txt", "docx", "pptx"}) {
    SCOPED_TRACE(format);
    const fs::path out = scratch / (std::string("out.") + format);
    EXPECT_EQ(runHost("-i " + shellQuoted(pdf) + " -f " + format + " -o " + shellQuoted(out)).status, 0);
    if (std::string(format) == "txt") {
      EXPECT_NE(vqtest::readFile(out).find("Hello"), std::string::npos);
    } else {
      // The package's media folder holds no file.
      std::string listing;
      EXPECT_EQ(vqtest::runCommand("unzip -Z1 " + shellQuoted(out) + " | grep 'media/.'", &listing), 1) << listing;
    }
  }
}

TEST(VQAppMainCLIHostCorpus, TheDestinationIsReplacedOnlyByACompleteOutput) {
  ScratchDir scratch;
  for (const char* format : {"txt", "html", "rtf", "docx", "xlsx", "pptx"}) {
    SCOPED_TRACE(format);
    const fs::path out = scratch / (std::string("out.") + format);
    std::ofstream(out) << "the user's previous file";
    // A failed conversion leaves it as it was.
    EXPECT_EQ(
        runHost("-i " + shellQuoted(scratch / "missing.pdf") + " -f " + format + " -o " + shellQuoted(out)).status, 1);
    EXPECT_EQ(vqtest::readFile(out), "the user's previous file");
    // A link at the destination is replaced, never written through.
    const fs::path target = scratch / (std::string("target.") + format);
    std::ofstream(target) << "target";
    fs::remove(out);
    fs::create_symlink(target, out);
    EXPECT_EQ(
        runHost("-i " + shellQuoted(corpusFile("minimal-jspdf.pdf")) + " -f " + format + " -o " + shellQuoted(out))
            .status,
        0);
    EXPECT_FALSE(fs::is_symlink(out));
    EXPECT_EQ(vqtest::readFile(target), "target");
    EXPECT_NE(vqtest::readFile(out), "target");
  }
  // Nothing is left beside the destinations.
  for (const auto& entry : fs::directory_iterator(scratch.path()))
    EXPECT_EQ(entry.path().filename().string().find(".vqpapyrant-"), std::string::npos) << entry.path();
}

// One page of three million operators: long enough to be stopped inside.
std::string LongPagePDF() {
  std::string content = "BT /F1 12 Tf 72 700 Td (Hello) Tj ET ";
  for (int i = 0; i < 3000000; ++i) content += "0 0 m 1 1 l S ";
  uLongf size = compressBound(content.size());
  std::string packed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
                content.size(), 9) != Z_OK)
    return "";
  packed.resize(size);
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(packed.size()) + " /Filter /FlateDecode >>\nstream\n" + packed + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  });
}

// Starts the program in the background with its own TMPDIR, waits until it
// runs and has had time to start the page, sends it `kill` (a shell command
// on $pid) and gives back its exit status. It waits for the program to be
// running first: a signal that reached the shell's child before it became
// the program (a loaded machine can take that long) would be lost with the
// child's ignored SIGINT.
std::string StopInTheMiddle(const fs::path& temp, const std::string& arguments, const std::string& kill) {
  const std::string program = hostProgram();
  std::string output;
  vqtest::runCommand("prog=$(readlink -f " + shellQuoted(program) + "); TMPDIR=" + shellQuoted(temp) + " " + program +
                         " " + arguments +
                         " >/dev/null 2>&1 & pid=$!; n=0; while [ \"$(readlink /proc/$pid/exe)\" != \"$prog\" ] "
                         "&& [ $n -lt 1000 ]; do sleep 0.01; n=$((n+1)); done; sleep 0.2; " +
                         kill + "; wait $pid; echo $?",
                     &output);
  return output;
}

TEST(VQAppMainCLIHostCorpus, InterruptsStopAndLeaveNothingBehind) {
  ScratchDir scratch;
  const fs::path source = scratch / "long-page.pdf";
  std::ofstream(source, std::ios::binary) << LongPagePDF();
  struct Case {
    const char* signal;
    const char* format;
    int status;
    const char* kill;  // how the shell sends it
  };
  // A signal to the process group reaches the program twice at once (as
  // `timeout` sends it): that is one stop, not an impatient second one.
  for (const Case& c : {Case{"INT", "txt", 130, "kill -INT $pid"}, Case{"TERM", "docx", 143, "kill -TERM $pid"},
                        Case{"INT", "xlsx", 130, "kill -INT $pid"}, Case{"HUP", "txt", 129, "kill -HUP $pid"},
                        Case{"QUIT", "xlsx", 131, "kill -QUIT $pid"},
                        Case{"TERM-group", "xlsx", 143, "kill -TERM $pid; kill -TERM $pid"}}) {
    SCOPED_TRACE(std::string(c.signal) + " " + c.format);
    const fs::path temp = scratch / (std::string("tmp-") + c.signal + "-" + c.format);
    fs::create_directory(temp);
    const fs::path out = scratch / (std::string("out.") + c.format);
    std::ofstream(out) << "before";
    EXPECT_EQ(
        StopInTheMiddle(temp, "-i " + shellQuoted(source) + " -f " + c.format + " -o " + shellQuoted(out), c.kill),
        std::to_string(c.status) + "\n");
    std::ifstream in(out);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "before");
    for (const auto& entry : fs::recursive_directory_iterator(temp))
      EXPECT_TRUE(entry.is_directory() && fs::is_empty(entry.path())) << entry.path();
  }
  for (const auto& entry : fs::directory_iterator(scratch.path()))
    EXPECT_EQ(entry.path().filename().string().find(".vqpapyrant-"), std::string::npos) << entry.path();
}

// A run killed outright cannot remove its work files: the next conversion
// does, once no other run is alive in the temporary folder (the files of a
// live run cannot be told from those of the dead).
TEST(VQAppMainCLIHostCorpus, WorkOfAKilledRunGoesWithTheNextRun) {
  ScratchDir scratch;
  const fs::path source = scratch / "long-page.pdf";
  std::ofstream(source, std::ios::binary) << LongPagePDF();
  const fs::path temp = scratch / "tmp";
  fs::create_directory(temp);
  const fs::path root = temp / ("vqpapyrant-" + std::to_string(::geteuid()));
  // Killed once its work folder is there (a loaded machine may take a while).
  EXPECT_EQ(
      StopInTheMiddle(temp, "-i " + shellQuoted(source) + " -f xlsx -o " + shellQuoted(scratch / "out.xlsx"),
                      "n=0; while [ -z \"$(ls " + shellQuoted(root) +
                          " 2>/dev/null)\" ] && [ $n -lt 1000 ]; do sleep 0.01; n=$((n+1)); done; kill -KILL $pid"),
      "137\n");
  ASSERT_FALSE(fs::is_empty(root));
  const auto nextRun = [&] {
    EXPECT_EQ(vqtest::runCommand("TMPDIR=" + shellQuoted(temp) + " " + hostProgram() + " -i " +
                                 shellQuoted(corpusFile("minimal-jspdf.pdf")) + " -f txt -o " +
                                 shellQuoted(scratch / "next.txt") + " > /dev/null 2>&1"),
              0);
  };
  {
    // A run alive in the folder (holding its shared lock, as every run does)
    // keeps everything there.
    const int live = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_SH), 0);
    const auto before = std::distance(fs::directory_iterator(root), {});
    nextRun();
    EXPECT_EQ(std::distance(fs::directory_iterator(root), {}), before);
    ::close(live);
  }
  nextRun();
  EXPECT_TRUE(fs::is_empty(root));
}

// The destination is checked before converting and replaced only by a
// complete output; work names never grow from the destination's name.
TEST(VQAppMainCLIHostCorpus, DestinationsCheckedOnceAndReplacedOnSuccess) {
  ScratchDir scratch;
  const fs::path temp = scratch / "tmp";
  fs::create_directory(temp);
  fs::create_directory(scratch / "out");
  const std::string source = shellQuoted(corpusFile("text-distiller.pdf"));
  auto run = [&](const std::string& format, const fs::path& output) {
    return runHost("-i " + source + " -f " + format + " -o " + shellQuoted(output), "TMPDIR=" + shellQuoted(temp));
  };
  // "out/.." names a folder: refused before any page, nothing written anywhere.
  for (const char* format : {"docx", "xlsx", "pptx", "csv", "txt"}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(run(format, scratch / "out" / "..").status, 1);
  }
  // The longest legal name converts in every format.
  for (const char* format : {"txt", "docx", "xlsx", "csv", "pptx", "html", "rtf", "png"}) {
    SCOPED_TRACE(format);
    const fs::path output = scratch / "out" / (std::string(250, 'n') + "." + format);
    EXPECT_EQ(run(format, output).status, 0);
    EXPECT_TRUE(fs::exists(output));
  }
  // A second CSV conversion replaces the first one's tables.
  const fs::path tables = scratch / "tables.csv";
  EXPECT_EQ(run("csv", tables).status, 0);
  EXPECT_EQ(run("csv", tables).status, 0);
  EXPECT_TRUE(fs::exists(tables / "Table 1.csv"));
  // A failed page-image conversion leaves the file at its destination.
  const fs::path image = scratch / "image.png";
  std::ofstream(image) << "old";
  std::ofstream(scratch / "text.pdf") << "not a PDF";
  EXPECT_EQ(runHost("-i " + shellQuoted(scratch / "text.pdf") + " -f png -o " + shellQuoted(image),
                    "TMPDIR=" + shellQuoted(temp))
                .status,
            1);
  EXPECT_TRUE(fs::is_regular_file(image));
  for (const auto& entry : fs::recursive_directory_iterator(temp))
    EXPECT_TRUE(entry.is_directory() && fs::is_empty(entry.path())) << entry.path();
  for (const auto& entry : fs::directory_iterator(scratch.path()))
    EXPECT_EQ(entry.path().filename().string().find(".vqpapyrant-"), std::string::npos) << entry.path();
}

// A document without a page, and a damaged encrypted one whose key is lost,
// fail in every format with a message instead of writing nothing or blanks.
TEST(VQAppMainCLIHostCorpus, DocumentsWithNothingToConvertFail) {
  ScratchDir scratch;
  const std::pair<const char*, std::string> documents[] = {
      {"no page tree", vqtest::BuildPDF({"<< /Type /Catalog >>"})},
      {"empty page tree",
       vqtest::BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"})},
      {"kids not an array",
       vqtest::BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids 7 /Count 1 >>"})},
  };
  for (const auto& [name, bytes] : documents) {
    const fs::path source = scratch / "source.pdf";
    std::ofstream(source, std::ios::binary) << bytes;
    for (const char* format : {"txt", "csv", "docx", "png"}) {
      SCOPED_TRACE(std::string(name) + " " + format);
      const fs::path output = scratch / (std::string("out.") + format);
      std::string said;
      const int status = vqtest::runCommand(
          hostProgram() + " -i " + shellQuoted(source) + " -f " + format + " -o " + shellQuoted(output) + " 2>&1",
          &said);
      EXPECT_EQ(status, 1);
      EXPECT_NE(said.find("has no page"), std::string::npos) << said;
      EXPECT_FALSE(fs::exists(output));
    }
  }
  // Cut before its trailer, an encrypted file loses its encryption
  // dictionary: its streams are not plain content.
  std::ifstream in(corpusFile("encrypted-rc4-40-user.pdf"), std::ios::binary);
  std::string encrypted(std::istreambuf_iterator<char>(in), {});
  std::ofstream(scratch / "cut.pdf", std::ios::binary) << encrypted.substr(0, encrypted.size() / 2);
  std::string text;
  // Converts scratch/<name>.pdf to scratch/<name>.txt; what the run says goes to `text`.
  const auto toText = [&](const std::string& name) {
    return vqtest::runCommand(hostProgram() + " -i " + shellQuoted(scratch / (name + ".pdf")) + " -f txt -o " +
                                  shellQuoted(scratch / (name + ".txt")) + " 2>&1",
                              &text);
  };
  EXPECT_EQ(toText("cut"), 1);
  EXPECT_NE(text.find("content can be decoded"), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(scratch / "cut.txt"));
  // Pages with no text (a scan, or contents that cannot be decoded) leave
  // nothing to write: the run fails, says why, and a file already at the
  // destination stays as it was.
  std::ofstream(scratch / "blank.pdf", std::ios::binary)
      << vqtest::BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] >>"});
  std::ofstream(scratch / "corrupt.pdf", std::ios::binary)
      << vqtest::BuildPDF({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] /Contents 4 0 R >>",
                           "<< /Length 12 /Filter /FlateDecode >>\nstream\nnot deflated\nendstream"});
  std::ofstream(scratch / "corrupt.txt") << "kept";
  for (const char* name : {"blank", "corrupt"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(toText(name), 1);
    EXPECT_NE(text.find("No text was found"), std::string::npos) << text;
  }
  EXPECT_FALSE(fs::exists(scratch / "blank.txt"));
  EXPECT_EQ(vqtest::readFile(scratch / "corrupt.txt"), "kept");
}

TEST(VQAppMainCLIHostCorpus, BrokenEntriesCostThemselvesNotThePage) {
  ScratchDir scratch;
  std::string widths = "/FirstChar 0 /LastChar 255 /Widths [";
  for (int i = 0; i < 300; ++i) widths += "1e300 ";  // no PDF numbers: the font dictionary cannot be read
  widths += "]";
  struct Case {
    const char* name;
    std::string fontExtra;
    std::string contentBefore;
    std::string extraObject;
  };
  const Case cases[] = {
      {"a ToUnicode stream that maps nothing", "/ToUnicode 6 0 R", "",
       vqtest::PDFStream("garbage beginbfchar <zz> endbfrange 1 2 3")},
      {"a font dictionary that cannot be read", widths, "", ""},
      {"nesting far past the cap", "", std::string(100000, '[') + std::string(100000, ']') + " ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> "
        ">> >>",
        vqtest::PDFStream(c.contentBefore + "BT /F1 12 Tf 72 700 Td (Hello World) Tj ET"),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica " + c.fontExtra + " >>",
    };
    if (!c.extraObject.empty()) objects.push_back(c.extraObject);
    const fs::path source = scratch / "broken.pdf";
    std::ofstream(source, std::ios::binary) << vqtest::BuildPDF(objects);
    const fs::path out = scratch / "broken.txt";
    EXPECT_EQ(runHost("-i " + shellQuoted(source) + " -f txt -o " + shellQuoted(out)).status, 0);
    std::ifstream in(out);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(text.find("Hello World"), std::string::npos) << text;
  }
}

// A destination whose folder cannot take the output fails before any page is
// converted, with one line naming that folder and the system's reason.
TEST(VQAppMainCLIHostCorpus, OutputProblemsSayWhyOnceNamingTheFolder) {
  ScratchDir scratch;
  std::ofstream(scratch / "file") << "x";
  const fs::path readOnly = scratch / "ro";
  fs::create_directory(readOnly);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  // Root writes into any folder: the read-only one is tried as nobody then,
  // with a temporary folder nobody may use.
  std::string asUser;
  const fs::path temp = scratch / "tmp";
  fs::create_directory(temp);
  if (::geteuid() == 0) {
    if (vqtest::runCommand("command -v setpriv > /dev/null") != 0) GTEST_SKIP() << "setpriv is not installed";
    fs::permissions(scratch.path(), fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
    ASSERT_EQ(::chown(temp.c_str(), 65534, 65534), 0);
    asUser = "setpriv --reuid 65534 --regid 65534 --clear-groups ";
  }
  const std::string program = hostProgram();
  struct Case {
    fs::path folder;
    const char* reason;
    bool longName;  // a name longer than the file system holds, in a writable folder
  };
  const Case cases[] = {{scratch / "file", "Not a directory", false},
                        {scratch / "missing", "No such file or directory", false},
                        {readOnly, "Permission denied", false},
                        {temp, "File name too long", true}};
  for (const auto& [folder, reason, longName] : cases) {
    for (const char* format : {"docx", "xlsx", "csv", "pptx", "txt", "html", "rtf", "png"}) {
      // Page images make missing folders: only a missing document folder fails.
      if (folder.filename() == "missing" && std::string_view(format) == "png") continue;
      SCOPED_TRACE(folder.string() + " " + format);
      const fs::path out = folder / ((longName ? std::string(256, 'n') : std::string("out")) + "." + format);
      std::string output;
      const int status = vqtest::runCommand(
          "TMPDIR=" + shellQuoted(temp) + " HOME=" + shellQuoted(temp) + " " + asUser + program + " -i " +
              shellQuoted(corpusFile("minimal-jspdf.pdf")) + " -f " + format + " -o " + shellQuoted(out) + " 2>&1",
          &output);
      EXPECT_EQ(status, 1) << output;
      const std::string said = longName ? "The output path \"" + out.string() + "\" cannot be written: "
                                        : "The output folder \"" + folder.string() + "\" cannot be written: ";
      EXPECT_NE(output.find(said + reason), std::string::npos) << output;
      EXPECT_EQ(output.find("Conversion Page"), std::string::npos) << output;
      std::error_code ec;
      EXPECT_FALSE(fs::exists(out, ec));
    }
  }
  // Page images go neither into a FIFO nor over it.
  const fs::path fifo = scratch / "fifo.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::string output;
  EXPECT_EQ(vqtest::runCommand(program + " -i " + shellQuoted(corpusFile("minimal-jspdf.pdf")) + " -f png -o " +
                                   shellQuoted(fifo) + " 2>&1",
                               &output),
            1);
  EXPECT_NE(output.find("The output folder \"" + fifo.string() + "\" cannot be written: Not a directory"),
            std::string::npos)
      << output;
  EXPECT_TRUE(fs::is_fifo(fifo));
  // A document goes into a device as it is, whoever may write its folder.
  EXPECT_EQ(vqtest::runCommand("TMPDIR=" + shellQuoted(temp) + " HOME=" + shellQuoted(temp) + " " + asUser + program +
                                   " -i " + shellQuoted(corpusFile("minimal-jspdf.pdf")) + " -f txt -o /dev/null",
                               &output),
            0)
      << output;
}

TEST(VQAppMainCLIHostCorpus, FailuresAndUsage) {
  ScratchDir scratch;
  Result missing = runHost("-i " + shellQuoted(scratch / "none.pdf") + " -f png -o " + shellQuoted(scratch / "out"));
  EXPECT_EQ(missing.status, 1);
  ASSERT_FALSE(missing.lines.empty());
  EXPECT_EQ(missing.lines.back(),
            R"(Conversion end Failed: "Error Domain=com.vqpapyrant.error Code=404 "Source File isn't exist."")");

  Result unknown =
      runHost("-i " + shellQuoted(corpusFile("minimal-jspdf.pdf")) + " -f pdf -o " + shellQuoted(scratch / "x"));
  EXPECT_EQ(unknown.status, 1);

  Result usage = runHost("-h");
  EXPECT_EQ(usage.status, 255);
  ASSERT_EQ(usage.lines.size(), 13u);
  EXPECT_EQ(usage.lines[0], "VQPapyrant v1.0.1");
  EXPECT_EQ(usage.lines[1], "");
  EXPECT_EQ(usage.lines[2], "VQPapyrantMutliThread - Convert PDF to Word/Excel/PPT, etc.");
  EXPECT_EQ(usage.lines[11], " -h                        [help]print this help message");
  EXPECT_EQ(runHost("-t 3 -h").lines[0], "VQPapyrantMutliThread v1.0.1");
}

}  // namespace
