#pragma once
// One slide: the shapes of one page in painting order, the slide's
// relationships, the text box being filled, and the writing of the slide part
// and its relationship part.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pptx/VQPPTXShape.h"

namespace vq {

class VQPPTXPage {
 public:
  // Creates the slides folders under the work folder. Throws
  // std::runtime_error when they cannot be made.
  VQPPTXPage(uint64_t pageNumber, const std::string& rootFolder);

  // Resets the shapes and relationships; the slide layout is rId1.
  void writeDocumentBegin();
  // rId<k> of the relationship already naming this media target, or "".
  std::string findExistRelsWithImagePath(const std::string& mediaTarget) const;
  std::string addNewRelsWithImagePath(const std::string& mediaTarget);
  // Writes the slide part and its relationships; throws std::runtime_error
  // when a part cannot be written.
  void writePageAll();

  // The open text box.
  VQPPTXParagraph& cachedTextBoxNewParagraph();
  VQPPTXParagraph& cachedTextBoxLastParagraph();
  float cachedTextBoxWidthMax() const;
  double cachedTextBoxHeight() const;

  void addShape(std::unique_ptr<VQPPTXShape> shape);

  bool isUsingTextBox = false;
  std::vector<VQPPTXParagraph> cachedTextBoxParagraphs;
  VQPPTXTextBoxInfo cachedTextBoxInfo;
  std::vector<std::unique_ptr<VQPPTXShape>> sharepsArr;
  uint64_t pageNumber = 0;

  const std::string& slidePath() const { return slidePath_; }
  const std::string& relsPath() const { return relsPath_; }

 private:
  struct Rel {
    std::string type, target;
  };
  std::vector<Rel> pageRelsArr_;
  std::string slidePath_, relsPath_;
};

}  // namespace vq
