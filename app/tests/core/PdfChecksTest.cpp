#include "core/AppTestSupport.h"
#include "core/VQCPDFUtilities.h"
#include "support/TestSupport.h"

using namespace vq::app;

namespace {

class PdfChecksTest : public vqtest::AppTest {
 protected:
  QString plainPDF() {
    return writeFile("plain.pdf", QByteArray::fromStdString(vqtest::BuildPDF(
                                      {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>"})));
  }
};

struct CheckRow {
  QString path;
  bool valid, locked, lockPrinting;
};

void expectChecks(const std::vector<CheckRow>& rows) {
  for (const CheckRow& row : rows) {
    SCOPED_TRACE(row.path.toStdString());
    EXPECT_EQ(VQCPDFUtilities::isPDFDocumentValidAtPath(row.path), row.valid);
    EXPECT_EQ(VQCPDFUtilities::isPDFDocumentLockedAtPath(row.path), row.locked);
    EXPECT_EQ(VQCPDFUtilities::isPDFDocumentLockPritingAtPath(row.path), row.lockPrinting);
  }
}

TEST_F(PdfChecksTest, PlainFilesAndNonPDFs) {
  expectChecks({
      {plainPDF(), true, false, false},
      {writeFile("notes.txt", "hello"), false, true, true},
      {writeFile("empty.pdf", ""), false, true, true},
      {scratchPath("missing.pdf"), false, true, true},
      {outputDir(), false, true, true},
  });
}

TEST_F(PdfChecksTest, EncryptedCorpusFileNeedsItsPassword) {
  const QString path = QString::fromStdString(vqtest::corpusFile("encrypted-aes128-user.pdf").string());
  expectChecks({{path, true, true, true}});
  EXPECT_TRUE(VQCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(path, "user"));
  EXPECT_FALSE(VQCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(path, "wrong"));
  EXPECT_FALSE(VQCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(path, ""));
  EXPECT_EQ(VQCPDFUtilities::pageCountAtPath(path, "user"), 6);
  EXPECT_EQ(VQCPDFUtilities::pageCountAtPath(path, "wrong"), 0);
}

// Unlocking answers whether the document opens with the password: a file
// that does not open at all is never "unlocked".
TEST_F(PdfChecksTest, UnlockingCorpusFileWithAPassword) {
  const QString encrypted = QString::fromStdString(vqtest::corpusFile("encrypted-aes128-user.pdf").string());
  struct Row {
    const char* name;
    QString path, password;
    bool unlocked;
  };
  const std::vector<Row> rows = {
      {"plain, no password", plainPDF(), "", true},
      {"encrypted, right password", encrypted, "user", true},
      {"encrypted, wrong password", encrypted, "wrong", false},
      {"encrypted, no password", encrypted, "", false},
      {"missing file", scratchPath("missing.pdf"), "user", false},
      {"missing file, no password", scratchPath("missing.pdf"), "", false},
      {"not a PDF", writeFile("notes.pdf", "hello"), "", false},
      {"empty file", writeFile("empty.pdf", ""), "x", false},
      {"folder", outputDir(), "", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VQCPDFUtilities::isUnlockPDFDcoumentAtPath(row.path, row.password), row.unlocked);
    EXPECT_EQ(VQCPDFUtilities::pageCountAtPath(row.path, row.password) > 0, row.unlocked);
  }
}

// A file that opens without a password but forbids printing is treated as locked.
TEST_F(PdfChecksTest, NoPrintingFileCountsAsLockedEndToEnd) {
  const QString plain = plainPDF();
  const QString restricted = scratchPath("noprint.pdf");
  ASSERT_EQ(vqtest::runCommand("qpdf --encrypt '' owner 256 --print=none -- '" + plain.toStdString() + "' '" +
                               restricted.toStdString() + "'"),
            0);
  expectChecks({{restricted, true, false, true}});
  EXPECT_FALSE(VQCPDFUtilities::isAllowPrintingPDFDcoumentAtPath(restricted, ""));
}

}  // namespace
