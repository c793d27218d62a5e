#include "play/round.h"

#include "play/cats.h"
#include "play/random_source.h"
#include "shell/game_vars.h"

namespace {
constexpr const char* ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
}

void start_round()
{
    hit_count = 0;
    miss_count = 0;
    time_left = ROUND_SECONDS;
    // Each cat at the edge it walks in from; slot 0, the title cat, keeps
    // its y.
    cat_x = {CAT_LEFT_ENTRY, CAT_LEFT_ENTRY, CAT_RIGHT_ENTRY, CAT_LEFT_ENTRY, CAT_RIGHT_ENTRY, CAT_LEFT_ENTRY};
    for (int16_t slot = 1; slot <= 5; ++slot)
        cat_y[slot] = int16_t(150 + 25 * slot);
    for (int16_t slot = 1; slot <= 5; ++slot)
        pick_letter(slot);
}

void pick_letter(int16_t slot)
{
    int16_t n = random_below(26, 1);
    cat_letter[slot] = std::string(1, ALPHABET[n - 1]);
}
