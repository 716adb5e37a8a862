# Delay-loaded system DLLs. Windows resolves a program's static imports before its first
# instruction and looks for every DLL that is not one of its KnownDLLs in the program's own folder
# first, so a DLL planted there under such a name would run inside the program. The programs
# therefore import those DLLs only through delay-import libraries: each DLL is loaded at the first
# call of one of its functions, after main has restricted the search to the system folder
# (win/DllSearch_win.h). mingw's ld has no /DELAYLOAD; dlltool makes such a library from a .def
# file, here one listing every export of the toolchain's own import library, so that a function
# used later needs no list kept by hand. mingwex brings the loader's helper, __delayLoadHelper2.
find_program(VARDEX_DLLTOOL NAMES ${MINGW_PREFIX}-dlltool REQUIRED)
find_program(VARDEX_NM NAMES ${MINGW_PREFIX}-nm REQUIRED)

# vardex_delay_loaded(<name>) defines the target vardex_delayed_<name>, to link instead of <name>
# (the import library lib<name>.a of <name>.dll).
function(vardex_delay_loaded name)
  find_library(import_library_${name} NAMES lib${name}.a REQUIRED)
  set(library ${CMAKE_BINARY_DIR}/delayload/libdelayed_${name}.a)
  add_custom_command(OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -DNM=${VARDEX_NM} -DDLLTOOL=${VARDEX_DLLTOOL} -DDLL=${name}.dll
            -DIMPORT_LIBRARY=${import_library_${name}} -DOUTPUT=${library}
            -P ${PROJECT_SOURCE_DIR}/cmake/make-delay-import.cmake
    DEPENDS ${import_library_${name}} ${PROJECT_SOURCE_DIR}/cmake/make-delay-import.cmake
    COMMENT "Making the delay-import library of ${name}.dll"
    VERBATIM)
  add_custom_target(vardex_delayed_${name}_library DEPENDS ${library})
  add_library(vardex_delayed_${name} INTERFACE)
  target_link_libraries(vardex_delayed_${name} INTERFACE ${library})
  add_dependencies(vardex_delayed_${name} vardex_delayed_${name}_library)
endfunction()

foreach(name bcrypt comctl32 gdiplus oleacc userenv version winmm wtsapi32)
  vardex_delay_loaded(${name})
endforeach()
