#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <stdexcept>

#include <fmt/format.h>

namespace fs = std::filesystem;

namespace vqtest {

fs::path corpusDir() { return fs::path(VQ_TEST_CORPUS_DIR); }
fs::path corpusFile(const std::string& name) { return corpusDir() / name; }
fs::path fixturesDir() { return fs::path(VQ_TEST_FIXTURES_DIR); }
fs::path binaryDir() { return fs::path(VQ_TEST_BINARY_DIR); }

std::vector<fs::path> corpusFiles() {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(corpusDir()))
    if (e.path().extension() == ".pdf") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string BuildPDF(const std::vector<std::string>& objects) {
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += fmt::format("{} 0 obj\n{}\nendobj\n", i + 1, objects[i]);
  }
  const size_t xref = pdf.size();
  pdf += fmt::format("xref\n0 {}\n0000000000 65535 f \n", objects.size() + 1);
  for (size_t offset : offsets) pdf += fmt::format("{:010d} 00000 n \n", offset);
  pdf += fmt::format("trailer\n<< /Size {} /Root 1 0 R >>\nstartxref\n{}\n%%EOF\n", objects.size() + 1, xref);
  return pdf;
}

std::string PDFStream(const std::string& content) {
  return fmt::format("<< /Length {} >>\nstream\n{}\nendstream", content.size() + 1, content);
}

int runCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 4096> buffer;
  std::string text;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) text.append(buffer.data(), n);
  int status = pclose(pipe);
  if (output) *output = std::move(text);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ScratchDir::ScratchDir() {
  std::string tmpl = (fs::temp_directory_path() / "vqtest-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

}  // namespace vqtest
