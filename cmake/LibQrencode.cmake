# libqrencode for the Windows build: the library alone (no tools, so no libpng), without its
# thread lock (only the window's thread makes codes).
include(cmake/DebianLibrary.cmake)
vardex_debian_library(NAME qrencode PACKAGE qrencode BUILD_TARGET qrencode LIBRARY libqrencode.a
  SOURCE_HEADERS qrencode.h
  CMAKE_ARGS -DBUILD_SHARED_LIBS=OFF -DWITH_TOOLS=OFF -DWITH_TESTS=OFF -DWITHOUT_PNG=ON
             -DCMAKE_DISABLE_FIND_PACKAGE_Threads=ON -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON
             -DCMAKE_DISABLE_FIND_PACKAGE_Iconv=ON)
