# libjpeg-turbo for the Windows build, with SIMD: the IJG library alone (no TurboJPEG API).
include(cmake/DebianLibrary.cmake)
vardex_debian_library(NAME jpeg PACKAGE libjpeg-turbo BUILD_TARGET jpeg-static LIBRARY libjpeg.a
  SOURCE_HEADERS jpeglib.h jmorecfg.h jerror.h
  BINARY_HEADERS jconfig.h
  CMAKE_ARGS -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON)
