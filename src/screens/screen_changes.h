// What every move between the screens does to the menu and the music.
#pragma once

// Back on the title screen: `stop` greyed, `start` available.
void menus_for_title();
// A round under way (play or result screen): `start` greyed, `stop` available.
void menus_for_round();
// Start a round: the box, the set-up, the round's music, the play screen.
void begin_round();
// Abandon the round or the result screen: the title piece, the title screen.
void back_to_title();
