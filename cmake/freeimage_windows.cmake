# FreeImage.dll for the Windows builds, made from the FreeImage source in
# third_party/ with the same cross compiler as the programs. It is built once
# per build tree (ExternalProject keeps its stamps in build/<preset>/freeimage)
# and copied beside the programs, where the tests under Wine, the bundle and
# the installer take it from.
#
# The programs link FreeImage through the import library made in
# bumblepad.cmake, which asks for the spelling of FreeImage's own Windows
# distribution: in the 32-bit DLL the stdcall names with their leading
# underscore (_FreeImage_Load@12). A MinGW build exports them without it
# (FreeImage_Load@12), so freeimage_build.cmake links the DLL a second time
# with a module definition that adds the underscored name of every export.
# Both spellings are then exported; the 64-bit names are undecorated anyway.
include(ExternalProject)

set(_fi_archive ${CMAKE_SOURCE_DIR}/third_party/freeimage-3.18-b16dd6c.tar.gz)
set(_fi_dir ${CMAKE_BINARY_DIR}/freeimage)
set(_fi_dll ${_fi_dir}/build/FreeImage.dll)
cmake_host_system_information(RESULT _fi_jobs QUERY NUMBER_OF_LOGICAL_CORES)

ExternalProject_Add(freeimage_dll
  URL ${_fi_archive}
  URL_HASH SHA256=c58baa04425132582b287a87bfd6038ca23fe6a5fe835a058ebca975ab372677
  # The BMP reader mended: V4 and V5 headers (freeimage_patch.cmake).
  PATCH_COMMAND ${CMAKE_COMMAND} -P ${CMAKE_SOURCE_DIR}/cmake/freeimage_patch.cmake
  PREFIX ${_fi_dir}
  SOURCE_DIR ${_fi_dir}/source
  BINARY_DIR ${_fi_dir}/build
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON -DFREEIMAGE_STATIC=OFF
    # JPEG-XR and OpenEXR do not build with this compiler; every other bundled
    # format is in.
    -DBUILD_JXR=OFF -DBUILD_OPENEXR=OFF
    # FreeImage.dll, not libFreeImage.dll (set after project(), which sets "lib").
    -DCMAKE_PROJECT_INCLUDE=${CMAKE_CURRENT_LIST_DIR}/freeimage_no_prefix.cmake
    # Without this define the DLL's functions are declared as imports.
    -DCMAKE_C_FLAGS=-DFREEIMAGE_EXPORTS -DCMAKE_CXX_FLAGS=-DFREEIMAGE_EXPORTS
    # Only system DLLs beside it: the compiler's runtime goes inside.
    "-DCMAKE_SHARED_LINKER_FLAGS=-static -static-libgcc -static-libstdc++ ${_fi_dir}/build/official_names.def"
  BUILD_COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=<BINARY_DIR> -DJOBS=${_fi_jobs}
    -DOBJDUMP=${BUMBLEPAD_OBJDUMP} -DBITS=${BUMBLEPAD_WIN32_BITS}
    -P ${CMAKE_SOURCE_DIR}/cmake/freeimage_build.cmake
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_fi_dll} ${BUMBLEPAD_OUTPUT_DIR}/FreeImage.dll
  BUILD_BYPRODUCTS ${_fi_dll}
  LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON
  DOWNLOAD_EXTRACT_TIMESTAMP OFF)
# The definition file must exist before the first link.
ExternalProject_Add_Step(freeimage_dll names_file
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=<BINARY_DIR> -DSTART=ON -P ${CMAKE_SOURCE_DIR}/cmake/freeimage_build.cmake
  DEPENDEES patch DEPENDERS configure)
set(BUMBLEPAD_FREEIMAGE_DLL ${BUMBLEPAD_OUTPUT_DIR}/FreeImage.dll CACHE INTERNAL "")
