// "config.dat": the music and sound-effect options, held in the check
// marks of the menu items music and se.
#pragma once

// Reads "config.dat" from the working directory and sets the check marks
// of music and se from it. A missing or empty file ticks both.
void read_settings();

// Writes the two check marks to "config.dat". When that fails the player
// is told; the marks themselves are unchanged.
void write_settings();
