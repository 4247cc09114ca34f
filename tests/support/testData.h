// Stand-in Data/ folders for tests: the 14 bitmaps of common/dataFiles.h as solid-colour BMPs
// (32x32 white for the particle, so that lit particles show their own colour; 128x64 for the
// others, each in a colour of its own that is neither black nor another's) and, with a
// `modulePath`, that module copied in under the demo's module name. False on any failure.
#pragma once

#include <string>

bool writeTestData(const std::string& dir, const std::string& modulePath = "");
