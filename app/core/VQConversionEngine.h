#pragma once
// What the conversion manager needs of an engine front: start one conversion,
// stop it, and send its reports to one listener. The real fronts sit behind
// it in VQFrontEngine; tests put a scripted engine in their place.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vqpapyrant/VQError.h"
#include "vqpapyrant/VQPDFOptions.h"

namespace vq::app {

class VQConversionEngine;

class VQConversionEngineListener {
 public:
  virtual ~VQConversionEngineListener() = default;
  virtual void engineDidStart(VQConversionEngine* engine, const std::optional<VQError>& error) = 0;
  virtual void engineToPageIndex(VQConversionEngine* engine, uint64_t done, uint64_t total) = 0;
  virtual void enginePageFaild(VQConversionEngine* engine, uint64_t page, const VQError& error) = 0;
  virtual void engineWillSaveDoc(VQConversionEngine* engine) = 0;
  virtual void engineCatchException(VQConversionEngine* engine, const VQException& exception) = 0;
  // Once per conversion, last.
  virtual void engineDidEnd(VQConversionEngine* engine, const std::optional<VQError>& error) = 0;
};

class VQConversionEngine {
 public:
  virtual ~VQConversionEngine() = default;
  void setListener(VQConversionEngineListener* listener) { listener_ = listener; }
  // The start report arrives inside the call; the others later, on the main thread.
  virtual void convertPDFAtPath(const std::string& path, const std::string& password,
                                const std::vector<uint64_t>& pages, const std::string& destDocType,
                                const std::string& destDocPath, const VQPDFOptions& options) = 0;
  virtual void stopConvertsionIfNeed() = 0;
  virtual bool isConverting() const = 0;

 protected:
  VQConversionEngineListener* listener_ = nullptr;
};

// The single-page front and the page-parallel front.
std::unique_ptr<VQConversionEngine> makePapyrantEngine();
std::unique_ptr<VQConversionEngine> makePapyrantMutliThreadEngine();

}  // namespace vq::app
