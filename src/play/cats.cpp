#include "play/cats.h"

#include "play/random_source.h"
#include "play/round.h"
#include "raster/surfaces.h"
#include "shell/game_vars.h"

namespace {

// +1 for the rightward rows 1, 3, 5; -1 for the leftward rows 2, 4; 0 else.
int direction_of(int16_t slot)
{
    if (slot < 1 || slot > 5)
        return 0;
    return slot % 2 == 1 ? 1 : -1;
}

int16_t entry_edge(int direction) { return direction > 0 ? CAT_LEFT_ENTRY : CAT_RIGHT_ENTRY; }

bool wrapped(int direction, int16_t x)
{
    return direction > 0 ? x >= CAT_RIGHT_ENTRY : x <= CAT_LEFT_ENTRY;
}

void change_picture(int16_t slot, int direction)
{
    switch (cat_state[slot]) {
    case CAT_WALK_A:
        cat_state[slot] = CAT_WALK_B;
        break;
    case CAT_WALK_B:
        cat_state[slot] = CAT_WALK_A;
        break;
    case CAT_HIT:  // back on its feet, walking in again with a new letter
        cat_state[slot] = CAT_WALK_A;
        cat_x[slot] = entry_edge(direction);
        pick_letter(slot);
        break;
    default:
        break;
    }
    cat_tick[slot] = 0;
}

// The mask's erase and the picture's invert, in one pass over the block.
void composite(const Surface& mask, const Surface& picture, int16_t x, int16_t y)
{
    blit_masked(backscr, x, y, CAT_W, CAT_H, mask, picture);
}

}  // namespace

void update_cat(int16_t slot)
{
    int16_t speed = random_below(4, 2);  // drawn even for slots that do not move
    int direction = direction_of(slot);
    if (direction == 0)
        return;
    cat_x[slot] = int16_t(cat_x[slot] + direction * speed);
    if (wrapped(direction, cat_x[slot])) {
        cat_x[slot] = entry_edge(direction);
        pick_letter(slot);
    }
    if (cat_tick[slot] >= CAT_TICKS_PER_PICTURE)
        change_picture(slot, direction);
    ++cat_tick[slot];
    draw_cat(cat_state[slot], slot);
}

void draw_cat(int16_t state, int16_t slot)
{
    int16_t x = cat_x[slot], y = cat_y[slot];
    if (state == CAT_WALK_A || state == CAT_WALK_B) {
        const Surface& picture = state == CAT_WALK_A ? neko0 : neko1;
        blit(neko, 0, 0, CAT_W, CAT_H, picture, 0, 0, SRCCOPY);
        set_text_position(neko, 15, 0);
        draw_text(neko, cat_letter[slot]);
        composite(state == CAT_WALK_A ? neko0m : neko1m, neko, x, y);
    } else if (state == CAT_HIT) {
        composite(neko2m, neko2, x, y);
    }
}
