#pragma once
// Printer lists, printer queries and job submission over CUPS. With no CUPS
// server the lists are empty and every call returns promptly.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vq::app {

// A failure's record: code 400 and the reason text.
struct VQPrintError {
  int code = 400;
  QString domain = QStringLiteral("VQPMPPrintUtilities");
  QString reason;
};

struct VQPrintMargins {
  double top = 0, left = 0, bottom = 0, right = 0;
};

struct VQPrintPaper {
  QString paperID;
  QString paperName;
  double width = 0;  // points
  double height = 0;
  VQPrintMargins margins;
};

enum class VQPrinterState { idle, processing, stopped };

// Everything a job carries besides the printer and the file.
struct VQPrintJobSettings {
  QString mediaSource;
  QString mediaType;
  QString outputBin;
  QString mimeType;
  QString mediaName;
  VQPrintMargins margins;
  double height = 0;
  double width = 0;
  bool collate = false;
  bool colormode = true;
  bool fitToPage = false;
  int copies = 1;
  int resolutionP = 0;
  QString duplexSetting;  // a CUPS "sides" value; empty leaves the default
  int orientation = 0;    // 0 leaves the default; 3 portrait, 4 landscape
  QString quality;
  int first = 0;
  int last = 0;
  int minPage = 0;
  int maxPage = 0;
  QString jobName;
};

using VQPrintOptions = std::vector<std::pair<std::string, std::string>>;

class VQPMPPrintUtilities {
 public:
  // Prints every page of the PDF on the printer of that name (any case);
  // false when the file does not open as a PDF, has no page, or the printer
  // is not found or refuses the job.
  static bool PrintToPDFFile(const QString& pdfPath, const QString& printerName);
  // The options PrintToPDFFile sends the file with: its format and the
  // range from the first to the last page; nothing when the file does not
  // open as a PDF or has no page.
  static std::optional<VQPrintOptions> pdfFileOptions(const QString& pdfPath);
  static bool PrinterInfo();
  // Asks the print server for its destinations and does nothing further.
  static void PrintfPMPreset();
  // A manual check of a printer: sends a one-page A4 test sheet from the
  // main tray on glossy photo paper; the job id, or nothing with the reason.
  static std::optional<int> QuickPrintTest(const QString& printerID, VQPrintError* error);
  static QList<QVariantMap> GetMacConnectedPrinters();
  static bool IsPrinterExist(const QString& printerID);
  static std::optional<VQPrinterState> GetPrinterState(const QString& printerID, VQPrintError* error);
  static std::optional<QString> GetPrinterName(const QString& printerID, VQPrintError* error);
  static std::optional<QString> GetPrinterPPD(const QString& printerID, VQPrintError* error);
  static std::optional<QList<QVariantMap>> GetAllPaperSizes(const QString& printerID, VQPrintError* error);
  static std::optional<VQPrintPaper> FindMatchPaper(const QList<VQPrintPaper>& papers, const QString& mediaName,
                                                    VQPrintMargins margins, double height, double width,
                                                    bool skipMargin);
  static std::optional<QString> MimeTypeForExtension(const QString& extension);
  // The CUPS options a job is sent with; `paper` is the matched paper or
  // nothing for a custom size.
  static VQPrintOptions printOptions(const VQPrintJobSettings& settings, const std::optional<VQPrintPaper>& paper);
  // Sends the file; the job id, or nothing with the reason in `error`.
  static std::optional<int> SendToPrinter(const QString& printerID, const VQPrintJobSettings& settings,
                                          const QString& filePath, VQPrintError* error);
};

}  // namespace vq::app
