# Shared build helpers.

# The logic of each deliverable includes no platform header. This check runs
# as part of every build and fails it when one creeps in.
add_custom_target(platform_free_check ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -P ${CMAKE_SOURCE_DIR}/cmake/check_platform_free.cmake
  COMMENT "Checking that logic/ and ports/ include no platform header"
  VERBATIM)

# FreeImage. Linux: Debian's libfreeimage. Windows: FreeImage.dll beside the
# programs (built from third_party/ by freeimage_windows.cmake), linked
# through an import library made here from a module definition of the
# functions the programs use, so the programs link without waiting for the
# DLL (FreeImage.h comes from Debian's libfreeimage-dev either way).
if(WIN32)
  set(_fi_def ${CMAKE_BINARY_DIR}/FreeImage.def)
  set(_fi_lib ${CMAKE_BINARY_DIR}/libFreeImage.dll.a)
  # name and the size in bytes of its arguments (the 32-bit stdcall decoration)
  set(_fi_functions
    FreeImage_GetFileType:8 FreeImage_GetFIFFromFilename:4 FreeImage_Load:12
    FreeImage_Save:16 FreeImage_Unload:4 FreeImage_GetWidth:4 FreeImage_GetHeight:4
    FreeImage_GetBits:4 FreeImage_GetInfo:4 FreeImage_GetBPP:4 FreeImage_GetPitch:4
    FreeImage_GetImageType:4 FreeImage_HasPixels:4 FreeImage_Rescale:16
    FreeImage_ConvertTo24Bits:4 FreeImage_ConvertTo32Bits:4
    FreeImage_FIFSupportsNoPixels:4 FreeImage_ConvertToStandardType:8
    FreeImage_GetColorType:4 FreeImage_ToneMapping:24 FreeImage_Allocate:24 FreeImage_AllocateT:28
    FreeImage_GetScanLine:8 FreeImage_GetPalette:4 FreeImage_GetPixelColor:16)
  set(_fi_text "LIBRARY FreeImage.dll\nEXPORTS\n")
  foreach(f IN LISTS _fi_functions)
    string(REPLACE ":" ";" parts ${f})
    list(GET parts 0 name)
    list(GET parts 1 bytes)
    if(BUMBLEPAD_WIN32_BITS EQUAL 32)
      # The DLL exports the decorated stdcall names (_Name@N).
      string(APPEND _fi_text "${name}@${bytes} == _${name}@${bytes}\n")
    else()
      string(APPEND _fi_text "${name}\n")
    endif()
  endforeach()
  file(WRITE ${_fi_def} "${_fi_text}")
  set(BUMBLEPAD_FREEIMAGE_FUNCTIONS ${_fi_functions} CACHE INTERNAL "")
  add_custom_command(OUTPUT ${_fi_lib}
    COMMAND ${CMAKE_DLLTOOL} -d ${_fi_def} -l ${_fi_lib}
    DEPENDS ${_fi_def}
    COMMENT "Making the FreeImage.dll import library")
  add_custom_target(freeimage_importlib DEPENDS ${_fi_lib})
  add_library(FreeImage INTERFACE)
  add_dependencies(FreeImage freeimage_importlib)
  target_link_libraries(FreeImage INTERFACE ${_fi_lib})
  target_include_directories(FreeImage SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/freeimage-include)
  file(COPY /usr/include/FreeImage.h DESTINATION ${CMAKE_BINARY_DIR}/freeimage-include)
  # The DLL itself, built from third_party/.
  include(${CMAKE_CURRENT_LIST_DIR}/freeimage_windows.cmake)
else()
  add_library(FreeImage INTERFACE)
  target_link_libraries(FreeImage INTERFACE freeimage)
endif()
# What the shared code and the controller's parts link: FreeImage's header
# only on Linux, where each program chooses the library itself (the
# controller loads it at its first picture, Application/linux/
# freeimage_on_demand.cpp); the import library on Windows.
add_library(FreeImageApi INTERFACE)
if(WIN32)
  target_link_libraries(FreeImageApi INTERFACE FreeImage)
endif()

# bumblepad_sources(<var> <dir>): the .cpp files of one folder.
function(bumblepad_sources var dir)
  file(GLOB _s CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(${var} ${_s} PARENT_SCOPE)
endfunction()
