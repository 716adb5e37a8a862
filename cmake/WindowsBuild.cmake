# Windows build: standalone 64-bit programs (no DLL beyond Windows' own) and Windows-side tests.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Icons, background picture and alarm sound are made by the host build's generator, which
# passes their folder when it runs this build.
if(NOT VARDEX_ASSETS_DIR)
  message(FATAL_ERROR "VARDEX_ASSETS_DIR is not set. Build the Windows programs through the host "
    "build (it makes the assets and passes their folder), or pass -DVARDEX_ASSETS_DIR=<folder> "
    "holding the generator's output (vardex.ico, lock.ico, lockstandby.ico, configure.ico, "
    "scrlogo.jpg, alarm.wav).")
endif()

include(cmake/LibJpegTurbo.cmake)
include(cmake/LibQrencode.cmake)
include(cmake/DelayLoad.cmake)

# GoogleTest from Debian's sources, built with the same toolchain.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(src)
add_subdirectory(resources)
add_subdirectory(tests)
