#include "front/VQPapyrantFront.h"

#include "front/VQFrontImpl.h"

namespace vq {

VQPapyrantFront::VQPapyrantFront(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

VQPapyrantFront::~VQPapyrantFront() = default;

void VQPapyrantFront::endJob() { impl_.reset(); }

void VQPapyrantFront::convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                                       const std::vector<uint64_t>& pdfPageIndexs, const std::string& destDocType,
                                       const std::string& destDocPath, const VQPDFOptions& moreOptions) {
  impl_->core.start(VQConversionRequest{pdfPath, pdfPassword, pdfPageIndexs, destDocType, destDocPath, moreOptions},
                    [this] { impl_->reports->reportStart(); });
}

void VQPapyrantFront::stopConvertsionIfNeed() { impl_->core.stop(); }
bool VQPapyrantFront::isConverting() const { return impl_->core.isConverting(); }
double VQPapyrantFront::conversionSpendTime() const { return impl_->core.conversionSpendTime(); }
std::string VQPapyrantFront::pdfPath() const { return impl_->core.request().pdfPath; }
std::string VQPapyrantFront::pdfPassword() const { return impl_->core.request().pdfPassword; }
std::vector<uint64_t> VQPapyrantFront::pdfPageIndexs() const { return impl_->core.request().pdfPageIndexs; }
std::string VQPapyrantFront::destDocType() const { return impl_->core.request().destDocType; }
std::string VQPapyrantFront::destDocPath() const { return impl_->core.request().destDocPath; }
VQPDFOptions VQPapyrantFront::moreOptions() const { return impl_->core.request().moreOptions; }
std::shared_ptr<VQPDFExporter> VQPapyrantFront::currentExporter() const { return impl_->core.currentExporter(); }
void VQPapyrantFront::setExporterFactory(VQExporterFactory factory) {
  impl_->core.setExporterFactory(std::move(factory));
}

std::map<std::string, std::string> VQPapyrantFront::supportDocTypes() {
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
