// What the demo's parts agree on, shared by the demo, the capture and the data tool that writes
// the song: the five instruments whose note-ons the picture answers, the position at which the
// demo ends, the picture's size and the rate the music is mixed at. No globals.
#pragma once

#include <cstdint>

// By their number in the module (1-based, as its patterns count them), with what the picture
// does on their notes. The song plays only accents on them.
constexpr int kickInstrument = 1;   // lights the core; converges the band before order 3
constexpr int snareInstrument = 2;  // bursts the field in orders 3-5; relights the sides and band later
constexpr int hatInstrument = 3;    // relights the ring from order 3
constexpr int bassInstrument = 18;  // scatters the sides and the band from order 8, in its note's hue
constexpr int arpInstrument = 19;   // converges the band before order 3; scatters it from order 8

// The demo's last position: the frame that sees it finishes the demo, the schedule registers a
// sync there so that the frame does see it, and the song plays its last accent there.
constexpr int32_t demoEndOrder = 17;
constexpr int32_t demoEndRow = 16;

// The demo's picture: the display mode, the window's client area and the start-up viewport,
// and the capture's size unless asked for another.
constexpr int pictureWidth = 1280;
constexpr int pictureHeight = 720;

// The rate the music is mixed at, live and offline, in stereo frames per second: the capture's
// clock and its WAV count in it.
constexpr int mixRate = 44100;
