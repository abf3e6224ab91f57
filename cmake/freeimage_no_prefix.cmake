# Included by FreeImage's own CMake build right after its project(): the
# library is FreeImage.dll, as the programs import it.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
