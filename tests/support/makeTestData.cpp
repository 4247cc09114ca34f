// make-test-data DIR [--module FILE]: writes DIR/Data/ with the 14 stand-in bitmaps and, with
// --module, FILE copied in as the demo's module.
#include <cstdio>
#include <cstring>

#include "tests/support/testData.h"

int main(int argc, char** argv)
{
    const bool withModule = argc == 4 && std::strcmp(argv[2], "--module") == 0;
    if (argc != 2 && !withModule) {
        std::fprintf(stderr, "usage: make-test-data DIR [--module FILE]\n");
        return 2;
    }
    if (writeTestData(argv[1], defaultTestBitmaps(), withModule ? argv[3] : "")) return 0;
    std::fprintf(stderr, "make-test-data: could not write %s/Data\n", argv[1]);
    return 1;
}
