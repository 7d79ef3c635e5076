# Third-party libraries, each as an imported target. Modules link only the
# ones they use; everything above engine/platform talks to the platform layer.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
find_package(benchmark QUIET)

pkg_check_modules(QPDF REQUIRED IMPORTED_TARGET libqpdf)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(POPPLER_GLIB REQUIRED IMPORTED_TARGET poppler-glib)
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(LIBTIFF REQUIRED IMPORTED_TARGET libtiff-4)
pkg_check_modules(OPENJPEG REQUIRED IMPORTED_TARGET libopenjp2)
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)
pkg_check_modules(EXTTEXTCAT REQUIRED IMPORTED_TARGET libexttextcat)
pkg_check_modules(FMT REQUIRED IMPORTED_TARGET fmt)
pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(LCMS2 REQUIRED IMPORTED_TARGET lcms2)

# giflib and jbig2dec ship no pkg-config file.
find_library(GIF_LIBRARY gif REQUIRED)
find_path(GIF_INCLUDE_DIR gif_lib.h REQUIRED)
add_library(VQ::gif UNKNOWN IMPORTED)
set_target_properties(VQ::gif PROPERTIES IMPORTED_LOCATION "${GIF_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${GIF_INCLUDE_DIR}")
find_library(JBIG2DEC_LIBRARY jbig2dec REQUIRED)
find_path(JBIG2DEC_INCLUDE_DIR jbig2.h PATH_SUFFIXES jbig2dec REQUIRED)
add_library(VQ::jbig2dec UNKNOWN IMPORTED)
set_target_properties(VQ::jbig2dec PROPERTIES IMPORTED_LOCATION "${JBIG2DEC_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${JBIG2DEC_INCLUDE_DIR}")
