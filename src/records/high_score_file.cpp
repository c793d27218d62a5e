#include "records/high_score_file.h"

#include "records/data_file.h"
#include "shell/game_vars.h"
#include "shell/platform.h"

namespace {

constexpr const char* HIGH_SCORE_FILE = "HISCORE.dat";
constexpr const char* WRITE_FAILED =
    "HISCORE.dat に書き込めなかったにゃ…\n"
    "ハイスコアはゲームを終えるまでは覚えておくにゃ。";

static_assert(HIGH_SCORE_ROWS == RANK_ROWS);

void store_table(const HighScoreTable& table)
{
    rank_name = table.names;
    rank_score = table.scores;
    rank_accuracy = table.accuracies;
}

HighScoreTable table_in_memory()
{
    return {.names = rank_name, .scores = rank_score, .accuracies = rank_accuracy};
}

}  // namespace

void read_high_scores() { store_table(parse_high_scores(read_data_file(HIGH_SCORE_FILE))); }

void write_high_scores()
{
    if (!write_data_file(HIGH_SCORE_FILE, format_high_scores(table_in_memory())))
        platform().message_box(WRITE_FAILED, APP_TITLE);
}

void clear_high_table() { store_table(cleared_high_table()); }
