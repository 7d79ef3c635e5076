#pragma once
// Content-stream scanning: a content stream (the decoded bytes of a page,
// form or appearance stream with the resources its names refer to), an
// operator table of callbacks keyed by operator name, and a scanner that
// tokenises the bytes, keeps the operand stack and calls the table.
//
// Rules of the scanner:
// - Operands are pushed as they are read; when an operator is read its
//   callback (if any) runs and may pop operands, top first. The operand stack
//   is cleared after every operator, whether or not it has a callback, so
//   leftover operands never leak into the next operator.
// - Operators without an entry in the table are skipped.
// - A pop of the wrong type returns false and still consumes the operand (it
//   is gone from the stack, and the output is left alone). A pop on an empty
//   stack returns false.
// - Inline images (BI <key value pairs> ID <data> EI) are taken as a whole:
//   "BI" and "ID" are never dispatched; the image is pushed as one stream
//   operand and the "EI" callback is called (popStream gives it). Its
//   dictionary has the abbreviated keys and values expanded (BPC, CS, D, DP,
//   F, H, IM, I, W, L; G, RGB, CMYK, I, AHx, A85, LZW, Fl, RL, CCF, DCT). Its
//   data is the raw (still filtered) bytes: the stated Length when there is
//   one, else for unfiltered data exactly
//   ceil(width*bpc*components/8)*height bytes (rows are byte-aligned; a
//   colour space given by resource name is looked up through the stream's
//   resources), for filtered data, or when the computed length does not fit,
//   up to the "EI" that ends the image (white space, EI, then white space, a
//   delimiter or the end). An image without its EI is dropped.
// - Malformed input never crashes or hangs: unbalanced ")" "]" ">>" and stray
//   bytes are skipped, unterminated strings end at the end of their buffer,
//   an operator met inside an unclosed array or dictionary abandons those
//   containers, operands beyond a large cap are dropped, and nesting deeper
//   than 256 levels stops the scan (scan() then returns false).
// - A stream made of several buffers (a page's Contents array) is scanned as
//   one: the operand stack carries over from one buffer to the next, and a
//   buffer end separates tokens like white space.
//
// A ContentStream and a Scanner belong to the thread that made them (they
// hold Objects). An OperatorTable is only read while scanning, so one table
// may serve scanners on several threads at once.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdf/PdfObject.h"

namespace vq::pdf {

class Page;

// The bytes to scan and the resources their names refer to. A form's or an
// appearance's stream names its parent (the stream that drew it), so a form
// without resources of its own resolves names through its parent's.
class ContentStream {
 public:
  // Bytes given directly (already decoded); `resources` may be null.
  ContentStream(std::vector<std::string> buffers, Object resources,
                std::shared_ptr<const ContentStream> parent = nullptr);

  // A page's content: its Contents stream(s) decoded, its inherited
  // resources. An unreadable Contents entry is left out.
  static std::shared_ptr<ContentStream> createWithPage(const Page& page);
  // A form XObject or appearance stream: its decoded data, and the Resources
  // entry of `streamDictionary` (the stream's own dictionary when null).
  static std::shared_ptr<ContentStream> createWithStream(const Object& stream,
                                                         const Object& streamDictionary = Object(),
                                                         std::shared_ptr<const ContentStream> parent = nullptr);

  const std::vector<std::string>& buffers() const { return buffers_; }
  const Object& resources() const { return resources_; }  // this stream's own (may be null)
  const std::shared_ptr<const ContentStream>& parent() const { return parent_; }

  // The category dictionary ("Font", "XObject", "ColorSpace", "ExtGState",
  // "Pattern", "Shading", "Properties") of the nearest stream in the chain
  // (this, parent, grand-parent...) whose resources have one; null if none.
  Object resourceDictionary(const std::string& category) const;
  // The named resource of a category, looked up in this stream's resources,
  // then in its parent's and so on; null when no stream has it.
  Object lookupResource(const std::string& category, const std::string& name) const;

 private:
  std::vector<std::string> buffers_;
  Object resources_;
  std::shared_ptr<const ContentStream> parent_;
};

class Scanner;

// A callback gets the scanner (to pop operands) and the `info` pointer given
// to the scanner. Plain functions `void f(Scanner&, void*)` convert to it.
using OperatorCallback = std::function<void(Scanner& scanner, void* info)>;

class OperatorTable {
 public:
  OperatorTable();
  ~OperatorTable();
  OperatorTable(const OperatorTable&);
  OperatorTable& operator=(const OperatorTable&);

  // Sets (or replaces) the callback of an operator ("Tj", "'", "BT"...).
  void setCallback(const std::string& name, OperatorCallback callback);
  // The callback of an operator, or nullptr.
  const OperatorCallback* find(std::string_view name) const;
  size_t size() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class Scanner {
 public:
  // The table is used by reference: it must outlive the scanner.
  Scanner(std::shared_ptr<const ContentStream> stream, const OperatorTable& table, void* info = nullptr);
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Scans the whole stream, calling the table's callbacks in stream order.
  // Returns false when the scan stopped early (stop() was called, or nesting
  // ran past its cap); tolerated syntax faults do not make it false.
  bool scan();
  // Asks the running scan to end after the current callback.
  void stop();
  // A flag another thread may set to end the scan before its next operator
  // (a conversion being stopped); null for none. It must outlive the scan.
  void setStopFlag(const std::atomic<bool>* flag);

  const std::shared_ptr<const ContentStream>& contentStream() const { return stream_; }
  void* info() const { return info_; }
  // The operator being dispatched (valid inside a callback).
  std::string_view currentOperator() const;
  size_t operandCount() const;

  // Typed pops, top of the stack first (see the rules above).
  bool popObject(Object* value);
  bool popBoolean(bool* value);
  bool popInteger(int64_t* value);     // integers only
  bool popNumber(double* value);       // integers and reals
  bool popName(std::string* value);    // without the "/", #xx escapes decoded
  bool popString(std::string* bytes);  // a literal or hex string's bytes
  bool popArray(Object* value);
  bool popDictionary(Object* value);
  bool popStream(Object* value);  // an inline image

 private:
  struct Impl;
  std::shared_ptr<const ContentStream> stream_;
  void* info_ = nullptr;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vq::pdf
