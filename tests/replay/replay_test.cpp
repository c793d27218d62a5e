// Replays a scripted session of keys through the game's own loop, with a
// fixed seed and a clock the test moves, and compares a summary of what
// happened with the expected text. Any change to the order of random
// draws, the cats' rules, the clock or the scoring shows up here.
#include <fstream>
#include <sstream>

#include "game_test.h"
#include "screens/keys.h"
#include "screens/title_screen.h"
#include "play/judge.h"
#include "scratch_dir.h"
#include "shell/main_loop.h"

namespace {

class Replay {
public:
    explicit Replay(FakePlatform& fake) : fake(fake) {}

    // Runs frames until `until` is true, typing `letters` one every
    // `every` frames, and notes each change of screen.
    template <typename Done>
    void run(Done until, const std::string& letters = "", int every = 0)
    {
        while (!until()) {
            if (every && frame % every == 0 && !letters.empty()) {
                char c = letters[typed++ % letters.size()];
                fake.pending_events.push_back([c] { mainscr_KeyPress(c); });
            }
            int16_t before = game_state;
            frame_start = int32_t(fake.tick());
            run_frame();
            fake.now += 4;
            wait_for_next_frame();
            ++frame;
            if (game_state != before)
                out << "frame " << frame << ": screen " << before << " -> " << game_state << "\n";
        }
    }
    void key(int16_t code)
    {
        fake.pending_events.push_back([code] { mainscr_KeyDown(code, 0); });
        run([n = frame + 1, this] { return frame >= n; });
    }
    void note_round()
    {
        out << "hits " << hit_count << ", misses " << miss_count << ", accuracy " << accuracy
            << ", score " << score << "\n";
        out << "cats";
        for (int slot = 1; slot <= 5; ++slot)
            out << " " << cat_x[slot] << "/" << cat_state[slot] << "/" << cat_letter[slot];
        out << "\n";
    }
    void note_table()
    {
        for (int row = 0; row < RANK_ROWS; ++row)
            out << ranking_row(row) << "\n";
        out << "title cat " << cat_x[0] << " " << cat_letter[0] << ", lines " << ranking_x[0] << " "
            << ranking_x[1] << " " << ranking_x[2] << " " << ranking_x[3] << "\n";
    }

    std::ostringstream out;
    int frame = 0;

private:
    FakePlatform& fake;
    size_t typed = 0;
};

TEST_F(GameTest, AScriptedSessionReplaysAsRecorded)
{
    ScratchWorkingDir dir;
    seed_random(1234);
    ranking_x = {};
    word_cycle = 0;
    rank_name = {"名無しの権兵衛", "名無しの権兵衛", "名無しの権兵衛"};
    game_state = STATE_TITLE;
    cat_letter[0] = "猫";
    fake.checked = {{MenuItem::music, true}, {MenuItem::se, true}};
    fake.input_answers = {"リプレイ"};

    Replay replay(fake);
    replay.run([&] { return replay.frame >= 120; });
    replay.note_table();
    replay.key(KEY_F2);
    replay.run([] { return game_state != STATE_PLAY; }, "thequickbrownfoxjumpsoverthelazydog", 3);
    replay.note_round();
    replay.run([&] { return replay.frame >= 3000; });
    replay.key(KEY_SPACE);
    replay.run([&] { return replay.frame >= 3100; });
    replay.note_table();

    std::ifstream expected_file(REPLAY_EXPECTED);
    std::stringstream expected;
    expected << expected_file.rdbuf();
    EXPECT_EQ(replay.out.str(), expected.str()) << "actual:\n" << replay.out.str();
}

}  // namespace
