#include <cstdlib>

#include "common/dataFolder.h"
#include "app/entry.h"
#include "os/os.h"

int main()
{
    // Before SDL starts: it then leaves these signals to us.
    watchStopRequests();
    enterDataFolder();
    // exit, not return: in a web page main has long returned to the browser by the time the
    // frame loop ends, and only exit ends the program there (and tells the page).
    std::exit(runDemo());
}
