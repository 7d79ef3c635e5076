#pragma once
// System libraries that only some conversions need (cairo for drawing, the
// codecs of some image formats) are opened when first used, not when the
// engine is loaded: loading them with everything they bring (cairo alone
// brings X11) cost a text conversion more than its own work. A module lists
// the functions it calls and reaches them through one table:
//
//   #define VQ_CAIRO_FUNCTIONS(F) F(cairo_create) F(cairo_destroy)
//   VQ_SYSTEM_LIBRARY(CairoLibrary, cairoLibrary, VQ_CAIRO_SONAME, VQ_CAIRO_FUNCTIONS)
//   ... cairoLibrary().cairo_create(surface) ...
//
// The table is filled once, on first use, from any thread. A library or
// function that cannot be found throws std::runtime_error naming it, which
// fails the page or file that needed it and nothing else.

namespace vq {

// The library's handle, opened once for the life of the process.
void* OpenSystemLibrary(const char* soname);
// One of its functions.
void* SystemLibraryFunction(void* library, const char* soname, const char* name);

}  // namespace vq

#define VQ_SYSTEM_LIBRARY_MEMBER(name) decltype(&::name) name = nullptr;
#define VQ_SYSTEM_LIBRARY_RESOLVE(name) \
  table.name = reinterpret_cast<decltype(&::name)>(::vq::SystemLibraryFunction(library, soname, #name));
#define VQ_SYSTEM_LIBRARY(Table, accessor, sonameText, FUNCTIONS) \
  struct Table {                                                  \
    FUNCTIONS(VQ_SYSTEM_LIBRARY_MEMBER)                           \
  };                                                              \
  const Table& accessor() {                                       \
    static const Table filled = [] {                              \
      const char* soname = sonameText;                            \
      void* library = ::vq::OpenSystemLibrary(soname);            \
      Table table;                                                \
      FUNCTIONS(VQ_SYSTEM_LIBRARY_RESOLVE)                        \
      return table;                                               \
    }();                                                          \
    return filled;                                                \
  }
