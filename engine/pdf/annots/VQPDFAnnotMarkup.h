#pragma once
// Markup annotations: the author, subject and reply fields that notes,
// stamps, text markup, shapes, ink, lines and free text share.
#include <optional>
#include <string>

#include "pdf/annots/VQPDFAnnot.h"

namespace vq {

class VQPDFAnnotMarkup : public VQPDFAnnot {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override;
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotMarkup>(*this); }

  std::optional<std::string> label;  // /T
  std::optional<std::string> creationDate;
  std::shared_ptr<VQPDFAnnot> inReplyTo;
  std::optional<std::string> subject;  // /Subj
  int replyTo = 0;                     // /RT: 0 "R", 1 "Group"
  pdf::Object exData;
};

}  // namespace vq
