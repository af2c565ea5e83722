# Programs that exist only for the tests under Wine: the contract tests against the real API,
# the helper that seeds and reads state inside a prefix, and the stand-ins of the suite's programs.
# They are built with light optimisation (the program under test keeps the build type's flags),
# and the tests that run them under Wine are registered in this tree (tests/wine).

# GoogleTest from its sources (Debian's googletest package ships them), compiled once per tree
# without optimisation: the tests spend no time in it that counts.
set(MOVENDO_GTEST_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest sources for the Windows build")
if(NOT EXISTS ${MOVENDO_GTEST_SOURCE_DIR}/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest sources not found in ${MOVENDO_GTEST_SOURCE_DIR} (package googletest)")
endif()
add_library(win_gtest STATIC ${MOVENDO_GTEST_SOURCE_DIR}/src/gtest-all.cc ${MOVENDO_GTEST_SOURCE_DIR}/src/gtest_main.cc)
target_include_directories(win_gtest SYSTEM PUBLIC ${MOVENDO_GTEST_SOURCE_DIR}/include)
target_include_directories(win_gtest PRIVATE ${MOVENDO_GTEST_SOURCE_DIR})
target_compile_options(win_gtest PRIVATE -w -O0)

set(MOVENDO_TEST_PROGRAM_OPTIONS -O1)

file(GLOB CONTRACT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/contract/*.cpp)
add_executable(contract_tests ${CONTRACT_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/check/facts/settings_scan.cpp ${CMAKE_SOURCE_DIR}/base/file_read.cpp
  ${CMAKE_SOURCE_DIR}/registry/record_text.cpp)
target_include_directories(contract_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(contract_tests PRIVATE ${MOVENDO_TEST_PROGRAM_OPTIONS})
target_link_libraries(contract_tests PRIVATE win_gtest advapi32 shell32 user32 ntdll ${WIN_LINK_STATIC})
target_precompile_headers(contract_tests PRIVATE <gtest/gtest.h> ${MOVENDO_PRECOMPILED})

# Console programs of the rig.
function(movendo_rig_program name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${MOVENDO_TEST_PROGRAM_OPTIONS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${WIN_LINK_STATIC})
  target_link_options(${name} PRIVATE -municode)
  if(ARG_GUI)
    target_link_options(${name} PRIVATE -mwindows)
  endif()
endfunction()

set(RIG_DIR ${CMAKE_SOURCE_DIR}/tests/wine)
movendo_rig_program(movhelper SOURCES ${RIG_DIR}/helper/movhelper.cpp ${CMAKE_SOURCE_DIR}/base/file_read.cpp
  LIBS advapi32 user32)
movendo_rig_program(standin_window GUI SOURCES ${RIG_DIR}/standins/window_owner.cpp LIBS advapi32 user32)
movendo_rig_program(standin_wait GUI SOURCES ${RIG_DIR}/standins/wait.cpp)
movendo_rig_program(standin_service SOURCES ${RIG_DIR}/standins/service.cpp LIBS advapi32)
movendo_rig_program(standin_scanner SOURCES ${RIG_DIR}/standins/scanner.cpp)

enable_testing()
include(GoogleTest)
add_subdirectory(tests/wine)
