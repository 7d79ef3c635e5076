#include "helpers/VQPMPPrintUtilities.h"

#include <cups/cups.h>

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <cmath>
#include <memory>

#include "common/VQPDFPathUtilities.h"
#include "core/VQCPDFUtilities.h"

namespace vq::app {

namespace {

struct DestDeleter {
  void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
using DestPtr = std::unique_ptr<cups_dest_t, DestDeleter>;

struct InfoDeleter {
  void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
using InfoPtr = std::unique_ptr<cups_dinfo_t, InfoDeleter>;

DestPtr namedDest(const QString& printerID) {
  if (printerID.isEmpty()) return nullptr;
  return DestPtr(cupsGetNamedDest(CUPS_HTTP_DEFAULT, printerID.toUtf8().constData(), nullptr));
}

QString destOption(const cups_dest_t* dest, const char* name) {
  return QString::fromUtf8(cupsGetOption(name, dest->num_options, dest->options));
}

// The name a printer shows: its description, else its queue name.
QString displayName(const cups_dest_t* dest) {
  const QString info = destOption(dest, "printer-info");
  return info.isEmpty() ? QString::fromUtf8(dest->name) : info;
}

// Adds every option of the list to the CUPS option array; the new count.
int addOptions(const VQPrintOptions& list, int numOptions, cups_option_t** options) {
  for (const auto& [name, value] : list) numOptions = cupsAddOption(name.c_str(), value.c_str(), numOptions, options);
  return numOptions;
}

void fail(VQPrintError* error, const QString& reason) {
  if (error) error->reason = reason;
}

// Hundredths of millimetres to points.
double points(int hundredthsOfMm) { return hundredthsOfMm / 2540.0 * 72.0; }

QString number(double value) { return QString::number(value, 'f', 0); }

QList<VQPrintPaper> papersOf(cups_dest_t* dest, cups_dinfo_t* info) {
  QList<VQPrintPaper> papers;
  const int count = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
  for (int i = 0; i < count; ++i) {
    cups_size_t size{};
    if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size)) continue;
    VQPrintPaper paper;
    paper.paperID = paper.paperName = QString::fromUtf8(size.media);
    paper.width = points(size.width);
    paper.height = points(size.length);
    paper.margins = {points(size.top), points(size.left), points(size.bottom), points(size.right)};
    papers.append(paper);
  }
  return papers;
}

}  // namespace

std::optional<VQPrintOptions> VQPMPPrintUtilities::pdfFileOptions(const QString& pdfPath) {
  const qint64 pages = VQCPDFUtilities::pageCountAtPath(pdfPath, QString());
  if (pages <= 0) return std::nullopt;
  return VQPrintOptions{{"document-format", "application/pdf"}, {"page-ranges", "1-" + std::to_string(pages)}};
}

bool VQPMPPrintUtilities::PrintToPDFFile(const QString& pdfPath, const QString& printerName) {
  const auto fileOptions = pdfFileOptions(pdfPath);
  if (!fileOptions) return false;
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  QString chosen;
  for (int i = 0; i < count && chosen.isEmpty(); ++i) {
    const QString name = QString::fromUtf8(QByteArray(dests[i].name).left(511));
    if (name.compare(printerName, Qt::CaseInsensitive) == 0) chosen = name;
  }
  cupsFreeDests(count, dests);
  if (chosen.isEmpty()) return false;
  cups_option_t* options = nullptr;
  const int numOptions = addOptions(*fileOptions, 0, &options);
  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, chosen.toUtf8().constData(), pdfPath.toUtf8().constData(),
                                 pdfPath.toUtf8().constData(), numOptions, options);
  cupsFreeOptions(numOptions, options);
  return job > 0;
}

bool VQPMPPrintUtilities::PrinterInfo() {
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  cupsFreeDests(count, dests);
  return count > 0;
}

void VQPMPPrintUtilities::PrintfPMPreset() {
  cups_dest_t* dests = nullptr;
  cupsFreeDests(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests), dests);
}

std::optional<int> VQPMPPrintUtilities::QuickPrintTest(const QString& printerID, VQPrintError* error) {
  QTemporaryFile file(
      QDir(QString::fromStdString(vq::VQPDFPathUtilities::temporaryRoot())).filePath("auto-fit-XXXXXX.pdf"));
  if (!file.open()) {
    fail(error, "PMPrinterPrintWithFile returned error ");
    return std::nullopt;
  }
  {
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.drawRect(QRectF(36, 36, 523, 770));
    painter.drawText(QRectF(36, 36, 523, 770), Qt::AlignCenter, "auto-fit");
  }
  file.close();
  VQPrintJobSettings settings;
  settings.mediaSource = "main";
  settings.mediaType = "photographic-glossy";
  settings.mediaName = "iso-a4";
  settings.width = 595;
  settings.height = 842;
  settings.mimeType = "application/pdf";
  settings.jobName = "auto-fit";
  return SendToPrinter(printerID, settings, file.fileName(), error);
}

