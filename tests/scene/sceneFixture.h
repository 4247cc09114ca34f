// For tests that run initScene and renderFrame: a working directory with a stand-in Data/, the scene's globals reset.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "scene/frame.h"
#include "scene/overlays.h"
#include "scene/particles.h"
#include "scene/reactions.h"
#include "scene/textures.h"
#include "sync/syncState.h"
#include "tests/support/files.h"
#include "tests/support/testData.h"
#include "tools/bmp/bmpWriter.h"

// The values separated by spaces, so that several fields are compared, and shown, at once.
template <typename... Values>
std::string joined(const Values&... values)
{
    std::ostringstream out;
    ((out << values << ' '), ...);
    return out.str();
}

class SceneDirectory : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        ASSERT_TRUE(writeTestData(dir.path()));
        for (GLuint* slot : textureSlots) *slot = 0;
        for (Particle& p : particles) p = Particle{};
        particleIndex = particleCount, particleDepth = -100.0f, randomState = 1, titleFade = 1.0f;
        resetSyncState();
        error.clear();
    }
    void TearDown() override { ASSERT_EQ(chdir("/"), 0); }

    TempDir dir{"strobarium-scene"};
    std::string error;  // what initScene says when it fails
};
