# The Windows build: Movendo.exe, GUI subsystem, runtimes linked statically, with its manifest and
# version resource. The shipped program is the i686 build; the x86_64 build of the same sources
# (MOVENDO_WINDOWS_TESTS=ON) also makes the programs that the Wine tests run beside it.
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601 MINGW_HAS_SECURE_API=1)
set(WIN_LINK_STATIC -static -static-libgcc -static-libstdc++)

option(MOVENDO_WINDOWS_TESTS "Build the contract tests, the test helper and the stand-in programs" OFF)

add_library(movendo_core STATIC ${MOVENDO_CORE_SOURCES})
target_include_directories(movendo_core PUBLIC ${CMAKE_SOURCE_DIR})
target_precompile_headers(movendo_core PRIVATE ${MOVENDO_PRECOMPILED})
# Renames by handle into a held folder go through the native call (base/held_folder.cpp).
target_link_libraries(movendo_core PUBLIC ntdll)

add_executable(Movendo WIN32 app/main_win.cpp app/Movendo.rc)
target_link_libraries(Movendo PRIVATE movendo_core advapi32 shell32 ${WIN_LINK_STATIC})
target_link_options(Movendo PRIVATE -municode -mwindows)

if(MOVENDO_WINDOWS_TESTS)
  include(cmake/windows-tests.cmake)
endif()