QList<QVariantMap> VQPMPPrintUtilities::GetMacConnectedPrinters() {
  QList<QVariantMap> printers;
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < count; ++i)
    printers.append(
        {{"PMPrinterGetName", displayName(&dests[i])}, {"PMPrinterGetID", QString::fromUtf8(dests[i].name)}});
  cupsFreeDests(count, dests);
  return printers;
}

bool VQPMPPrintUtilities::IsPrinterExist(const QString& printerID) { return namedDest(printerID) != nullptr; }

std::optional<VQPrinterState> VQPMPPrintUtilities::GetPrinterState(const QString& printerID, VQPrintError* error) {
  const DestPtr dest = namedDest(printerID);
  const QString state = dest ? destOption(dest.get(), "printer-state") : QString();
  if (state == "3") return VQPrinterState::idle;
  if (state == "4") return VQPrinterState::processing;
  if (state == "5") return VQPrinterState::stopped;
  fail(error, "PMPrinterCopyState returned error  ");
  return std::nullopt;
}

std::optional<QString> VQPMPPrintUtilities::GetPrinterName(const QString& printerID, VQPrintError* error) {
  const DestPtr dest = namedDest(printerID);
  if (!dest) {
    fail(error, "PMPrinterCreateFromPrinterID returned error  ");
    return std::nullopt;
  }
  return displayName(dest.get());
}

std::optional<QString> VQPMPPrintUtilities::GetPrinterPPD(const QString& printerID, VQPrintError* error) {
  const DestPtr dest = namedDest(printerID);
  if (!dest) {
    fail(error, "PMPrinterCreateFromPrinterID returned error  ");
    return std::nullopt;
  }
  const QString server = QString::fromUtf8(cupsServer());
  if (server.isEmpty()) {
    fail(error, "PMPrinterCopyDescriptionURL returned error  ");
    return std::nullopt;
  }
  const QString host = server.startsWith('/') ? QString("localhost") : server;
  return QString("http://%1:%2/printers/%3.ppd").arg(host).arg(ippPort()).arg(QString::fromUtf8(dest->name));
}

std::optional<QList<QVariantMap>> VQPMPPrintUtilities::GetAllPaperSizes(const QString& printerID, VQPrintError* error) {
  const DestPtr dest = namedDest(printerID);
  const InfoPtr info(dest ? cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()) : nullptr);
  if (!info) {
    fail(error, "PMPrinterCreateFromPrinterID returned error  ");
    return std::nullopt;
  }
  QList<QVariantMap> out;
  for (const VQPrintPaper& paper : papersOf(dest.get(), info.get())) {
    const VQPrintMargins& m = paper.margins;
    out.append({{"paperID", paper.paperID},
                {"paperName", paper.paperName},
                {"paperSize", QString("%1x%2px").arg(number(paper.width), number(paper.height))},
                {"paperSizeString", QString("{%1, %2}").arg(paper.width).arg(paper.height)},
                {"paperMarginString",
                 QString("%1, %2, %3, %4").arg(number(m.top), number(m.left), number(m.bottom), number(m.right))}});
  }
  return out;
}

std::optional<VQPrintPaper> VQPMPPrintUtilities::FindMatchPaper(const QList<VQPrintPaper>& papers,
                                                                const QString& /*mediaName*/, VQPrintMargins margins,
                                                                double height, double width, bool skipMargin) {
  const auto whole = [](double v) { return std::trunc(v); };
  for (const VQPrintPaper& paper : papers) {
    if (whole(paper.width) != whole(width) || whole(paper.height) != whole(height)) continue;
    if (!skipMargin) {
      const VQPrintMargins& m = paper.margins;
      if (whole(m.top) != whole(margins.top) || whole(m.left) != whole(margins.left) ||
          whole(m.bottom) != whole(margins.bottom) || whole(m.right) != whole(margins.right))
        continue;
    }
    return paper;
  }
  return std::nullopt;
}

