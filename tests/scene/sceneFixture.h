// A private working directory with a stand-in Data/ folder, and the scene's globals put
// back to program start, for tests that run initScene and renderFrame.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "scene/frame.h"
#include "scene/particles.h"
#include "scene/reactions.h"
#include "scene/textures.h"
#include "sync/syncState.h"
#include "tests/support/testData.h"

inline GLuint* const textureSlots[testBitmapCount] = {
    &texParticle, &texTitle,  &texByline, &texDemoFor, &texEvent,  &texBlack,  &texGreet1,
    &texGreet2,   &texGreet3, &texGreet4, &texGreet5,  &texGreet6, &texGreet7, &texWarning,
};

inline void resetSceneGlobals()
{
    for (GLuint* slot : textureSlots) *slot = 0;
    std::memset(static_cast<void*>(particles), 0, sizeof particles);
    particleIndex = particleCount;
    particleDepth = -100.0f;
    driftScale = 1.0f;
    randomState = 1;
    resetSyncState();
}

class SceneDirectory : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(previousDir, sizeof previousDir), nullptr);
        char pattern[] = "/tmp/strobarium-scene-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        resetSceneGlobals();
    }
    void TearDown() override
    {
        if (chdir(previousDir) != 0) ADD_FAILURE() << "cannot go back to " << previousDir;
        std::filesystem::remove_all(dir);
    }
    std::string dataPath(int index) const { return testBitmapPath(dir, index); }

    std::string dir;
    char previousDir[PATH_MAX] = {};
};
