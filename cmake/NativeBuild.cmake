# Host build: the portable logic with AddressSanitizer and UBSan, its unit tests and fuzzers;
# the Windows programs come from a sub-build with the mingw-w64 toolchain, and the tests that
# need Wine run from here too, so that one ctest runs every layer.
include(CTest)
include(ExternalProject)
include(GoogleTest)

set(VARDEX_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
set(VARDEX_FUZZING OFF)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(VARDEX_FUZZING ON)
  # Coverage for libFuzzer in every object; the unit tests link without the fuzzer's main.
  list(APPEND VARDEX_SANITIZERS -fsanitize=fuzzer-no-link)
endif()
add_compile_options(${VARDEX_SANITIZERS} -g)
add_link_options(-fsanitize=address,undefined)

find_package(GTest REQUIRED)
find_package(JPEG REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Icons, background picture and alarm sound, made by a build tool of ours for the Windows build.
set(VARDEX_ASSETS_DIR ${CMAKE_BINARY_DIR}/assets)
add_subdirectory(resources/generator)

add_subdirectory(src)
add_subdirectory(tests)

set(VARDEX_WIN64_DIR ${CMAKE_BINARY_DIR}/win64)
ExternalProject_Add(win64
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${VARDEX_WIN64_DIR}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
             -DCMAKE_BUILD_TYPE=Release
             -DVARDEX_ASSETS_DIR=${VARDEX_ASSETS_DIR}
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  INSTALL_COMMAND ""
  DEPENDS assets
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)

# The installer of the Windows programs, made from the sub-build's output.
add_subdirectory(installer)
