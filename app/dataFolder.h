// Where the demo reads its files from. Every file name stays relative ("Data/Particle.bmp"),
// read from the working directory, and a Data/ folder there wins. Started anywhere else, the
// installed demo moves its working directory to the folder that holds its installed Data/,
// found from the program's own path (bin/strobarium → share/strobarium), so that it also
// starts from a desktop menu or a terminal in the home folder, and from any install prefix.
//
// Globals owned here: none.
#pragma once

// Changes the working directory to the installed data folder, unless the current one has a
// Data/ folder or there is no installed one (the first file that cannot be opened is then
// reported as it would be anyway).
void enterDataFolder();
