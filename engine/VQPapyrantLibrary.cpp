// The shared library is the engine's modules linked whole; this unit only
// gives the library target a source of its own.
namespace vq {
const char* libraryName() { return "VQPapyrant"; }
}  // namespace vq
