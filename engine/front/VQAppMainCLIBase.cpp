#include "front/VQAppMainCLIBase.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "common/VQPDFPathUtilities.h"
#include "front/VQImagePDFExporter.h"
#include "platform/pdf/PdfDocument.h"
#include "xlsx/VQExcelDocument.h"

extern char** environ;

namespace vq {

namespace fs = std::filesystem;

namespace {

// The leading integer of a text: white space skipped, an optional sign, then
// digits; 0 when there are none. Values beyond the type saturate.
int64_t leadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    if (value > (INT64_MAX - digit) / 10) return negative ? INT64_MIN : INT64_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "";
}

void printLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

std::string lowerASCII(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Opens a file with the desktop's default application, without a shell.
void openWithDefaultApplication(const std::string& path) {
  const char* argv[] = {"xdg-open", path.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    std::fprintf(stderr, "Can't open the converted file: %s\n", path.c_str());
  }
}

bool isSameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec) && !ec) return true;
  std::error_code ecA, ecB;
  fs::path canonicalA = fs::weakly_canonical(a, ecA);
  fs::path canonicalB = fs::weakly_canonical(b, ecB);
  return !ecA && !ecB && canonicalA == canonicalB;
}

}  // namespace

VQCLIArguments VQCLIArguments::parse(int argc, const char* const argv[]) {
  VQCLIArguments args;
  const std::string_view withArgument = "iopft";
  for (int i = 1; i < argc && argv[i]; ++i) {
    std::string_view word = argv[i];
    if (word == "--") break;
    if (word.size() < 2 || word[0] != '-') continue;  // operands are not used
    for (size_t k = 1; k < word.size(); ++k) {
      const char option = word[k];
      if (withArgument.find(option) != std::string_view::npos) {
        std::optional<std::string> value;
        if (k + 1 < word.size()) value = std::string(word.substr(k + 1));
        else if (i + 1 < argc && argv[i + 1]) value = std::string(argv[++i]);
        if (!value) {
          std::fprintf(stderr, "option requires an argument -- '%c'\n", option);
          break;
        }
        switch (option) {
          case 'i':
            args.input = value;
            break;
          case 'o':
            args.output = value;
            break;
          case 'p':
            args.pages = value;
            break;
          case 'f':
            args.format = value;
            break;
          case 't':
            args.threads = value;
            break;
        }
        break;  // the rest of the word was the argument
      }
      switch (option) {
        case 'c':
          args.openConvertedFile = true;
          break;
        case 'x':
          args.allInOneSheet = true;
          break;
        case 'h':
          args.help = true;
          break;
        default:
          std::fprintf(stderr, "invalid option -- '%c'\n", option);
          break;
      }
    }
  }
  return args;
}

int32_t VQCLIArguments::threadMax() const {
  if (!threads) return 0;
  int64_t value = std::clamp<int64_t>(leadingInteger(*threads), INT32_MIN, INT32_MAX);
  return static_cast<int32_t>(std::min<int64_t>(value, 12));
}

