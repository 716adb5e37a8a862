# Tests that run the Windows build under Wine: the Win32 layer's test programs ("win") and the
# real programs driven from outside ("e2e"). Each runs in a Wine prefix and X display of its own,
# cloned from a template prefix made once per build folder.
set(VARDEX_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(VARDEX_WIN64_BIN ${CMAKE_BINARY_DIR}/win64/bin)
set(VARDEX_WINE_ENV VARDEX_WINE_ROOT=${VARDEX_WINE_ROOT} VARDEX_BIN=${VARDEX_WIN64_BIN} GTEST_COLOR=no)
set(VARDEX_TOOLS ${CMAKE_CURRENT_SOURCE_DIR}/tools)

add_test(NAME wine_prefix_template
  COMMAND ${Python3_EXECUTABLE} ${VARDEX_TOOLS}/make_prefix_template.py ${VARDEX_WINE_ROOT}/template)
set_tests_properties(wine_prefix_template PROPERTIES FIXTURES_SETUP wine TIMEOUT 600 LABELS "win;e2e")

function(vardex_win_test exe)
  add_test(NAME ${exe}
    COMMAND ${CMAKE_COMMAND} -E env ${VARDEX_WINE_ENV}
            ${Python3_EXECUTABLE} ${VARDEX_TOOLS}/run_in_wine.py ${exe} ${VARDEX_WIN64_BIN}/${exe}.exe)
  set_tests_properties(${exe} PROPERTIES FIXTURES_REQUIRED wine LABELS win TIMEOUT 600)
endfunction()

function(vardex_e2e_test script)
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e_${name}
    COMMAND ${CMAKE_COMMAND} -E env ${VARDEX_WINE_ENV}
            ${Python3_EXECUTABLE} -m unittest -v ${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
  set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED wine LABELS e2e TIMEOUT 900)
endfunction()

vardex_win_test(win_common_tests)
vardex_win_test(win_service_tests)

file(GLOB VARDEX_E2E_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/test_*.py)
foreach(script ${VARDEX_E2E_SCRIPTS})
  vardex_e2e_test(${script})
endforeach()
