// Writes the full hostile picture set into a folder, for the whole-program
// runs (tests/desktop/test_hostile_pictures.sh, tests/win32/
// test_wine_hostile_pictures.sh): make_hostile_pictures <folder>. Prints one
// line per file: its name, then "drawn" or "refused" by the lock screen and
// "imported" or "refused" by the media manager.
#include <cstdio>
#include <exception>

#include "hostile_pictures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_hostile_pictures <folder>\n");
        return 2;
    }
    try {
        for (const hostile::Made& made : hostile::WriteAll(argv[1], hostile::Weight::Full))
            std::printf("%s %s %s\n", made.name.c_str(), made.drawn ? "drawn" : "refused",
                        made.imported ? "imported" : "refused");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_hostile_pictures: %s\n", e.what());
        return 1;
    }
    return 0;
}