std::vector<uint64_t> VQAppMainCLIBase::PageIndexsForString(const std::string& text, int64_t count) {
  std::vector<uint64_t> pages;
  auto all = [&] {
    for (int64_t n = 1; n <= count; ++n) pages.push_back(static_cast<uint64_t>(n));
    return pages;
  };
  if (text.empty() || lowerASCII(text) == "all") return all();
  std::string_view rest = text;
  for (;;) {
    size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    if (item.find('-') == std::string_view::npos) {
      int64_t n = leadingInteger(item);
      if (n >= 1 && n <= count) pages.push_back(static_cast<uint64_t>(n));
    } else {
      size_t dash = item.find('-');
      if (item.find('-', dash + 1) == std::string_view::npos) {
        int64_t a = leadingInteger(item.substr(0, dash));
        const std::string_view end = item.substr(dash + 1);
        // "3-" runs to the last page; read as 0 it would count down to 1.
        const bool openEnd = dash > 0 && end.find_first_not_of(" \t") == std::string_view::npos;
        int64_t b = openEnd ? count : leadingInteger(end);
        // Walk only the part of the range inside 1..count, in its direction:
        // "1-99999999999" must not visit numbers that can never be added.
        if (a < b) {
          for (int64_t j = std::max<int64_t>(a, 1); j <= std::min(b, count); ++j)
            pages.push_back(static_cast<uint64_t>(j));
        } else {
          for (int64_t j = std::min(a, count); j >= std::max<int64_t>(b, 1); --j)
            pages.push_back(static_cast<uint64_t>(j));
        }
      }
    }
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return pages;
}

uint64_t VQAppMainCLIBase::GetPDFNumberOfPages(const std::string& path) {
  if (path.empty()) return 0;
  auto document = pdf::Document::open(path, "");
  if (!document) return 0;
  return static_cast<uint64_t>(std::max(document->pageCount(), 0));
}

std::string VQAppMainCLIBase::ProgressText(uint64_t done, uint64_t total, size_t selected) {
  float percent = selected > 0 ? static_cast<float>(done) * 100.0f / static_cast<float>(selected) : 0.0f;
  percent = std::max(percent, 0.1f);
  return fmt::format("Conversion Page: {}-{}, Progress: {:.2f}%", done, total, percent);
}

void VQAppMainCLIBase::usage() const {
  static char buffer[1024];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  static const char* const kLines[] = {
      "VQPapyrantMutliThread - Convert PDF to Word/Excel/PPT, etc.",
      "usage: VQPapyrantMutliThread [input]filepath.pdf [options]docx [output]filepath.docx",
      "where options are:",
      " -i input.pdf              [input]add a new file path for pdf conversion",
      " -o output.docx            [output]write conversion output to file path",
      " -p 1-3,5                  [options]setup pdf page ranges[todo fix]",
      " -f docx,pptx,xlsx,jpg     [options]setup conversion formats{default is docx}",
      " -t 0-12                   [options]use muti threads{default is 1}",
      " -x                        [options]Excel options, output all pages in one sheet",
      " -h                        [help]print this help message",
  };
  std::fputs(title(), stdout);
  std::fputs("\n\n", stdout);
  for (const char* line : kLines) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
  }
  std::fputc('\n', stdout);
  std::fflush(stdout);
  std::exit(-1);
}

