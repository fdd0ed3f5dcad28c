# GoogleTest for both targets: Debian's packages natively, Debian's sources
# built with the cross compiler for Windows. Windows test executables run
# under Wine in a prefix made inside the build folder.
if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

  set(VSK_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(VSK_LOCPATH ${CMAKE_BINARY_DIR}/locale)
  add_custom_command(
    OUTPUT ${VSK_WINEPREFIX}/.ready
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/make-wine-prefix.sh ${VSK_WINEPREFIX} ${VSK_LOCPATH}
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-wine-prefix.sh
    COMMENT "Preparing the Wine prefix for tests"
    VERBATIM)
  add_custom_target(wineprefix ALL DEPENDS ${VSK_WINEPREFIX}/.ready)
  set(VSK_WINE_ENV
      WINEPREFIX=${VSK_WINEPREFIX} WINEDEBUG=-all LOCPATH=${VSK_LOCPATH} LC_ALL=ru_RU.UTF-8)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# vsk_add_test(name sources... LIBS libs...): one test executable. Natively
# each case is its own CTest test; under Wine the executable runs once with
# all its cases, since each start of Wine costs seconds.
function(vsk_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  if(WIN32)
    target_compile_definitions(${name} PRIVATE UNICODE _UNICODE)
    add_dependencies(${name} wineprefix)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${VSK_WINE_ENV}" TIMEOUT 600)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
