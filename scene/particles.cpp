// TEMPORARY until the particle field lands: clears the screen only.
#include "scene/particles.h"

#include <GL/gl.h>

#include "scene/overlays.h"

Particle particles[particleCount];
int32_t particleIndex = particleCount;
float particleDepth = -100.0f;
float driftScale = 1.0f;

void buildLattice() {}

bool renderFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return renderOverlays();
}