int32_t VQAppMainCLIBase::runMain(int argc, const char* const argv[]) {
  openConvertedFile_ = false;
  finished_ = false;
  failedPages_.clear();
  VQCLIArguments args = VQCLIArguments::parse(argc, argv);
  if (args.help) usage();
  openConvertedFile_ = args.openConvertedFile;

  printLine(fmt::format("The input file: \"{}\"\n", args.input ? *args.input : "(null)"));
  pdfPath_ = args.input ? *args.input : "";
  if (pdfPath_.empty()) {
    pdfPath_ = homeFolder() + "/Desktop/TestPage.pdf";
    printLine(
        fmt::format("Because the input is \"null\", let's use the test file(Saved at Desktop): \"{}\"\n", pdfPath_));
  }
  const std::string format = args.format ? *args.format : "docx";
  printLine(fmt::format("Let's convert PDF to \"{}\"\n", format));

  const uint64_t count = GetPDFNumberOfPages(pdfPath_);
  pdfPageIndexs_.clear();
  for (uint64_t n = 1; n <= count; ++n) pdfPageIndexs_.push_back(n);
  if (args.pages) {
    auto selected = PageIndexsForString(*args.pages, static_cast<int64_t>(count));
    printLine(fmt::format("Pages Selected: \"{}\"\n", *args.pages));
    // A selection that names no page of a readable document is a mistake to
    // report, not a request for every page. (An unreadable document is left
    // to the conversion, which says why it cannot be read.)
    const bool blank = args.pages->find_first_not_of(" \t") == std::string::npos;
    if (count > 0 && (blank || selected.empty())) {
      std::fprintf(stderr, "The page selection \"%s\" names no page of the document (pages 1-%llu)\n",
                   args.pages->c_str(), static_cast<unsigned long long>(count));
      pdfResult_ = 1;
      finished_ = true;
      return pdfResult_;
    }
    if (!selected.empty()) pdfPageIndexs_ = std::move(selected);
  }

  std::string destination;
  if (args.output) {
    destination = *args.output;
  } else {
    fs::path source(pdfPath_);
    destination = (source.parent_path() / source.stem()).string() + "." + format;
  }
  // Never the source itself, and never a folder. Documents are written
  // beside the destination and renamed over it when complete, so an existing
  // file stays until then (and stays when the conversion fails). Page images
  // need a folder at the destination (a page-image folder stays and the new
  // images take free names in it).
  std::error_code ec;
  if (isSameFile(pdfPath_, destination)) {
    std::fprintf(stderr, "The output path is the input file itself: \"%s\"\n", destination.c_str());
    pdfResult_ = 1;
    finished_ = true;
    return pdfResult_;
  }
  // The destination is checked here, once, before any page is converted.
  // A document goes to a file: an existing folder there (named as such, or
  // as "out/..") is refused rather than written into. CSV tables replace
  // only an earlier conversion's tables. Page images replace a regular file
  // only once they are written.
  const fs::file_status destinationStatus = fs::status(destination, ec);
  const bool imageFormat = VQImagePDFExporter::IsImageTypeSupport(format);
  const bool tablesFormat = lowerASCII(format) == "csv";
  std::string refusal;
  if (tablesFormat && !VQExcelDocument::IsReplaceableTablesDestination(destination))
    refusal = "holds files other than the tables of an earlier conversion";
  else if (!imageFormat && !tablesFormat && fs::is_directory(destinationStatus)) refusal = "is a folder";
  if (!refusal.empty()) {
    std::fprintf(stderr, "The output path \"%s\" %s\n", destination.c_str(), refusal.c_str());
    pdfResult_ = 1;
    finished_ = true;
    return pdfResult_;
  }
  // A folder that cannot take the output is named now, not found out by
  // every page or after the whole document was converted. (A source that
  // does not open, or has no page, is the first thing to say.)
  if (const auto unwritable =
          count > 0 ? VQPDFPathUtilities::unwritableDestination(destination, imageFormat) : std::nullopt) {
    std::fprintf(stderr, "%s\n", unwritable->c_str());
    pdfResult_ = 1;
    finished_ = true;
    return pdfResult_;
  }
  std::fflush(stdout);

  VQPDFOptions options;
  options.isParserAnnots = 1;
  options.setImageDPI(144);
  options.threadMax = 0;
  if (args.threads) {
    options.threadMax = args.threadMax();
    printLine(fmt::format("Use Threads: \"{}\"\n", options.threadMax));
  }
  options.excelOptions.allInOneSheet = args.allInOneSheet;
  options.excelOptions.excelFormatOption = 1;

  pdfResult_ = 0;
  startConversion(pdfPath_, pdfPageIndexs_, format, destination, options);
  return pdfResult_;
}

void VQAppMainCLIBase::printStarted(const std::string& enginePdfPath) {
  printLine(fmt::format("Conversion Started: \"{}\"\n", enginePdfPath));
}

void VQAppMainCLIBase::printEnded(const std::optional<VQError>& error, const std::string& enginePdfPath,
                                  const std::string& engineDestDocPath, double spendTime) {
  if (error) {
    printLine(fmt::format("Conversion end Failed: \"{}\"\n", error->description()));
    pdfResult_ = 1;
  } else if (!failedPages_.empty()) {
    printLine(fmt::format("Conversion end Failed: \"Pages not converted: {}\"\n", fmt::join(failedPages_, ", ")));
    pdfResult_ = 1;
  } else {
    printLine(fmt::format("Conversion end Success: \"{}\"\n", enginePdfPath));
    pdfResult_ = 0;
    printLine(fmt::format("Conversion Spend Time: {:.0f} sec\n", spendTime));
    if (openConvertedFile_) {
      printLine(fmt::format("Open the Converted file: \"{}\"\n", engineDestDocPath));
      openWithDefaultApplication(engineDestDocPath);
    }
  }
  finished_ = true;
}

void VQAppMainCLIBase::printPage(uint64_t done, uint64_t total) {
  printLine(ProgressText(done, total, pdfPageIndexs_.size()) + "\n");
}

void VQAppMainCLIBase::printWillSave(const std::string& engineDestDocPath) {
  printLine(fmt::format("Conversion willSaveDoc to: \"{}\"\n", engineDestDocPath));
}

void VQAppMainCLIBase::noteFailedPage(uint64_t pdfPageIndex) { failedPages_.push_back(pdfPageIndex); }

void VQAppMainCLIBase::printException(const VQException& exception) {
  printLine(fmt::format("Conversion catchException: {}\n", exception.description()));
}

}  // namespace vq
