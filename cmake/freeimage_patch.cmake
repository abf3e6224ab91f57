# Patch step of FreeImage.dll (cmake -P, run in the unpacked source; see
# freeimage_windows.cmake): mends FreeImage 3.18's BMP reader, which refuses
# every file whose info header is later than the 40-byte one. GIMP and
# ImageMagick write the 124-byte V5 header by default (16, 24 and 32 bits),
# so such pictures were neither drawn nor imported.
#   - The V2 (52), V3 (56), V4 (108) and V5 (124) headers are accepted like
#     the 40-byte one (their first 40 bytes are the same).
#   - The colour masks such a header holds are read only with BI_BITFIELDS or
#     BI_ALPHABITFIELDS, as the format says; with BI_RGB they are ignored and
#     the standard layout (5-5-5 at 16 bits) applies. They lie right after the
#     first 40 bytes either way, where the reader already reads them.
set(_file Source/FreeImage/PluginBMP.cpp)
file(READ ${_file} text)
string(REPLACE "\r\n" "\n" text "${text}")  # the file has CRLF line ends
set(_check_old "	if (bih->biSize != sizeof(BITMAPINFOHEADER)) {")
set(_check_new "	if (bih->biSize != sizeof(BITMAPINFOHEADER) && bih->biSize != 52 && bih->biSize != 56 && bih->biSize != 108 && bih->biSize != 124) {")
set(_masks_old "				else if (type == 52) {
					use_bitfields = 3;
				}
				else if (type >= 56) {
					use_bitfields = 4;
				}
")
string(FIND "${text}" "${_check_old}" at_check)
string(FIND "${text}" "${_masks_old}" at_masks)
if(at_check EQUAL -1 OR at_masks EQUAL -1)
  string(FIND "${text}" "bih->biSize != 124" done)
  if(done EQUAL -1)
    message(FATAL_ERROR "${_file}: the text to mend was not found")
  endif()
  return()  # already mended
endif()
string(REPLACE "${_check_old}" "${_check_new}" text "${text}")
string(REPLACE "${_masks_old}" "" text "${text}")
file(WRITE ${_file} "${text}")
