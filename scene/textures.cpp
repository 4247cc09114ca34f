// TEMPORARY until texture loading lands.
#include "scene/textures.h"

#include "scene/particles.h"
#include "sync/syncState.h"

GLuint texParticle, texTitle, texByline, texDemoFor, texEvent, texBlack, texGreet1, texGreet2, texGreet3,
    texGreet4, texGreet5, texGreet6, texGreet7, texWarning;

bool loadImageTexture(GLuint&, const char*) { return true; }

int initScene()
{
    buildLattice();
    clearHits();
    return 1;
}
