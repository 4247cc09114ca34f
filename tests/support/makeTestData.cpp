// make-test-data DIR [--module FILE]: writes DIR/Data/ with the 14 stand-in bitmaps and,
// with --module, FILE copied in as the demo's module.
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/support/testData.h"

int main(int argc, char** argv)
{
    std::string dir;
    std::string module;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
            module = argv[++i];
        } else if (dir.empty() && argv[i][0] != '-') {
            dir = argv[i];
        } else {
            dir.clear();
            break;
        }
    }
    if (dir.empty()) {
        std::fprintf(stderr, "usage: make-test-data DIR [--module FILE]\n");
        return 2;
    }
    if (!writeTestData(dir, defaultTestBitmaps(), module)) {
        std::fprintf(stderr, "make-test-data: could not write %s/Data\n", dir.c_str());
        return 1;
    }
    return 0;
}
