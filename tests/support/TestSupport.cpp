#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
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

std::string SlowToDrawPDF() {
  constexpr int kDepth = 7;
  std::string forms;
  for (int i = 0; i < kDepth; ++i) forms += fmt::format("/F{} {} 0 R ", i, 5 + i);
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      fmt::format("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << /XObject << {}>> >> "
                  "/Contents 4 0 R >>",
                  forms),
      PDFStream("/F0 Do"),
  };
  for (int i = 0; i < kDepth; ++i) {
    std::string body;
    if (i + 1 < kDepth) {
      for (int k = 0; k < 10; ++k) body += fmt::format("q 1 0 0 1 {} 0 cm /F{} Do Q ", k * 0.1, i + 1);
    } else {
      body = "0 0 1 rg 10 10 m 100 190 190 10 10 100 c 50 50 l h f";
    }
    objects.push_back(
        fmt::format("<< /Type /XObject /Subtype /Form /BBox [0 0 200 200] /Resources << /XObject << "
                    "{}>> >> /Length {} >>\nstream\n{}\nendstream",
                    forms, body.size(), body));
  }
  return BuildPDF(objects);
}

namespace {

void put16(std::string& out, uint32_t v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}

void put32(std::string& out, uint32_t v) {
  put16(out, v >> 16);
  put16(out, v & 0xFFFF);
}

}  // namespace

std::string BuildTrueTypeFont(const std::string& family, const std::vector<std::pair<uint32_t, uint16_t>>& advances) {
  const uint32_t glyphs = static_cast<uint32_t>(advances.size()) + 1;  // glyph 0 is the missing-glyph one
  std::vector<std::pair<std::string, std::string>> tables;             // by tag, in tag order

  std::string cmap;  // one Unicode map (Windows, full repertoire) of format 12
  put16(cmap, 0), put16(cmap, 1), put16(cmap, 3), put16(cmap, 10), put32(cmap, 12);
  put16(cmap, 12), put16(cmap, 0), put32(cmap, 16 + 12 * static_cast<uint32_t>(advances.size())), put32(cmap, 0);
  put32(cmap, static_cast<uint32_t>(advances.size()));
  for (size_t i = 0; i < advances.size(); ++i)
    put32(cmap, advances[i].first), put32(cmap, advances[i].first), put32(cmap, static_cast<uint32_t>(i) + 1);
  tables.emplace_back("cmap", cmap);
  tables.emplace_back("glyf", std::string(4, '\0'));

  std::string head;
  put32(head, 0x10000), put32(head, 0x10000), put32(head, 0), put32(head, 0x5F0F3CF5);
  put16(head, 0), put16(head, 1000);  // flags, units per em
  head += std::string(16, '\0');      // created, modified
  put16(head, 0), put16(head, 0), put16(head, 1000), put16(head, 1000);
  put16(head, 0), put16(head, 8), put16(head, 2), put16(head, 0), put16(head, 0);  // short offsets
  tables.emplace_back("head", head);

  std::string hhea;
  put32(hhea, 0x10000), put16(hhea, 800), put16(hhea, 0x10000 - 200), put16(hhea, 0), put16(hhea, 1000);
  put16(hhea, 0), put16(hhea, 0), put16(hhea, 1000), put16(hhea, 1), put16(hhea, 0), put16(hhea, 0);
  hhea += std::string(8, '\0');
  put16(hhea, 0), put16(hhea, glyphs);
  tables.emplace_back("hhea", hhea);

  std::string hmtx;
  put16(hmtx, 500), put16(hmtx, 0);
  for (const auto& a : advances) put16(hmtx, a.second), put16(hmtx, 0);
  tables.emplace_back("hmtx", hmtx);

  std::string loca;  // every glyph empty
  for (uint32_t i = 0; i <= glyphs; ++i) put16(loca, 0);
  tables.emplace_back("loca", loca);

  std::string maxp;
  put32(maxp, 0x10000), put16(maxp, glyphs), put16(maxp, 0), put16(maxp, 0), put16(maxp, 0), put16(maxp, 0);
  put16(maxp, 1);  // zones
  maxp += std::string(16, '\0');
  tables.emplace_back("maxp", maxp);

  std::string name;  // the family name, as Windows Unicode
  put16(name, 0), put16(name, 1), put16(name, 18);
  put16(name, 3), put16(name, 1), put16(name, 0x409), put16(name, 1),
      put16(name, 2 * static_cast<uint32_t>(family.size())), put16(name, 0);
  for (unsigned char c : family) put16(name, c);
  tables.emplace_back("name", name);

  std::string font;
  const uint32_t n = static_cast<uint32_t>(tables.size());
  put32(font, 0x10000), put16(font, n), put16(font, 128), put16(font, 3), put16(font, n * 16 - 128);
  uint32_t offset = 12 + 16 * n;
  std::string data;
  for (auto& [tag, body] : tables) {
    uint32_t sum = 0;
    const auto length = static_cast<uint32_t>(body.size());
    body.resize((body.size() + 3) / 4 * 4, '\0');
    for (size_t i = 0; i < body.size(); i += 4)
      sum += static_cast<uint32_t>(static_cast<unsigned char>(body[i])) << 24 |
             static_cast<uint32_t>(static_cast<unsigned char>(body[i + 1])) << 16 |
             static_cast<uint32_t>(static_cast<unsigned char>(body[i + 2])) << 8 |
             static_cast<unsigned char>(body[i + 3]);
    font += tag;
    put32(font, sum), put32(font, offset + static_cast<uint32_t>(data.size())), put32(font, length);
    data += body;
  }
  return font + data;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

namespace {
std::string quotedPath(const fs::path& p) { return "'" + p.string() + "'"; }
}  // namespace

int pdfPageCount(const fs::path& pdf, const std::string& password) {
  std::string out;
  const std::string pw = password.empty() ? "" : "-upw " + quotedPath(password) + " ";
  if (runCommand("pdfinfo " + pw + quotedPath(pdf) + " 2>/dev/null", &out) != 0) return 0;
  const size_t at = out.find("Pages:");
  return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + 6);
}

fs::path readableCorpusFile(const fs::path& file, const fs::path& dir) {
  const std::string password = corpusPassword(file.filename().string());
  if (password.empty()) return file;
  const fs::path plain = dir / (file.stem().string() + ".plain.pdf");
  if (runCommand("qpdf --decrypt --password=" + quotedPath(password) + " " + quotedPath(file) + " " +
                 quotedPath(plain)) != 0)
    throw std::runtime_error("qpdf cannot decrypt " + file.string());
  return plain;
}

std::vector<int> libreOfficePageCounts(const std::vector<fs::path>& documents, const fs::path& work) {
  fs::create_directories(work / "out");
  std::string list;
  for (size_t i = 0; i < documents.size(); ++i) list += fmt::format("{} {}\n", i, quotedPath(documents[i]));
  std::ofstream(work / "list") << list;
  // soffice exits 0 whether or not it converted: the PDF it leaves tells.
  std::ofstream(work / "render.sh") << "timeout 60 soffice --headless -env:UserInstallation=file://" << work.string()
                                    << "/profile-\"$1\" --convert-to pdf --outdir " << quotedPath(work / "out")
                                    << " \"$2\" > /dev/null 2>&1\n";
  runCommand("xargs -P 3 -n 2 sh " + quotedPath(work / "render.sh") + " < " + quotedPath(work / "list"));
  std::vector<int> pages;
  for (const auto& document : documents)
    pages.push_back(pdfPageCount(work / "out" / document.filename().replace_extension(".pdf")));
  return pages;
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
