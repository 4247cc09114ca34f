// The clock that ties the capture's frames to the samples of its sound: frame k is shown at
// sample floor(k * mixRate / fps), exact in integers for any fps given as N/D.
// No globals.
#pragma once

#include <cstdint>

#include "common/demoScript.h"

// The sample at which frame k is shown.
constexpr uint64_t frameSample(uint64_t frame, uint32_t fpsNumerator, uint32_t fpsDenominator)
{
    return frame * mixRate * fpsDenominator / fpsNumerator;
}

// The first frame shown at or after `sample`.
constexpr uint64_t firstFrameAtOrAfter(uint64_t sample, uint32_t fpsNumerator, uint32_t fpsDenominator)
{
    const uint64_t perFrame = uint64_t(mixRate) * fpsDenominator;
    return (sample * fpsNumerator + perFrame - 1) / perFrame;
}
