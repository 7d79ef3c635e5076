#pragma once
// Builds one DOCX package for one conversion. Pages are converted in
// parallel, so each page's markup is first written into memory, from whatever
// thread converted it; the document appends those pieces to the body of
// word/document.xml strictly in page order, as soon as the next page is ready,
// and lets each go once it is in. At the end it writes the other package parts and zips the work
// folder into the destination.
//
// Every failure that would leave a broken or partial package throws
// VQDocxDocumentException; nothing is then left at the destination. The work
// folder (and the "Temp-" folder around it) is removed after packaging, after
// a failure, and when a document is dropped unpackaged (cancellation).
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "office/VQDocxTypes.h"
#include "office/VQOutputWriter.h"

namespace vq {

class VQDocxDocumentPage;
class VQPDFOutLineManager;
class XMLFileWriter;

class VQDocxDocumentException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The word-processor generation the output targets; 2006 from every document
// begin. 2009 and later add the stylesWithEffects part.
extern std::atomic<int64_t> gl_wordVersion;

struct VQDocxFontRecord {
  std::string altName, charset, family, pitch;
};

struct VQDocxRelationship {
  std::string relastionID;  // the relationship Id
  std::string Type;         // relationship type URI
  std::string Target;       // relative to the word folder
};

class VQDocxDocument : public VQOutputWriter {
 public:
  // Makes the work folder: a fresh "Temp-" folder in the temporary root with
  // a folder named after the destination file inside. Throws when it cannot
  // be created.
  static std::shared_ptr<VQDocxDocument> initWithPath(const std::string& path, int64_t toTotalPages);
  ~VQDocxDocument() override;
  VQDocxDocument(const VQDocxDocument&) = delete;
  VQDocxDocument& operator=(const VQDocxDocument&) = delete;

  // Resets the counters, fills the default lists and opens word/document.xml
  // up to the open body. Throws when the main part cannot be created.
  void writeDocumentBegin();
  // Writes the page's markup and records it; callable from any thread. False
  // (and nothing recorded) when there is no page or its markup could not be
  // written completely.
  bool writeDocumentPageTemp(const std::shared_ptr<VQDocxDocumentPage>& page);
  // The position will never get markup (its page failed): appending goes
  // on past it. Callable from any thread.
  void skipDocumentPage(int64_t position);
  // Appends the next ready pages to the body in page order; true when at
  // least one was appended.
  bool writeDocumentPageTempInOrderIfReady();
  // Appends every page still waiting, in order, passing over positions that
  // never arrived (no more pages come), then closes the body and the main part.
  // The body holds only the pages; the view settings of docxProperty() go to
  // word/settings.xml.
  void writeDocumentEnd();
  // Writes the other parts and zips the package into the destination file.
  void packetZipFileIfNeed();

  // The relationship Id under which the main part refers to the image file;
  // the file moves into word/media when the package is written.
  std::string collectImageWithPath(const std::string& imagePath);
  // Forgets images that a page finally did not use (the image runs' paths).
  // The files themselves stay where they are.
  void removeCollectedImageWithRunImages(const std::vector<std::string>& imagePaths);

  // The outline of the PDF being converted. It is set once before the pages
  // start; pages of every thread then read it and never change it. Null when
  // none was set.
  void setOutline(std::shared_ptr<const VQPDFOutLineManager> outline);
  std::shared_ptr<const VQPDFOutLineManager> outline() const;

  // Binds the prefixes of the main part: w, v, r, o, wp, w10, ve, m, wne.
  static void setDocumentWriterDefaults(XMLFileWriter& writer);
  // The path of a template of the "Docx XML Templates" resource folder.
  static std::optional<std::string> pathForDocxTemplatesResources(const std::string& name);

  const std::string& savedWorkFolder() const { return savedWorkFolder_; }
  // The fresh "Temp-" folder that holds the work folder.
  const std::string& savedTempFolder() const { return savedTempFolder_; }
  int64_t totalNumOfPages() const { return totalNumOfPages_; }
  const VQDocx_DocPr& docxProperty() const { return docxProperty_; }
  int64_t writePagesCount() const;
  int64_t writePagesCountTemp() const { return writePagesCountTemp_; }
  const std::vector<VQDocxFontRecord>& docxFontTable() const { return docxFontTable_; }
  std::vector<VQDocxRelationship> docxRelationships() const;
  std::vector<std::string> docxMediaCollection() const;

  // The package parts; each takes the work folder and throws when its part
  // cannot be written.
  void _docxWrite_Rels(const std::string& folder) const;
  void _docxWrite_DocProps_app(const std::string& folder) const;
  void _docxWrite_DocProps_core(const std::string& folder) const;
  void _docxWrite_ContentTypes(const std::string& folder) const;
  void _docxWrite_Word_Media(const std::string& folder);
  void _docxWrite_Word_Rels(const std::string& folder) const;
  void _docxWrite_Word_FontTable(const std::string& folder) const;
  void _docxWrite_Word_Settings(const std::string& folder) const;
  void _docxWrite_Word_Styles(const std::string& folder) const;
  void _docxWrite_Word_Theme_Theme1(const std::string& folder) const;
  void _docxWrite_Word_StylesWithEffects(const std::string& folder) const;
  void _docxWrite_Word_WebSettings(const std::string& folder) const;

  // Removes the "Temp-" folder with the work folder, and the collected image
  // files not yet moved into the package.
  void removeWorkFolder();

 private:
  VQDocxDocument(std::string path, std::string tempFolder, std::string workFolder, int64_t total);
  // Appends ready pages from writePagesCountTemp_ on; at the end of the
  // document (`final`) positions that never arrived are passed over.
  bool appendReadyPages(bool final);
  void finishBodyStartTagIfNeeded();

  std::unique_ptr<XMLFileWriter> fileWriter_;
  std::string savedFilePath_;
  std::string savedWorkFolder_;
  std::string savedTempFolder_;
  int64_t totalNumOfPages_ = 0;
  VQDocx_DocPr docxProperty_{};
  int64_t writePagesCountTemp_ = 1;
  bool bodyStartTagOpen_ = false;
  std::vector<VQDocxFontRecord> docxFontTable_;

  // Guards what page threads share: the fields below.
  mutable std::mutex mutex_;
  int64_t writePagesCount_ = 1;
  std::map<int64_t, std::string> pendingPageMarkup_;  // written pages not yet appended, by position
  std::set<int64_t> skippedPages_;
  std::vector<VQDocxRelationship> docxRelationships_;
  std::vector<std::string> docxMediaCollection_;
  std::shared_ptr<const VQPDFOutLineManager> outline_;
};

}  // namespace vq
