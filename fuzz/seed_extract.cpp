// Turns PDF files into seeds for the fuzz targets, each in its target's
// input format (see the targets' sources):
//   content_scanner  the decoded content of pages and form XObjects
//   tounicode_cmap   a code-width byte, then a ToUnicode stream's text
//   font_loader      a font dictionary (descriptor and descendants written
//                    in), "\nstream\n", then its decoded font program
//   image_decoder    the ten-byte header, then an image's raw data
// Usage: seed_extract <output folder> <file.pdf>...  (one sub-folder per
// target). Objects that do not fit a target's format are left out.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxSeed = 256 * 1024;  // larger inputs only slow the fuzzer down

fs::path gOut;
std::string gStem;
int gCount = 0;

void write(const std::string& target, const std::string& bytes) {
  if (bytes.empty() || bytes.size() > kMaxSeed) return;
  fs::create_directories(gOut / target);
  std::ofstream(gOut / target / (gStem + "-" + std::to_string(++gCount)), std::ios::binary) << bytes;
}

std::string decoded(QPDFObjectHandle stream) {
  try {
    std::shared_ptr<Buffer> b = stream.getStreamData(qpdf_dl_generalized);
    return std::string(reinterpret_cast<const char*>(b->getBuffer()), b->getSize());
  } catch (...) {
    return {};
  }
}

std::string raw(QPDFObjectHandle stream) {
  try {
    std::shared_ptr<Buffer> b = stream.getRawStreamData();
    return std::string(reinterpret_cast<const char*>(b->getBuffer()), b->getSize());
  } catch (...) {
    return {};
  }
}

// A direct copy with references resolved a few levels down; streams other
// than font programs become null (the font target supplies its program).
QPDFObjectHandle direct(QPDFObjectHandle o, int depth, const std::string& key = "") {
  if (depth > 6) return QPDFObjectHandle::newNull();
  if (o.isStream()) {
    if (key != "/FontFile" && key != "/FontFile2" && key != "/FontFile3") return QPDFObjectHandle::newNull();
    QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
    if (o.getDict().hasKey("/Subtype")) d.replaceKey("/Subtype", direct(o.getDict().getKey("/Subtype"), depth + 1));
    return d;
  }
  if (o.isArray()) {
    QPDFObjectHandle a = QPDFObjectHandle::newArray();
    for (int i = 0; i < o.getArrayNItems(); ++i) a.appendItem(direct(o.getArrayItem(i), depth + 1));
    return a;
  }
  if (o.isDictionary()) {
    QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
    for (const auto& k : o.getKeys()) {
      if (k == "/Parent" || k == "/ToUnicode" || k == "/CharProcs" || k == "/Resources") continue;
      d.replaceKey(k, direct(o.getKey(k), depth + 1, k));
    }
    return d;
  }
  return QPDFObjectHandle::parse(o.unparseResolved());
}

QPDFObjectHandle findProgram(QPDFObjectHandle font) {
  QPDFObjectHandle desc = font.getKey("/FontDescriptor");
  if (!desc.isDictionary()) {
    QPDFObjectHandle kids = font.getKey("/DescendantFonts");
    if (kids.isArray() && kids.getArrayNItems() > 0) return findProgram(kids.getArrayItem(0));
    return QPDFObjectHandle::newNull();
  }
  for (const char* k : {"/FontFile", "/FontFile2", "/FontFile3"})
    if (desc.getKey(k).isStream()) return desc.getKey(k);
  return QPDFObjectHandle::newNull();
}

void font(QPDFObjectHandle f) {
  QPDFObjectHandle program = findProgram(f);
  std::string data = program.isStream() ? decoded(program) : std::string();
  write("font_loader", direct(f, 0).unparse() + "\nstream\n" + data);
  QPDFObjectHandle toUnicode = f.getKey("/ToUnicode");
  if (toUnicode.isStream()) {
    const char width = f.getKey("/Subtype").isNameAndEquals("/Type0") ? 1 : 0;
    write("tounicode_cmap", std::string(1, width) + decoded(toUnicode));
  }
}

template <size_t N>
int indexOf(const char* const (&names)[N], const std::string& name) {
  for (size_t i = 0; i < N; ++i)
    if (name == names[i]) return static_cast<int>(i);
  return -1;
}

