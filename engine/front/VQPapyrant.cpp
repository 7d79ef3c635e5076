#include "front/VQPapyrant.h"

namespace vq {

std::map<std::string, std::string> VQPapyrantSupportDocTypes();

VQPapyrant::VQPapyrant() : core_(VQFrontKind::SingleThread, this) {}

VQPapyrant::~VQPapyrant() = default;

void VQPapyrant::convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                                  const std::vector<uint64_t>& pdfPageIndexs, const std::string& destDocType,
                                  const std::string& destDocPath, const VQPDFOptions& moreOptions) {
  core_.start(VQConversionRequest{pdfPath, pdfPassword, pdfPageIndexs, destDocType, destDocPath, moreOptions}, [this] {
    if (delegate_) delegate_->didStartConversion(this, std::nullopt);
  });
}

void VQPapyrant::stopConvertsionIfNeed() { core_.stop(); }

bool VQPapyrant::isConverting() const { return core_.isConverting(); }
double VQPapyrant::conversionSpendTime() const { return core_.conversionSpendTime(); }
std::string VQPapyrant::pdfPath() const { return core_.request().pdfPath; }
std::string VQPapyrant::pdfPassword() const { return core_.request().pdfPassword; }
std::vector<uint64_t> VQPapyrant::pdfPageIndexs() const { return core_.request().pdfPageIndexs; }
std::string VQPapyrant::destDocType() const { return core_.request().destDocType; }
std::string VQPapyrant::destDocPath() const { return core_.request().destDocPath; }
VQPDFOptions VQPapyrant::moreOptions() const { return core_.request().moreOptions; }
std::shared_ptr<VQPDFExporter> VQPapyrant::currentExporter() const { return core_.currentExporter(); }
void VQPapyrant::setExporterFactory(VQExporterFactory factory) { core_.setExporterFactory(std::move(factory)); }

std::map<std::string, std::string> VQPapyrant::supportDocTypes() { return VQPapyrantSupportDocTypes(); }

void VQPapyrant::reportPage(uint64_t done, uint64_t total) {
  if (delegate_) delegate_->toPageIndexToTotalPages(this, done, total);
}
void VQPapyrant::reportPageFailed(uint64_t pdfPageIndex, const VQError& error) {
  if (delegate_) delegate_->pdfPageIndexFaildWithError(this, pdfPageIndex, error);
}
void VQPapyrant::reportWillSave() {
  if (delegate_) delegate_->willSaveDoc(this, std::nullopt);
}
void VQPapyrant::reportException(const VQException& exception) {
  if (delegate_) delegate_->catchException(this, exception);
}
void VQPapyrant::reportProgress(uint64_t pageIndex, uint64_t progress) {
  if (delegate_) delegate_->pageIndexProgress(this, pageIndex, progress);
}
void VQPapyrant::reportEnd(const std::optional<VQError>& error) {
  if (delegate_) delegate_->didEndConversion(this, error);
}

}  // namespace vq

namespace vq {

std::map<std::string, std::string> VQPapyrantSupportDocTypes() {
  return {
      {"docx", "Microsoft Word(.docx)"},  {"pptx", "Microsoft PowerPoint(.pptx)"},
      {"xlsx", "Microsoft Excel(.xlsx)"}, {"csv", "Comma-Separated Values(.csv)"},
      {"txt", "UTF-8 Plain Text(.txt)"},  {"rtf", "Rich Text File(.rtf)"},
      {"html", "Web Source File(.html)"}, {"pdf", "Adobe PDF File(.pdf)"},
      {"jpeg", "Image JPEG File(.jpeg)"}, {"png", "Image PNG File(.png)"},
      {"bmp", "Image BMP File(.bmp)"},    {"tiff", "Image TIFF File(.tiff)"},
      {"gif", "Image GIF File(.gif)"},    {"tga", "Image TGA File(.tga)"},
  };
}

}  // namespace vq
