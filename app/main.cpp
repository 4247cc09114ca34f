#include <cstdlib>

#include "common/dataFolder.h"
#include "app/entry.h"

int main()
{
    enterDataFolder();
    // exit, not return: in a web page main has long returned to the browser by the time the
    // frame loop ends, and only exit ends the program there (and tells the page).
    std::exit(runDemo());
}
