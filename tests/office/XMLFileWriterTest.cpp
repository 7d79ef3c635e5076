#include "office/XMLFileWriter.h"

#include <gtest/gtest.h>

#include <functional>

#include "OfficeTestSupport.h"

using vq::XMLFileWriter;
using vq::XMLWriterException;
using vqtest::writeXML;

namespace {

constexpr std::string_view kA = "urn:test:a";
constexpr std::string_view kB = "urn:test:b";

TEST(XMLFileWriter, DeclarationElementsAndEmptyForms) {
  const std::string out = writeXML(
      [](XMLFileWriter& x) {
        x.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
        x.writeStartElement("a");
        x.writeAttribute("empty", "");
        x.writeStartElement("b");
        x.writeEndElement();
        x.writeStartElement("t");
        x.writeCharacters("x");
        x.writeEndElement();
        x.writeStartElement("c");
        x.writeEndElement("c");  // an explicit end tag even without content
        x.writeEmptyElementWithNamespace({}, "e");
        x.writeEndElement();
      },
      false);
  EXPECT_EQ(out,
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>"
            "<a empty=\"\"><b/><t>x</t><c></c><e/></a>");
}

TEST(XMLFileWriter, DeclarationDefaultsAndOmissions) {
  const std::string out = writeXML(
      [](XMLFileWriter& x) {
        x.writeStartDocumentWithEncodingAndVersion(std::nullopt, std::nullopt, std::nullopt);
        x.writeStartElement("r");
      },
      false);
  EXPECT_EQ(out, "<?xml version=\"1.0\" ?><r/>");
}

TEST(XMLFileWriter, NamespacesDeclaredOnceOnTheRootInBindingOrder) {
  const std::string out = writeXML(
      [](XMLFileWriter& x) {
        x.setPrefix("b", kB);
        x.setPrefix("a", kA);
        x.setPrefix("", "urn:test:default");
        x.writeStartElementWithNamespace(kA, "root");
        x.writeAttributeWithNamespace(kB, "at", "1");
        x.writeStartElementWithNamespace(kB, "child");
        x.writeStartElementWithNamespace("urn:test:default", "plain");
        x.writeEndElement();
        x.writeEndElement();
        // Bound inside the root: declared on the next start tag only.
        x.setPrefix("c", "urn:test:c");
        x.writeStartElementWithNamespace("urn:test:c", "inner");
        x.writeEndElement();
        x.setPrefix("c", "urn:test:c");
        x.writeEmptyElementWithNamespace(kA, "last");
        x.writeEndElement();
        // The bindings ended with the root: the prefix may be bound anew.
        x.setPrefix("a", kA);
      },
      false);
  EXPECT_EQ(out,
            "<a:root xmlns:b=\"urn:test:b\" xmlns:a=\"urn:test:a\" xmlns=\"urn:test:default\" b:at=\"1\">"
            "<b:child><plain/></b:child><c:inner xmlns:c=\"urn:test:c\"/><a:last/></a:root>");
}

TEST(XMLFileWriter, PushedBindingsAreUsedButNeverDeclared) {
  const std::string out = writeXML([](XMLFileWriter& x) {
    x.writeStartElementWithNamespace(vq::gl_namespace_xmlns_w, "p");
    x.writeEndElement();
  });
  EXPECT_EQ(out, "<w:p/>");
}

TEST(XMLFileWriter, EndDocumentClosesEveryOpenElement) {
  const std::string out = writeXML(
      [](XMLFileWriter& x) {
        x.writeStartElement("a");
        x.writeStartElement("b");
        x.writeCharacters("t");
        x.writeStartElement("c");
      },
      false);
  EXPECT_EQ(out, "<a><b>t<c/></b></a>");
}

TEST(XMLFileWriter, EscapingKeepsValidCharactersAndDropsTheRest) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"a<b & 'c'", "a&lt;b &amp; 'c'"},
      {"q\"q>", "q&quot;q&gt;"},
      {"tab\there\nlf\rcr", "tab\there\nlf\rcr"},
      {"form\x0c"
       "feed\x01",
       "formfeed"},
      {"emoji \xF0\x9F\x98\x80!", "emoji \xF0\x9F\x98\x80!"},    // kept whole
      {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},  // two- and three-byte forms
      {"lone\xED\xA0\x80surrogate", "lonesurrogate"},            // an encoded surrogate half
      {"bad\xFF\xC3"
       "x",
       "badx"},  // stray and truncated bytes
      {"overlong\xC0\xAF", "overlong"},
      {"nonchar\xEF\xBF\xBE\xEF\xBF\xBF.", "nonchar."},  // U+FFFE, U+FFFF
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(XMLFileWriter::escape(c.in), c.out);
    const std::string out = writeXML(
        [&](XMLFileWriter& x) {
          x.writeStartElement("t");
          x.writeAttribute("v", c.in);
          x.writeCharacters(c.in);
        },
        false);
    EXPECT_EQ(out, "<t v=\"" + c.out + "\">" + c.out + "</t>");
  }
}

TEST(XMLFileWriter, RawWriteAndCloseElement) {
  const std::string out = writeXML(
      [](XMLFileWriter& x) {
        x.writeStartElement("body");
        x.writeCloseElement(false);
        x.write("<p>already &amp; markup</p>\xFF");
        x.write("");
        x.writeEndElement("body");
      },
      false);
  EXPECT_EQ(out, "<body><p>already &amp; markup</p></body>");
}

