#include "common/dataFolder.h"
#include "app/entry.h"

int main()
{
    enterDataFolder();
    return runDemo();
}
