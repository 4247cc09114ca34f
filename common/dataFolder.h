// Where the demo and its capture read their files from. Every file name stays relative
// ("Data/Particle.bmp"), read from the working directory, and a Data/ folder there wins.
// Started anywhere else, an installed program moves its working directory to the folder that
// holds the installed Data/, found from the program's own path (bin/ -> share/strobarium; on
// Windows the program's own folder), so that it also starts from a desktop menu or a terminal
// in the home folder, from any prefix.
//
// Globals owned here: none.
#pragma once

// Changes the working directory to the installed data folder, unless the current one has a
// Data/ folder or there is no installed one (the first file that cannot be opened is then
// reported as it would be anyway).
void enterDataFolder();
