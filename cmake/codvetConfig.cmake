# find_package(codvet) gives codvet::codvet (the shared library) and
# codvet::codvet_static (the static one; link the C++ runtime with it).
# The static one needs the threads of the encoding finder.
include(CMakeFindDependencyMacro)
find_dependency(Threads)
include(${CMAKE_CURRENT_LIST_DIR}/codvetTargets.cmake)
