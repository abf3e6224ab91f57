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
#
# BUMBLEPAD_FREEIMAGE_CACHE=FOLDER (scripts/test.sh sets it, as CI builds
# from a fresh clone every time): a DLL built once is kept there under a name
# that changes with everything it is made from (the archive, these build
# files, the toolchain file, the compiler's version); a build tree whose name
# is there copies it instead of building it again.
include(ExternalProject)

set(_fi_archive ${CMAKE_SOURCE_DIR}/third_party/freeimage-3.18-b16dd6c.tar.gz)
set(_fi_archive_sha256 c58baa04425132582b287a87bfd6038ca23fe6a5fe835a058ebca975ab372677)
set(_fi_dir ${CMAKE_BINARY_DIR}/freeimage)
set(_fi_dll ${_fi_dir}/build/FreeImage.dll)
cmake_host_system_information(RESULT _fi_jobs QUERY NUMBER_OF_LOGICAL_CORES)

set(BUMBLEPAD_FREEIMAGE_CACHE "" CACHE PATH "A folder that keeps FreeImage.dll between build trees (empty: none)")
set(_fi_cached "")
if(BUMBLEPAD_FREEIMAGE_CACHE)
  execute_process(COMMAND ${CMAKE_C_COMPILER} --version OUTPUT_VARIABLE _fi_compiler)
  set(_fi_inputs "${_fi_archive_sha256}\n${_fi_compiler}\n${BUMBLEPAD_WIN32_BITS}\n")
  foreach(f freeimage_windows.cmake freeimage_build.cmake freeimage_patch.cmake freeimage_no_prefix.cmake)
    file(SHA256 ${CMAKE_CURRENT_LIST_DIR}/${f} _fi_hash)
    string(APPEND _fi_inputs "${f} ${_fi_hash}\n")
  endforeach()
  file(SHA256 ${CMAKE_TOOLCHAIN_FILE} _fi_hash)
  string(APPEND _fi_inputs "toolchain ${_fi_hash}\n")
  string(SHA256 _fi_key "${_fi_inputs}")
  string(SUBSTRING ${_fi_key} 0 16 _fi_key)
  set(_fi_cached ${BUMBLEPAD_FREEIMAGE_CACHE}/FreeImage-${BUMBLEPAD_WIN32_BITS}-${_fi_key}.dll)
endif()

if(_fi_cached AND EXISTS ${_fi_cached})
  message(STATUS "FreeImage.dll: the one built before, ${_fi_cached}")
  # The bundle's licence texts come from the source, which is unpacked
  # (where a build would have put it) but not built.
  add_custom_command(OUTPUT ${_fi_dir}/source.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_fi_dir}/source ${_fi_dir}/unpack
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_fi_dir}/unpack
    COMMAND ${CMAKE_COMMAND} -E chdir ${_fi_dir}/unpack ${CMAKE_COMMAND} -E tar xzf ${_fi_archive}
    COMMAND ${CMAKE_COMMAND} -E rename ${_fi_dir}/unpack/freeimage ${_fi_dir}/source
    COMMAND ${CMAKE_COMMAND} -E touch ${_fi_dir}/source.stamp
    DEPENDS ${_fi_archive} VERBATIM)
  add_custom_target(freeimage_dll ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BUMBLEPAD_OUTPUT_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_fi_cached} ${BUMBLEPAD_OUTPUT_DIR}/FreeImage.dll
    DEPENDS ${_fi_dir}/source.stamp
    BYPRODUCTS ${BUMBLEPAD_OUTPUT_DIR}/FreeImage.dll VERBATIM)
else()
ExternalProject_Add(freeimage_dll
  URL ${_fi_archive}
  URL_HASH SHA256=${_fi_archive_sha256}
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
if(_fi_cached)
  # Kept for the next build tree: written beside under this tree's own name,
  # then renamed, so that a build at the same time never copies half a file.
  string(SHA1 _fi_tree "${CMAKE_BINARY_DIR}")
  string(SUBSTRING ${_fi_tree} 0 8 _fi_tree)
  ExternalProject_Add_Step(freeimage_dll keep
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BUMBLEPAD_FREEIMAGE_CACHE}
    COMMAND ${CMAKE_COMMAND} -E copy ${_fi_dll} ${_fi_cached}.${_fi_tree}.new
    COMMAND ${CMAKE_COMMAND} -E rename ${_fi_cached}.${_fi_tree}.new ${_fi_cached}
    DEPENDEES install)
endif()
endif()
set(BUMBLEPAD_FREEIMAGE_DLL ${BUMBLEPAD_OUTPUT_DIR}/FreeImage.dll CACHE INTERNAL "")
