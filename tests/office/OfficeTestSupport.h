#pragma once
// Runs a piece of XML writing into a scratch file and returns the bytes.
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "support/TestSupport.h"

namespace vqtest {

// With `fragment`, "w" is bound but counted as declared elsewhere, so the
// output is the bare markup a serialiser writes.
inline std::string writeXML(const std::function<void(vq::XMLFileWriter&)>& body, bool fragment = true) {
  ScratchDir dir;
  const auto path = dir / "out.xml";
  auto writer = vq::XMLFileWriter::initWithPath(path.string());
  if (!writer) return "<cannot open>";
  if (fragment) {
    writer->setPrefix("w", vq::gl_namespace_xmlns_w);
    writer->setPrefix("v", vq::gl_namespace_xmlns_v);
    writer->setPrefix("o", vq::gl_namespace_xmlns_o);
    writer->setPrefix("w10", vq::gl_namespace_xmlns_w10);
    writer->pushNamespaceStack();
  }
  body(*writer);
  writer->writeEndDocument();
  return readFile(path);
}

}  // namespace vqtest
