#pragma once
// A tab between two text runs of a line. The paragraph writer puts one where
// the gap to the next run is wide and takes the paragraph's tab stops from
// the tab runs' positions; the run itself writes only the tab character.
#include <memory>
#include <string>

#include "docx/capture/VQDocxRun.h"

namespace vq {

class VQDocxRunTab : public VQDocxRun {
 public:
  VQDocxRunTab() = default;

  // A tab run with default run properties.
  static std::shared_ptr<VQDocxRunTab> RunTapWithTabPostion(double tabPostion, double tabWidth);

  std::shared_ptr<VQDocxRunTab> clone() const { return std::static_pointer_cast<VQDocxRunTab>(cloneObject()); }

  double tabPostion = 0;  // the tab stop the tab jumps to (points)
  double tabWidth = 0;    // the width the tab covers (points)

  // <w:r><w:rPr>...</w:rPr><w:tab/></w:r>; the stop is the paragraph's to write.
  void writeWithXMLWriter(XMLFileWriter& writer) override;
  // "<VQDocxRunTab: 0x...: position width>"
  std::string description() const override;

 protected:
  VQDocxRunTab(const VQDocxRunTab&) = default;
  VQDocxRunTab& operator=(const VQDocxRunTab&) = default;
  std::shared_ptr<VQDocxObject> cloneObject() const override;
};

}  // namespace vq