std::optional<QString> VQPMPPrintUtilities::MimeTypeForExtension(const QString& extension) {
  static const QList<std::pair<QString, QString>> table = {
      {"txt", "text/plain"},      {"rtf", "text/rtf"},
      {"html", "text/html"},      {"urf", "image/urf"},
      {"png", "image/png"},       {"jpeg", "image/jpeg"},
      {"jpg", "image/jpeg"},      {"tiff", "image/tiff"},
      {"gif", "image/gif"},       {"ps", "application/postscript"},
      {"pdf", "application/pdf"},
  };
  const QString key = extension.toLower();
  if (key.isEmpty()) return std::nullopt;
  for (const auto& [ext, mime] : table)
    if (ext == key) return mime;
  return std::nullopt;
}

VQPrintOptions VQPMPPrintUtilities::printOptions(const VQPrintJobSettings& s,
                                                 const std::optional<VQPrintPaper>& paper) {
  VQPrintOptions o;
  const auto add = [&o](const char* name, const QString& value) { o.emplace_back(name, value.toStdString()); };
  add("collate", s.collate ? "true" : "false");
  add("copies", QString::number(std::max(1, s.copies)));
  if (!s.duplexSetting.isEmpty()) add("sides", s.duplexSetting);
  const int first = s.first > 0 ? s.first : s.minPage;
  const int last = s.last > 0 ? s.last : s.maxPage;
  if (first > 0 && last >= first) add("page-ranges", QString("%1-%2").arg(first).arg(last));
  if (!s.quality.isEmpty()) add("print-quality", s.quality);
  add("fit-to-page", s.fitToPage ? "true" : "false");
  add("ColorModel", s.colormode ? "RGB" : "Gray");
  add("print-color-mode", s.colormode ? "color" : "monochrome");
  add("output-mode", s.colormode ? "color" : "monochrome");
  if (s.resolutionP > 1) add("printer-resolution", QString("%1dpi").arg(s.resolutionP));
  if (!s.mediaType.isEmpty()) add("MediaType", s.mediaType);
  if (!s.mediaSource.isEmpty()) add("InputSlot", s.mediaSource);
  if (!s.outputBin.isEmpty()) add("OutputBin", s.outputBin);
  if (paper) {
    add("media", paper->paperName);
  } else if (s.width > 0 && s.height > 0) {
    add("media", QString("Custom.%1x%2").arg(number(s.width), number(s.height)));
    add("page-top", number(s.margins.top));
    add("page-left", number(s.margins.left));
    add("page-bottom", number(s.margins.bottom));
    add("page-right", number(s.margins.right));
  }
  if (s.orientation == 3 || s.orientation == 4) add("orientation-requested", QString::number(s.orientation));
  return o;
}

std::optional<int> VQPMPPrintUtilities::SendToPrinter(const QString& printerID, const VQPrintJobSettings& settings,
                                                      const QString& filePath, VQPrintError* error) {
  const DestPtr dest = namedDest(printerID);
  if (!dest) {
    fail(error, "Can't find this printer");
    return std::nullopt;
  }
  const InfoPtr info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
  if (info && !settings.mimeType.isEmpty()) {
    ipp_attribute_t* formats = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest.get(), info.get(), "document-format");
    if (formats && ippGetCount(formats) > 0 && !ippContainsString(formats, settings.mimeType.toUtf8().constData())) {
      fail(error, "Can't Send to Printer (MIME type error)");
      return std::nullopt;
    }
  }
  const QList<VQPrintPaper> papers = info ? papersOf(dest.get(), info.get()) : QList<VQPrintPaper>();
  const auto paper =
      FindMatchPaper(papers, settings.mediaName, settings.margins, settings.height, settings.width, false);
  if (!QFileInfo(filePath).isFile()) {
    fail(error, "PMPrinterPrintWithFile returned error ");
    return std::nullopt;
  }
  cups_option_t* options = nullptr;
  int numOptions = addOptions(printOptions(settings, paper), 0, &options);
  if (!settings.mimeType.isEmpty())
    numOptions = cupsAddOption("document-format", settings.mimeType.toUtf8().constData(), numOptions, &options);
  const QString title = settings.jobName.isEmpty() ? QFileInfo(filePath).fileName() : settings.jobName;
  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, filePath.toUtf8().constData(),
                                 title.toUtf8().constData(), numOptions, options);
  cupsFreeOptions(numOptions, options);
  if (job <= 0) {
    fail(error, "PMPrinterPrintWithFile returned error ");
    return std::nullopt;
  }
  return job;
}

}  // namespace vq::app
