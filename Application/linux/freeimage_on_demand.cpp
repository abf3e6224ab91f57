// FreeImage for the controller, loaded when the first picture of a lock is
// read instead of at start. The library brings sixteen codec libraries with
// it (OpenEXR, LibRaw, libtiff, OpenJPEG, JPEG XR, WebP, ...): 3.3 MB of the
// controller's resident memory from its first second on, for pictures that
// only a lock shows. The controller is linked with this file instead of the
// library; every function of FreeImage it calls is defined here and passes
// the call on. The first call (on a decoding thread, never the window's)
// loads the library: about 3 ms, 17 ms when its files are not cached.
// Without the library every call fails the way FreeImage fails on a file it
// cannot read, so a lock goes on without pictures.
#include <FreeImage.h>
#include <dlfcn.h>

#include <cstdio>

namespace {

void* Library() {
    static void* const library = [] {
        void* loaded = dlopen("libfreeimage.so.3", RTLD_NOW | RTLD_LOCAL);
        if (!loaded) std::fprintf(stderr, "Pictures are not drawn: %s\n", dlerror());
        return loaded;
    }();
    return library;
}

template <typename Function>
Function* Resolve(const char* name) {
    void* library = Library();
    return library ? reinterpret_cast<Function*>(dlsym(library, name)) : nullptr;
}

}  // namespace

// The library's own function of that name, found once; `failed` when there is none.
#define PASS_ON(name, failed, ...)                            \
    static auto* const real = Resolve<decltype(name)>(#name); \
    return real ? real(__VA_ARGS__) : failed

FREE_IMAGE_FORMAT DLL_CALLCONV FreeImage_GetFileType(const char* filename, int size) {
    PASS_ON(FreeImage_GetFileType, FIF_UNKNOWN, filename, size);
}
FREE_IMAGE_FORMAT DLL_CALLCONV FreeImage_GetFIFFromFilename(const char* filename) {
    PASS_ON(FreeImage_GetFIFFromFilename, FIF_UNKNOWN, filename);
}
BOOL DLL_CALLCONV FreeImage_FIFSupportsNoPixels(FREE_IMAGE_FORMAT fif) {
    PASS_ON(FreeImage_FIFSupportsNoPixels, FALSE, fif);
}
FIBITMAP* DLL_CALLCONV FreeImage_Load(FREE_IMAGE_FORMAT fif, const char* filename, int flags) {
    PASS_ON(FreeImage_Load, nullptr, fif, filename, flags);
}
void DLL_CALLCONV FreeImage_Unload(FIBITMAP* dib) {
    static auto* const real = Resolve<decltype(FreeImage_Unload)>("FreeImage_Unload");
    if (real) real(dib);
}
unsigned DLL_CALLCONV FreeImage_GetWidth(FIBITMAP* dib) { PASS_ON(FreeImage_GetWidth, 0u, dib); }
unsigned DLL_CALLCONV FreeImage_GetHeight(FIBITMAP* dib) { PASS_ON(FreeImage_GetHeight, 0u, dib); }
unsigned DLL_CALLCONV FreeImage_GetBPP(FIBITMAP* dib) { PASS_ON(FreeImage_GetBPP, 0u, dib); }
unsigned DLL_CALLCONV FreeImage_GetPitch(FIBITMAP* dib) { PASS_ON(FreeImage_GetPitch, 0u, dib); }
BYTE* DLL_CALLCONV FreeImage_GetBits(FIBITMAP* dib) { PASS_ON(FreeImage_GetBits, nullptr, dib); }
FREE_IMAGE_TYPE DLL_CALLCONV FreeImage_GetImageType(FIBITMAP* dib) {
    PASS_ON(FreeImage_GetImageType, FIT_UNKNOWN, dib);
}
FIBITMAP* DLL_CALLCONV FreeImage_ConvertTo24Bits(FIBITMAP* dib) { PASS_ON(FreeImage_ConvertTo24Bits, nullptr, dib); }
FIBITMAP* DLL_CALLCONV FreeImage_ConvertToStandardType(FIBITMAP* src, BOOL scale_linear) {
    PASS_ON(FreeImage_ConvertToStandardType, nullptr, src, scale_linear);
}
FIBITMAP* DLL_CALLCONV FreeImage_ToneMapping(FIBITMAP* dib, FREE_IMAGE_TMO tmo, double first_param,
                                             double second_param) {
    PASS_ON(FreeImage_ToneMapping, nullptr, dib, tmo, first_param, second_param);
}
FIBITMAP* DLL_CALLCONV FreeImage_Rescale(FIBITMAP* dib, int dst_width, int dst_height, FREE_IMAGE_FILTER filter) {
    PASS_ON(FreeImage_Rescale, nullptr, dib, dst_width, dst_height, filter);
}
FIBITMAP* DLL_CALLCONV FreeImage_Allocate(int width, int height, int bpp, unsigned red_mask, unsigned green_mask,
                                          unsigned blue_mask) {
    PASS_ON(FreeImage_Allocate, nullptr, width, height, bpp, red_mask, green_mask, blue_mask);
}
