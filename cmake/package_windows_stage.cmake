# Gathers the Windows bundle (cmake -P; see package_windows.cmake): the
# programs, FreeImage.dll, the starter media and the licence texts
# (Bumblepad's own and FreeImage's), the texts with Windows line ends.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/pictures ${STAGE}/sounds ${STAGE}/licences)
foreach(f Bumblepad.exe Hookwell.dll Trovebox.exe FreeImage.dll)
  file(COPY ${BIN}/${f} DESTINATION ${STAGE})
endforeach()
file(GLOB pictures ${BIN}/pictures/*)
file(GLOB sounds ${BIN}/sounds/*)
file(COPY ${pictures} DESTINATION ${STAGE}/pictures)
file(COPY ${sounds} DESTINATION ${STAGE}/sounds)

# licences/<name>: the text of <source file>.
set(texts
  README.txt=${NOTICE}
  Bumblepad-LICENSE.txt=${LICENCE}
  FreeImage-license-fi.txt=${FREEIMAGE_SOURCE}/license-fi.txt
  FreeImage-license-gplv2.txt=${FREEIMAGE_SOURCE}/license-gplv2.txt
  FreeImage-license-gplv3.txt=${FREEIMAGE_SOURCE}/license-gplv3.txt
  libjpeg-README.txt=${FREEIMAGE_SOURCE}/Source/LibJPEG/README
  libpng-LICENSE.txt=${FREEIMAGE_SOURCE}/Source/LibPNG/LICENSE
  zlib-LICENSE.txt=${FREEIMAGE_SOURCE}/Source/ZLib/LICENSE
  libtiff-COPYRIGHT.txt=${FREEIMAGE_SOURCE}/Source/LibTIFF4/COPYRIGHT
  OpenJPEG-LICENSE.txt=${FREEIMAGE_SOURCE}/Source/LibOpenJPEG/LICENSE
  libwebp-COPYING.txt=${FREEIMAGE_SOURCE}/Source/LibWebP/COPYING
  OpenEXR-Half-Copyrights.txt=${FREEIMAGE_SOURCE}/Source/OpenEXR/Copyrights)
foreach(t IN LISTS texts)
  string(REPLACE "=" ";" parts "${t}")
  list(GET parts 0 name)
  list(GET parts 1 source)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "licence text ${source} is missing")
  endif()
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${STAGE}/licences/${name} "${text}")
endforeach()
