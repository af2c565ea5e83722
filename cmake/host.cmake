# The host build: the product compiled against the simulated machine, with the unit tests.
file(GLOB SIM_SOURCES CONFIGURE_DEPENDS platform/sim/*.cpp)
add_library(winsim STATIC ${SIM_SOURCES})
target_include_directories(winsim PUBLIC ${CMAKE_SOURCE_DIR})
# The unit tests spend most of their time in the simulated machine (a profile file is parsed
# again on every call, as on Windows): lightly optimised, even in a Debug build.
target_compile_options(winsim PRIVATE -O1)

add_library(movendo_core STATIC ${MOVENDO_CORE_SOURCES})
target_include_directories(movendo_core PUBLIC ${CMAKE_SOURCE_DIR})
target_precompile_headers(movendo_core PRIVATE ${MOVENDO_PRECOMPILED})
target_link_libraries(movendo_core PUBLIC winsim)

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
add_subdirectory(tests)
