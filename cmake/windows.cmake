# The Windows build: Movendo.exe, GUI subsystem, and MovendoCheck.exe, console, runtimes linked
# statically, each with its manifest and version resource. The shipped programs are the i686
# build; the x86_64 build of the same sources (MOVENDO_WINDOWS_TESTS=ON) also makes the programs
# that the Wine tests run beside them.
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601 MINGW_HAS_SECURE_API=1)
set(WIN_LINK_STATIC -static -static-libgcc -static-libstdc++)

# The same sources give the same images wherever they are built: no link time in the PE headers,
# and paths in the programs and their debug information relative to the source folder.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
add_link_options(-Wl,--no-insert-timestamp)
# The shipped build keeps the debug information a crash dump is read with (functions and lines:
# -g1, which costs the compile next to nothing where -g costs two fifths); scripts/release moves
# it out of the images into an archive of its own.
option(MOVENDO_DEBUG_INFO "Compile with the functions' names and line tables as debug information" OFF)
if(MOVENDO_DEBUG_INFO)
  add_compile_options(-g1)
endif()

# movendo_resources(PROGRAM DESCRIPTION LEVEL): the version resource of a shipped program, with the
# project's version, and its manifest with the execution level LEVEL. Both programs' manifests
# come from one template, so they name the same supported systems.
math(EXPR MOVENDO_FILE_VERSION_TWEAK "0${PROJECT_VERSION_TWEAK}")
set(MOVENDO_FILE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${MOVENDO_FILE_VERSION_TWEAK})
string(REPLACE . , MOVENDO_FILE_VERSION_COMMAS ${MOVENDO_FILE_VERSION})
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MOVENDO_MANIFEST_ARCHITECTURE amd64)
else()
  set(MOVENDO_MANIFEST_ARCHITECTURE x86)
endif()
function(movendo_resources PROGRAM DESCRIPTION LEVEL)
  set(folder ${CMAKE_BINARY_DIR}/generated)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/program.manifest.in ${folder}/${PROGRAM}.manifest @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/program.rc.in ${folder}/${PROGRAM}.rc @ONLY)
  set_source_files_properties(${folder}/${PROGRAM}.rc PROPERTIES OBJECT_DEPENDS ${folder}/${PROGRAM}.manifest)
  target_sources(${PROGRAM} PRIVATE ${folder}/${PROGRAM}.rc)
endfunction()

option(MOVENDO_WINDOWS_TESTS "Build the contract tests, the test helper and the stand-in programs" OFF)

add_library(movendo_core STATIC ${MOVENDO_CORE_SOURCES})
target_include_directories(movendo_core PUBLIC ${CMAKE_SOURCE_DIR})
target_precompile_headers(movendo_core PRIVATE ${MOVENDO_PRECOMPILED})
# Renames by handle into a held folder go through the native call (base/held_folder.cpp).
target_link_libraries(movendo_core PUBLIC ntdll)

add_executable(Movendo WIN32 app/main_win.cpp)
target_link_libraries(Movendo PRIVATE movendo_core advapi32 shell32 ${WIN_LINK_STATIC})
target_link_options(Movendo PRIVATE -municode -mwindows)
movendo_resources(Movendo "Movendo settings carry-over" requireAdministrator)

# The technician's guide, written by a program of the build machine from the texts MovendoCheck's
# usage prints (check/usage).
find_program(MOVENDO_HOST_CXX NAMES c++ g++ REQUIRED)
set(guide_sources ${CMAKE_SOURCE_DIR}/check/main_guide.cpp ${CMAKE_SOURCE_DIR}/check/usage/usage_text.cpp)
add_custom_command(OUTPUT movendo_guide Guide.txt
  COMMAND ${MOVENDO_HOST_CXX} -std=c++17 -Wall -Wextra -O1 -I${CMAKE_SOURCE_DIR} -I${CMAKE_BINARY_DIR}/generated
    ${guide_sources} -o movendo_guide
  COMMAND ./movendo_guide Guide.txt
  DEPENDS ${guide_sources} ${CMAKE_SOURCE_DIR}/check/usage/usage_text.h ${CMAKE_BINARY_DIR}/generated/movendo_version.h
  COMMENT "Writing the technician's guide")
add_custom_target(guide ALL DEPENDS Guide.txt)

if(MOVENDO_WINDOWS_TESTS)
  include(cmake/windows-tests.cmake)
endif()
