# libjpeg-turbo for the Windows build, from Debian's source package, fetched once into the build
# folder (apt with a private state directory, so the machine's apt sources stay as they are) and
# built as a static library with SIMD.
include(ExternalProject)
set(VARDEX_JPEG_DIR ${CMAKE_BINARY_DIR}/libjpeg-turbo)
set(VARDEX_JPEG_PREFIX ${VARDEX_JPEG_DIR}/install)
ExternalProject_Add(libjpeg_turbo
  PREFIX ${VARDEX_JPEG_DIR}
  DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E env sh ${PROJECT_SOURCE_DIR}/cmake/fetch-libjpeg-turbo.sh ${VARDEX_JPEG_DIR}/fetch <SOURCE_DIR>
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
             -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX=${VARDEX_JPEG_PREFIX}
             -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON
             -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jpeg-static
  INSTALL_COMMAND ${CMAKE_COMMAND} -E make_directory ${VARDEX_JPEG_PREFIX}/lib ${VARDEX_JPEG_PREFIX}/include
          COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libjpeg.a ${VARDEX_JPEG_PREFIX}/lib/
          COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/jconfig.h <SOURCE_DIR>/jpeglib.h
                  <SOURCE_DIR>/jmorecfg.h <SOURCE_DIR>/jerror.h ${VARDEX_JPEG_PREFIX}/include/
  BUILD_BYPRODUCTS ${VARDEX_JPEG_PREFIX}/lib/libjpeg.a)

file(MAKE_DIRECTORY ${VARDEX_JPEG_PREFIX}/include)
add_library(jpeg STATIC IMPORTED GLOBAL)
set_target_properties(jpeg PROPERTIES
  IMPORTED_LOCATION ${VARDEX_JPEG_PREFIX}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${VARDEX_JPEG_PREFIX}/include)
add_dependencies(jpeg libjpeg_turbo)
