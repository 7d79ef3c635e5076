#pragma once
// A hand-written one-page PDF for the helper tests: `resources` is the
// page's resource dictionary body, `objects` further "N 0 obj ... endobj"
// text from object 4 on. qpdf rebuilds the cross-reference table.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace vqtest {

inline QString writeOnePagePDF(const QTemporaryDir& dir, const QByteArray& resources, const QByteArray& objects) {
  QByteArray pdf = "%PDF-1.4\n";
  pdf += "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n";
  pdf += "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n";
  pdf += "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << " + resources + " >> >> endobj\n";
  pdf += objects;
  pdf += "trailer << /Root 1 0 R >>\n%%EOF\n";
  const QString path = dir.filePath("fixture.pdf");
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(pdf);
  return path;
}

}  // namespace vqtest
