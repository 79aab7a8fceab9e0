# GoogleTest is built from Debian's source package with whichever compiler this build uses,
# so the Windows build gets a MinGW-built GoogleTest without any download.
set(QUELVIN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree (Debian package googletest)")
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ${QUELVIN_WINDOWS} CACHE BOOL "" FORCE)
add_subdirectory(${QUELVIN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Where the Windows tests keep their Wine prefix and the generated zh_CN locale
# (Wine takes its ANSI code page, 936 here, from the locale).
set(QUELVIN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QUELVIN_LOCPATH ${CMAKE_BINARY_DIR}/locale)

# quelvin_add_test(name SOURCES a.cpp ... [LIBS lib ...] [ARGS arg ...] [ENVIRONMENT VAR=value ...] [TIMEOUT s])
# One GoogleTest executable, registered with CTest as one test. In the Windows build CTest
# runs it through the cross-compiling emulator (tools/wine-run.sh).
function(quelvin_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ARGS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  quelvin_warnings(${name})
  if(QUELVIN_WINDOWS)
    # Console subsystem, so that GoogleTest's report reaches CTest.
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QUELVIN_WINEPREFIX=${QUELVIN_WINEPREFIX};QUELVIN_LOCPATH=${QUELVIN_LOCPATH};QUELVIN_BUILD_DIR=${CMAKE_BINARY_DIR};${ARG_ENVIRONMENT}")
endfunction()
