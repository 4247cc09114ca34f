#include "common/dataFolder.h"
#include "app/entry.h"
#include "os/os.h"

int main()
{
    // Before SDL starts: it then leaves these signals to us.
    watchStopRequests();
    enterDataFolder();
    return runDemo();
}
