#pragma once
// Builds font dictionaries with qpdf, writes them as the /Font resources of
// a one-page PDF and reads them back through the engine's PDF layer.
#include <memory>
#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include "fonts/VQPDFFont.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace vqtest {

class FontFixture {
 public:
  FontFixture();
  // A direct object from PDF syntax.
  QPDFObjectHandle parse(const std::string& text);
  // An indirect stream with the given data and extra dictionary entries.
  QPDFObjectHandle stream(const std::string& data, const std::string& dictionary = "<< >>");
  void addFont(const std::string& key, QPDFObjectHandle font);
  // Writes the file (once) and returns its page's /Font dictionary.
  vq::pdf::Object fonts();
  vq::pdf::Object font(const std::string& key) { return fonts().get(key); }

 private:
  std::unique_ptr<QPDF> qpdf_;
  QPDFObjectHandle fontDict_;
  ScratchDir dir_;
  std::shared_ptr<vq::pdf::Document> document_;
};

}  // namespace vqtest

namespace vqtest {
// Replaces the installed fonts with a fixed list (Liberation Sans, Serif and
// Mono, no files behind them) so that name matching does not depend on the machine.
void useFakeInstalledFonts();
// Decodes a whole string with a font: the UTF-8 text of every code joined.
std::string decodeAll(const vq::VQPDFFont& font, const std::string& bytes);
}  // namespace vqtest
