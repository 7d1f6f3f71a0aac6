# The version of the three programs comes from project(VERSION) in the top CMakeLists and nowhere
# else: it is written into a generated header that the programs' --version and the About box read.
set(ZARVIK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ZarvikVersion.h.in ${ZARVIK_GENERATED_DIR}/ZarvikVersion.h @ONLY)
add_library(zarvik_version INTERFACE)
target_include_directories(zarvik_version INTERFACE ${ZARVIK_GENERATED_DIR})
