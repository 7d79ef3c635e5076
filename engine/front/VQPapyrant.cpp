#include "front/VQPapyrant.h"

#include "front/VQFrontImpl.h"

namespace vq {

VQ_DEFINE_FRONT_MEMBERS(VQPapyrant, VQFrontKind::SingleThread)

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
