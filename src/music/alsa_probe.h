// Whether ALSA can open a sound card, asked when there is no sound server.
//
// ALSA is opened for the question only: with its configuration read it
// takes most of a megabyte, so without a card it is let go again. With a
// card it stays, quiet: it writes its complaints to the terminal (a
// machine without a card gets dozens of lines), and the game reports no
// sound failures.
#pragma once

bool alsa_finds_card();
