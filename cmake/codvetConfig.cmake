# find_package(codvet) gives codvet::codvet (the shared library) and
# codvet::codvet_static (the static one; link the C++ runtime with it).
include(${CMAKE_CURRENT_LIST_DIR}/codvetTargets.cmake)
