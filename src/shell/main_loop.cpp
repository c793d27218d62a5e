#include "shell/main_loop.h"

#include "play/play_frame.h"
#include "screens/result_screen.h"
#include "screens/title_screen.h"
#include "shell/game_vars.h"
#include "shell/platform.h"

namespace {
bool ending = false;
}

void run_frame()
{
    switch (game_state) {
    case STATE_RESULT:
        result_frame();
        break;
    case STATE_TITLE:
        title_frame();
        break;
    case STATE_PLAY:
        play_frame();
        break;
    default:  // no other value is ever stored; draw nothing and keep pacing
        break;
    }
}

void wait_for_next_frame()
{
    // Blocking in the platform's wait (rather than spinning on the event
    // queue) keeps an idle screen off the processor; the deadline is
    // rounded down so the frame never starts late because of it.
    platform().process_events();
    for (;;) {
        if (ending)
            return;
        int32_t elapsed = tick_difference(platform().tick(), uint32_t(frame_start));
        if (elapsed >= FRAME_PERIOD_MS)
            return;
        platform().wait_events(uint32_t(FRAME_PERIOD_MS - elapsed));
    }
}

void run_main_loop()
{
    while (!ending) {
        frame_start = int32_t(platform().tick());
        run_frame();
        wait_for_next_frame();
    }
}

void end_program()
{
    if (ending)
        return;
    ending = true;
    platform().quit();
}

bool program_ending() { return ending; }
