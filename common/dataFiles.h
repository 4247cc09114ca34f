// The files the demo reads, relative to its working directory: one list for the loader, the
// tool that makes them and the tests that write stand-ins. No OpenGL here, so the tools can
// include it too.
//
// Globals owned here: none (constants only).
#pragma once

constexpr int bitmapCount = 14;

// In the order the texture slots are filled (textures.h): the particle first, the warning last.
constexpr const char* bitmapFiles[bitmapCount] = {
    "Data/Particle.bmp", "Data/strobarium.bmp", "Data/bykelsot.bmp", "Data/ademofor.bmp", "Data/zentrovia.bmp",
    "Data/black.bmp",    "Data/greetz1.bmp",    "Data/greetz2.bmp",  "Data/greetz3.bmp",  "Data/greetz4.bmp",
    "Data/greetz5.bmp",  "Data/greetz6.bmp",    "Data/greetz7.bmp",  "Data/warning.bmp",
};

constexpr const char* moduleFile = "Data/sonavel3.xm";

// A path above without its "Data/": the name for a writer that picks its own folder.
constexpr const char* nameInDataFolder(const char* path) { return path + 5; }
