#pragma once
// An opened PDF file. The PDF library's document objects must not be used by
// two threads at once, so a Document is a handle that lazily opens one
// instance of the same file (with the same password) per thread. Pages travel
// between threads as (document, page number).
#include <memory>
#include <optional>
#include <string>

#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfObject.h"

namespace vq::pdf {

enum class OpenError {
  None,
  NotFound,          // no readable file at the path
  Damaged,           // not a PDF, or damaged beyond repair
  PasswordRequired,  // encrypted and the password (or the empty one) does not open it
};

enum class PageBox { Media, Crop, Bleed, Trim, Art };

class Page;

class Document : public std::enable_shared_from_this<Document> {
 public:
  struct Impl;
  // Opens the file; on failure returns nullptr and sets *error.
  static std::shared_ptr<Document> open(const std::string& path, const std::string& password,
                                        OpenError* error = nullptr);
  ~Document();

  const std::string& path() const;
  const std::string& password() const;
  int pageCount() const;
  bool isEncrypted() const;
  // The password given opened the file as its owner: every permission is granted.
  bool ownerPasswordMatched() const;
  // Unencrypted, opened as the owner, or printing allowed by the permission flags.
  bool allowsPrinting() const;
  std::string version() const;  // "1.4"

  Object trailer() const;
  Object catalog() const;
  Object info() const;  // the document information dictionary, or null

  // 1-based; nullopt outside 1..pageCount().
  std::optional<Page> page(int number) const;

  // The file a whole-page renderer opens to draw this document's pages. A
  // document read with repairs (objects found by scanning, a cross-reference
  // qpdf rebuilt, a page tree whose counts lie) is written once, as read, to
  // a private file in `workFolder`: a renderer reading the original bytes
  // might refuse them or number their pages otherwise. That file is removed
  // with the document. The original path for a sound file, or when the copy
  // cannot be written. `asRead` asks for the copy of a sound file too, for
  // a page the renderer would refuse as the file writes it.
  std::string pathForRenderer(const std::string& workFolder, bool asRead = false) const;

  Impl& impl() const;  // for the platform layer only

 private:
  explicit Document(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

class Page {
 public:
  Page(std::shared_ptr<const Document> document, int number);
  const std::shared_ptr<const Document>& document() const { return document_; }
  int number() const { return number_; }  // 1-based

  Object dictionary() const;  // read on the calling thread's instance
  // A box as the page gives it: inherited through every ancestor of the page
  // tree, standardised, and (for every box but the media box) intersected with
  // the media box. A missing crop box is the media box; a missing bleed, trim
  // or art box is the crop box. A box that does not overlap the media box is
  // treated as missing; a page without a usable media box gives the zero
  // rectangle.
  Rect box(PageBox which) const;
  int rotation() const;      // inherited, normalised to 0, 90, 180 or 270
  Object resources() const;  // inherited through every ancestor (loops guarded)
  // The page's content streams, in order; those qpdf could not read are
  // read again from the file.
  std::vector<Object> contentStreams() const;
  // The decoded content streams joined with a newline between them; nullopt
  // when the page has no readable content.
  std::optional<std::string> contents() const;
  // A text equal for two pages of one document whose drawing is the same:
  // the page's entries but /Parent, and the entries it inherits, with every
  // object they refer to named by its number, so two pages sharing their
  // contents and resources have the same key. Nothing for a page whose
  // entries are too large or deep to say (such pages are simply drawn).
  std::optional<std::string> drawingKey() const;

 private:
  std::shared_ptr<const Document> document_;
  int number_ = 0;
};

}  // namespace vq::pdf
