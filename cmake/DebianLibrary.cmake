# A C library for the Windows build, from Debian's source package (Debian ships no mingw build of
# it): fetched once into the build folder (apt with a private state directory, so that the
# machine's apt sources stay as they are), built static with the mingw toolchain, and imported
# as NAME with the headers it is used through.
#   vardex_debian_library(NAME <imported target> PACKAGE <source package> BUILD_TARGET <target>
#     LIBRARY <file the target makes> [SOURCE_HEADERS ...] [BINARY_HEADERS ...] [CMAKE_ARGS ...])
include(ExternalProject)

function(vardex_debian_library)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "NAME;PACKAGE;BUILD_TARGET;LIBRARY"
    "SOURCE_HEADERS;BINARY_HEADERS;CMAKE_ARGS")
  set(dir ${CMAKE_BINARY_DIR}/${ARG_PACKAGE})
  set(prefix ${dir}/install)
  list(TRANSFORM ARG_SOURCE_HEADERS PREPEND <SOURCE_DIR>/)
  list(TRANSFORM ARG_BINARY_HEADERS PREPEND <BINARY_DIR>/)
  ExternalProject_Add(${ARG_PACKAGE}_source
    PREFIX ${dir}
    DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E env sh ${PROJECT_SOURCE_DIR}/cmake/fetch-debian-source.sh ${dir}/fetch
                     <SOURCE_DIR> ${ARG_PACKAGE}
    # An absolute prefix: some configure steps fail on the toolchain's default "c:/...".
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
               -DCMAKE_BUILD_TYPE=Release
               -DCMAKE_INSTALL_PREFIX=${prefix}
               -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
               ${ARG_CMAKE_ARGS}
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${ARG_BUILD_TARGET}
    INSTALL_COMMAND ${CMAKE_COMMAND} -E make_directory ${prefix}/lib ${prefix}/include
            COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/${ARG_LIBRARY} ${prefix}/lib/
            COMMAND ${CMAKE_COMMAND} -E copy ${ARG_BINARY_HEADERS} ${ARG_SOURCE_HEADERS} ${prefix}/include/
    BUILD_BYPRODUCTS ${prefix}/lib/${ARG_LIBRARY})

  file(MAKE_DIRECTORY ${prefix}/include)
  add_library(${ARG_NAME} STATIC IMPORTED GLOBAL)
  set_target_properties(${ARG_NAME} PROPERTIES
    IMPORTED_LOCATION ${prefix}/lib/${ARG_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${prefix}/include)
  add_dependencies(${ARG_NAME} ${ARG_PACKAGE}_source)
endfunction()
