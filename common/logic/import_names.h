// The temporary file Trovebox writes a picture to before it renames it into
// place: "~import", one to eight digits, ".tmp", in the pictures folder. An
// import cut short leaves one there until Trovebox's next start; it is never
// a picture, so the lock screen does not list it.
#pragma once
#include <cstring>

inline bool IsImportTemporary(const char* name) {
    const char head[] = "~import", tail[] = ".tmp";
    const size_t headLength = sizeof head - 1, tailLength = sizeof tail - 1, length = std::strlen(name);
    if (length <= headLength + tailLength || length > headLength + 8 + tailLength) return false;
    if (std::strncmp(name, head, headLength) != 0 || std::strcmp(name + length - tailLength, tail) != 0) return false;
    for (size_t i = headLength; i < length - tailLength; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}
