# The host build: the product compiled against the simulated machine, with the unit tests.
file(GLOB SIM_SOURCES CONFIGURE_DEPENDS platform/sim/*.cpp)
add_library(winsim STATIC ${SIM_SOURCES})
target_include_directories(winsim PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(winsim PUBLIC movendo_hive)

add_library(movendo_core STATIC ${MOVENDO_CORE_SOURCES})
target_include_directories(movendo_core PUBLIC ${CMAKE_SOURCE_DIR})
target_precompile_headers(movendo_core PRIVATE ${MOVENDO_PRECOMPILED})
target_link_libraries(movendo_core PUBLIC winsim)

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
add_subdirectory(tests)
