#pragma once
// Helpers every test may use: where the corpus and fixtures lie, and a
// scratch folder that is removed when the test ends.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vqtest {

std::filesystem::path corpusDir();
std::filesystem::path corpusFile(const std::string& name);
std::vector<std::filesystem::path> corpusFiles();  // every *.pdf, sorted
// The least share (percent) of pdftotext's characters a corpus file's text
// must agree with. pdftotext reads the f-ligatures of TeX's bitmap fonts
// (fonts-type3.pdf) as nothing, where ours reads "fi", "ff" and "fl": those
// letters are ours alone.
inline double leastTextAgreementWithPdftotext(const std::string& corpusName) {
  return corpusName == "fonts-type3.pdf" ? 98.0 : 99.0;
}
// The user password of an encrypted corpus file; "" for the others.
inline std::string corpusPassword(const std::string& corpusName) {
  if (corpusName == "encrypted-aes256-nonascii.pdf") return "p\xC3\xA4ssw\xC3\xB6rd";
  if (corpusName.rfind("encrypted-", 0) == 0) return "user";
  return "";
}
std::filesystem::path fixturesDir();
std::filesystem::path binaryDir();

// A complete PDF file built from `objects`, numbered from 1 in that order, with
// a correct cross-reference table; object 1 must be the catalog (/Root 1 0 R).
std::string BuildPDF(const std::vector<std::string>& objects);

// A stream object holding `content`; its /Length counts the end of line that
// precedes "endstream".
std::string PDFStream(const std::string& content);

// A one-page PDF of 4 KB that takes a renderer minutes to draw: seven
// levels of forms, each drawing the next ten times, a million filled
// curves in all.
std::string SlowToDrawPDF();

// A TrueType font with one empty glyph per character of `advances` (advance
// widths in thousandths of the font size) and `family` as its family name:
// enough for FreeType to map and measure the characters.
std::string BuildTrueTypeFont(const std::string& family, const std::vector<std::pair<uint32_t, uint16_t>>& advances);

// The bytes of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// Runs a shell command, returns its exit status and fills `output` with its
// standard output.
int runCommand(const std::string& command, std::string* output = nullptr);

// The number of pages pdfinfo reads in a PDF opened with `password`, 0 when
// it reads none.
int pdfPageCount(const std::filesystem::path& pdf, const std::string& password = "");

// A corpus file as the command-line program (which takes no password) reads
// it: an encrypted one decrypted by qpdf into `dir`, any other as it is.
std::filesystem::path readableCorpusFile(const std::filesystem::path& file, const std::filesystem::path& dir);

// Documents (DOCX, RTF ...) laid out by LibreOffice into PDFs in `work`/out,
// three side by side, each with a profile of its own and at most a minute (a
// document whose layout never settles is as good as one that does not
// open): the page count of each, 0 where none was made in time.
std::vector<int> libreOfficePageCounts(const std::vector<std::filesystem::path>& documents,
                                       const std::filesystem::path& work);

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for one scope, and puts back what it was.
class EnvVar {
 public:
  EnvVar(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvVar() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace vqtest