TEST(XMLFileWriter, LineBreaksAndIndentationWhenAsked) {
  const std::string out = writeXML(
      [](XMLFileWriter& x) {
        x.setLineBreak("\n");
        x.setIndentation("  ");
        x.writeStartElement("a");
        x.writeStartElement("b");
        x.writeCharacters("t");
        x.writeEndElement();
        x.writeEndElement();
      },
      false);
  EXPECT_EQ(out, "\n<a>\n  <b>t</b>\n</a>");
}

TEST(XMLFileWriter, MisuseThrowsWithItsReason) {
  struct Case {
    const char* name;
    std::function<void(XMLFileWriter&)> misuse;
    std::string reason;
  };
  const Case cases[] = {
      {"attribute after text",
       [](XMLFileWriter& x) {
         x.writeStartElement("a");
         x.writeCharacters("t");
         x.writeAttribute("k", "v");
       },
       "No open start element"},
      {"attribute after end",
       [](XMLFileWriter& x) {
         x.writeStartElement("a");
         x.writeStartElement("b");
         x.writeEndElement();
         x.writeAttribute("k", "v");
       },
       "No open start element"},
      {"second declaration",
       [](XMLFileWriter& x) {
         x.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
         x.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
       },
       "Document has already been started"},
      {"URI bound twice",
       [](XMLFileWriter& x) {
         x.setPrefix("a", kA);
         x.setPrefix("other", kA);
       },
       "Name namespace urn:test:a has already been set"},
      {"prefix bound twice",
       [](XMLFileWriter& x) {
         x.setPrefix("a", kA);
         x.setPrefix("a", kB);
       },
       "Prefix a has already been set"},
      {"default bound twice",
       [](XMLFileWriter& x) {
         x.setPrefix("", kA);
         x.setPrefix("", kB);
       },
       "Default namespace has already been set"},
      {"no URI", [](XMLFileWriter& x) { x.setPrefix("a", std::nullopt); }, "Namespace cannot be NULL"},
      {"no prefix", [](XMLFileWriter& x) { x.setPrefix(std::nullopt, kA); }, "Prefix cannot be NULL"},
      {"unknown URI", [](XMLFileWriter& x) { x.writeStartElementWithNamespace(kB, "a"); },
       "Unknown namespace URI urn:test:b"},
      {"too many ends", [](XMLFileWriter& x) { x.writeEndElement(); },
       "Cannot write more end elements than start elements."},
      {"too many named ends", [](XMLFileWriter& x) { x.writeEndElement("a"); },
       "Cannot write more end elements than start elements."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::ScratchDir dir;
    auto writer = XMLFileWriter::initWithPath((dir / "m.xml").string());
    ASSERT_TRUE(writer);
    try {
      c.misuse(*writer);
      ADD_FAILURE() << "no exception";
    } catch (const XMLWriterException& e) {
      EXPECT_EQ(std::string(e.what()), c.reason);
    }
  }
}

TEST(XMLFileWriter, UncreatableFileGivesNoWriterAndWritesAfterCloseAreIgnored) {
  EXPECT_EQ(XMLFileWriter::initWithPath("/nonexistent-folder/x.xml"), nullptr);
  vqtest::ScratchDir dir;
  const auto path = dir / "c.xml";
  auto writer = XMLFileWriter::initWithPath(path.string());
  writer->writeStartElement("a");
  writer->writeEndDocument();
  writer->write("<late/>");
  writer->writeStartElement("late");
  EXPECT_EQ(vqtest::readFile(path), "<a/>");
}

TEST(XMLFileWriter, InMemoryWriterWritesWhatAFileWriterWrites) {
  const std::function<void(XMLFileWriter&)> bodies[] = {
      [](XMLFileWriter& x) {
        x.writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
        x.setPrefix("a", kA);
        x.writeStartElementWithNamespace(kA, "root");
        x.writeAttribute("v", "q\"<&\x01\xFF");
        x.writeCharacters("caf\xC3\xA9 \xED\xA0\x80!");
        x.writeEmptyElementWithNamespace(kA, "e");
      },
      [](XMLFileWriter& x) {
        x.setPrefix("w", vq::gl_namespace_xmlns_w);
        x.pushNamespaceStack();
        x.writeStartElementWithNamespace(vq::gl_namespace_xmlns_w, "p");
        x.write("<w:r/>\xC3");
      },
  };
  for (size_t i = 0; i < std::size(bodies); ++i) {
    SCOPED_TRACE(i);
    const std::string fromFile = writeXML(bodies[i], false);
    auto memory = XMLFileWriter::initInMemory();
    ASSERT_TRUE(memory && memory->isOpen());
    bodies[i](*memory);
    memory->writeEndDocument();
    EXPECT_FALSE(memory->isOpen());
    memory->write("<late/>");
    const std::string text = memory->takeText();
    EXPECT_EQ(text, fromFile);
    // Appended into another writer, the text arrives as it is.
    EXPECT_EQ(writeXML([&](XMLFileWriter& x) { x.writeWrittenText(text); }, false), fromFile);
  }
}

TEST(XMLFileWriter, ExistingFileIsTruncated) {
  vqtest::ScratchDir dir;
  const auto path = dir / "t.xml";
  { std::ofstream(path) << "old content that is longer"; }
  auto writer = XMLFileWriter::initWithPath(path.string());
  writer->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");  // offset 0: no throw
  writer->closeFile();
  EXPECT_EQ(vqtest::readFile(path), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>");
}

}  // namespace
