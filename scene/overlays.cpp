// TEMPORARY until the overlay timeline lands.
#include "scene/overlays.h"

#include "sync/syncState.h"

float titleFade = 1.0f;

bool renderOverlays()
{
    clearHits();
    return true;
}