void image(QPDFObjectHandle s) {
  QPDFObjectHandle d = s.getDict();
  if (!d.getKey("/Width").isInteger() || !d.getKey("/Height").isInteger()) return;
  long long w = d.getKey("/Width").getIntValue(), h = d.getKey("/Height").getIntValue();
  if (w <= 0 || h <= 0 || w > 65535 || h > 65535 || w * h > (1 << 20)) return;

  static const char* const kFilters[] = {
      "",           "/FlateDecode", "/LZWDecode",      "/ASCIIHexDecode", "/ASCII85Decode", "/RunLengthDecode",
      "/DCTDecode", "/JPXDecode",   "/CCITTFaxDecode", "/JBIG2Decode"};
  QPDFObjectHandle f = d.getKey("/Filter");
  if (f.isArray() && f.getArrayNItems() == 1) f = f.getArrayItem(0);
  int filter = f.isNull() ? 0 : f.isName() ? indexOf(kFilters, f.getName()) : -1;
  if (filter < 0) return;

  QPDFObjectHandle p = d.getKey("/DecodeParms");
  if (p.isArray() && p.getArrayNItems() == 1) p = p.getArrayItem(0);
  int parms = 0;
  if (p.isDictionary()) {
    if (filter == 8) parms = p.getKey("/K").isInteger() && p.getKey("/K").getIntValue() < 0 ? 4 : 5;
    else if (p.getKey("/Predictor").isInteger() && p.getKey("/Predictor").getIntValue() >= 10)
      parms = p.getKey("/Colors").isInteger() && p.getKey("/Colors").getIntValue() == 3 ? 15 : 14;
    else if (filter == 6 && p.getKey("/ColorTransform").isInteger())
      parms = p.getKey("/ColorTransform").getIntValue() ? 9 : 8;
    else if (filter == 9) parms = 10;
  }

  static const char* const kBits[] = {"1", "2", "4", "8", "16"};
  int bpc = indexOf(kBits, d.getKey("/BitsPerComponent").unparseResolved());
  uint8_t odd = 0, extras = 0;
  if (bpc < 0) bpc = 0, odd |= 0x10;
  if (d.getKey("/ImageMask").isBool() && d.getKey("/ImageMask").getBoolValue()) extras |= 0x20;
  if (d.getKey("/SMask").isStream()) extras |= 0x02;

  QPDFObjectHandle cs = d.getKey("/ColorSpace");
  int space = 0;
  if (cs.isArray() && cs.getArrayNItems() > 0) {
    std::string family = cs.getArrayItem(0).isName() ? cs.getArrayItem(0).getName() : "";
    if (family == "/Indexed") space = 3;
    else if (family == "/ICCBased" && cs.getArrayNItems() > 1) {
      long long n = cs.getArrayItem(1).getDict().getKey("/N").isInteger()
                        ? cs.getArrayItem(1).getDict().getKey("/N").getIntValue()
                        : 3;
      space = n == 4 ? 2 : 13;
      if (n == 1) odd |= 0x80;
    } else if (family == "/Separation") space = 8;
    else if (family == "/DeviceN") space = 9;
    else if (family == "/CalRGB") space = 5;
    else if (family == "/CalGray") space = 6;
    else if (family == "/Lab") space = 7;
  } else if (cs.isName()) {
    space = cs.getName() == "/DeviceRGB" ? 1 : cs.getName() == "/DeviceCMYK" ? 2 : 0;
  } else {
    odd |= 0x20;
  }
  std::string header = {static_cast<char>(w >> 8),   static_cast<char>(w & 0xff), static_cast<char>(h >> 8),
                        static_cast<char>(h & 0xff), static_cast<char>(bpc),      static_cast<char>(space),
                        static_cast<char>(filter),   static_cast<char>(parms),    static_cast<char>(extras),
                        static_cast<char>(odd)};
  write("image_decoder", header + raw(s));
}

void extract(const fs::path& file) {
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  try {
    pdf.processFile(file.c_str());
  } catch (const std::exception& e) {
    std::cerr << "seed_extract: " << file << ": " << e.what() << "\n";  // encrypted with a password, damaged
    return;
  }
  gStem = file.stem().string();
  gCount = 0;
  std::set<QPDFObjGen> contents;
  for (QPDFObjectHandle page : pdf.getAllPages()) {
    QPDFObjectHandle c = page.getKey("/Contents");
    std::string all;
    if (c.isStream()) all = decoded(c);
    else if (c.isArray())
      for (int i = 0; i < c.getArrayNItems(); ++i)
        if (c.getArrayItem(i).isStream()) all += decoded(c.getArrayItem(i)) + "\n%%EOB\n";
    write("content_scanner", all);
  }
  for (QPDFObjectHandle o : pdf.getAllObjects()) {
    try {
      if (o.isStream()) {
        QPDFObjectHandle d = o.getDict();
        if (d.getKey("/Subtype").isNameAndEquals("/Image")) image(o);
        else if (d.getKey("/Subtype").isNameAndEquals("/Form")) write("content_scanner", decoded(o));
      } else if (o.isDictionary() && o.getKey("/Type").isNameAndEquals("/Font") &&
                 !o.getKey("/Subtype").isNameAndEquals("/CIDFontType0") &&
                 !o.getKey("/Subtype").isNameAndEquals("/CIDFontType2")) {
        font(o);
      }
    } catch (const std::exception& e) {
      std::cerr << "seed_extract: " << file << ": object " << o.getObjectID() << ": " << e.what() << "\n";
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: seed_extract <output folder> <file.pdf>...\n";
    return 2;
  }
  gOut = argv[1];
  for (int i = 2; i < argc; ++i) extract(argv[i]);
  return 0;
}
