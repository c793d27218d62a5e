#include "screens/high_score_entry.h"

#include "records/high_score_file.h"
#include "shell/game_vars.h"
#include "shell/platform.h"

namespace {

void copy_row(int from, int to)
{
    rank_name[to] = rank_name[from];
    rank_score[to] = rank_score[from];
    rank_accuracy[to] = rank_accuracy[from];
}

std::string ask_name()
{
    std::string typed = platform().input_box("ハイスコアだにゃ！あなたの名前を教えてほしいにゃ♪");
    if (typed.empty())
        return NO_NAME_GIVEN;
    // Only what the file can carry, so the table shown is the table stored.
    return name_for_table(typed);
}

}  // namespace

void enter_high_score()
{
    int place = 0;
    while (place < RANK_ROWS && !(score > rank_score[place]))
        ++place;
    if (place == RANK_ROWS)
        return;
    for (int row = RANK_ROWS - 1; row > place; --row)
        copy_row(row - 1, row);
    rank_name[place] = ask_name();
    rank_score[place] = score;
    rank_accuracy[place] = accuracy;
}
