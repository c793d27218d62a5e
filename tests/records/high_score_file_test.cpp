#include "records/high_score_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>

#include "records/data_file.h"
#include "records_fixture.h"

namespace {

const std::string CLEARED_LINE =
    "\"" + std::string("\x96\xbc\x96\xb3\x82\xb5\x82\xcc\x8c\xa0\x95\xba\x89\x71") + "\",0,0,"
    "\"\x96\xbc\x96\xb3\x82\xb5\x82\xcc\x8c\xa0\x95\xba\x89\x71\",0,0,"
    "\"\x96\xbc\x96\xb3\x82\xb5\x82\xcc\x8c\xa0\x95\xba\x89\x71\",0,0\r\n";

class HighScoreFileTest : public RecordsTest {
protected:
    void set_row(int row, const std::string& name, int32_t score, int16_t acc)
    {
        rank_name[row] = name;
        rank_score[row] = score;
        rank_accuracy[row] = acc;
    }
    void expect_row(int row, const std::string& name, int32_t score, int16_t acc)
    {
        EXPECT_EQ(rank_name[row], name) << "row " << row;
        EXPECT_EQ(rank_score[row], score) << "row " << row;
        EXPECT_EQ(rank_accuracy[row], acc) << "row " << row;
    }
    void expect_cleared_table()
    {
        for (int row = 0; row < RANK_ROWS; ++row)
            expect_row(row, "名無しの権兵衛", 0, 0);
    }
    // Writes the table, clears it in memory, and reads it back.
    void write_and_read_back()
    {
        write_high_scores();
        reset_game_vars();
        read_high_scores();
    }
};

TEST_F(HighScoreFileTest, ClearedTableIsTheSixtyFourByteLine)
{
    set_row(0, "たま", 900, 90);
    clear_high_table();
    expect_cleared_table();
    write_high_scores();
    EXPECT_EQ(CLEARED_LINE.size(), 64u);
    EXPECT_EQ(read_bytes("HISCORE.dat"), CLEARED_LINE);
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(HighScoreFileTest, TableRoundTripsWithCommasJapaneseAndLargeScores)
{
    set_row(0, "ねこ, 太郎", 40000, 100);
    set_row(1, "①番の髙橋", 32767, 99);
    set_row(2, "  ", -5, 0);
    write_and_read_back();
    expect_row(0, "ねこ, 太郎", 40000, 100);
    expect_row(1, "①番の髙橋", 32767, 99);
    expect_row(2, "  ", -5, 0);
    EXPECT_EQ(read_bytes("HISCORE.dat").substr(0, 19), "\"\x82\xcb\x82\xb1, \x91\xbe\x98\x59\",40000,");
}

TEST_F(HighScoreFileTest, WritingMakesEveryNameReadableEvenIfNotPreparedForTheTable)
{
    set_row(0, "say \"nya\"", 10, 10);
    set_row(1, "😀", 5, 5);
    write_and_read_back();
    expect_row(0, "say ＂nya＂", 10, 10);
    expect_row(1, "？", 5, 5);
}

TEST_F(HighScoreFileTest, ThreeLineFileReadsLikeOneLineAndIsWrittenAsOne)
{
    write_bytes("HISCORE.dat", "\"a\",30,3\r\n\"b\",20,2\n\"c\",10,1\r\n");
    read_high_scores();
    expect_row(0, "a", 30, 3);
    expect_row(1, "b", 20, 2);
    expect_row(2, "c", 10, 1);
    write_high_scores();
    EXPECT_EQ(read_bytes("HISCORE.dat"), "\"a\",30,3,\"b\",20,2,\"c\",10,1\r\n");
}

TEST_F(HighScoreFileTest, MissingOrEmptyFileGivesTheClearedTableWithoutWriting)
{
    read_high_scores();
    expect_cleared_table();
    EXPECT_FALSE(std::filesystem::exists("HISCORE.dat"));

    write_bytes("HISCORE.dat", "");
    set_row(0, "x", 1, 1);
    read_high_scores();
    expect_cleared_table();
    EXPECT_EQ(read_bytes("HISCORE.dat"), "");
}

TEST_F(HighScoreFileTest, MissingFieldsAndEmptyNamesKeepTheClearedValues)
{
    write_bytes("HISCORE.dat", "\"\x82\xbd\x82\xdc\",120");  // たま
    read_high_scores();
    expect_row(0, "たま", 120, 0);
    expect_row(1, "名無しの権兵衛", 0, 0);
    expect_row(2, "名無しの権兵衛", 0, 0);

    write_bytes("HISCORE.dat", "\"\",5,5,,6,6\r\n");
    read_high_scores();
    expect_row(0, "名無しの権兵衛", 5, 5);
    expect_row(1, "名無しの権兵衛", 6, 6);
}

TEST_F(HighScoreFileTest, NumbersThatAreNotNumbersReadZeroAndLargeOnesAreClamped)
{
    write_bytes("HISCORE.dat",
                "\"a\",abc,1x,\"b\",99999999999,70000,\"c\",-99999999999,-70000\r\n");
    read_high_scores();
    expect_row(0, "a", 0, 0);
    expect_row(1, "b", std::numeric_limits<int32_t>::max(), 32767);
    expect_row(2, "c", std::numeric_limits<int32_t>::min(), -32768);
}

TEST_F(HighScoreFileTest, SixteenBitFileReadsAsBefore)
{
    write_bytes("HISCORE.dat", "\"a\",32767,100,\"b\",-32768,0,\"c\",0,0\r\n");
    read_high_scores();
    expect_row(0, "a", 32767, 100);
    expect_row(1, "b", -32768, 0);
}

TEST_F(HighScoreFileTest, DamagedContentStillGivesAFullTable)
{
    const char damaged[] = "\"\x81\0\x82\",\0,7,\"never closed";
    write_bytes("HISCORE.dat", std::string(damaged, sizeof damaged - 1));
    read_high_scores();
    expect_row(0, "？？？", 0, 7);
    expect_row(1, "never closed", 0, 0);
    expect_row(2, "名無しの権兵衛", 0, 0);
}

TEST_F(HighScoreFileTest, ControlCharactersInNamesAreReadAsQuestionMarksAndTheFileStaysOneLine)
{
    // A NUL, a tab and a DEL in the first name; the second quote is never
    // closed, so its name runs over the line end to the end of the file.
    const char damaged[] = "\"x\0y\t\x7f\",10,20,\"Po\r\nchi,30,40\r\n";
    write_bytes("HISCORE.dat", std::string(damaged, sizeof damaged - 1));
    read_high_scores();
    expect_row(0, "x？y？？", 10, 20);
    expect_row(1, "Po？？chi,30,40？？", 0, 0);
    expect_row(2, "名無しの権兵衛", 0, 0);

    write_high_scores();
    std::string line = read_bytes("HISCORE.dat");
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\r'), 1) << line;
    EXPECT_EQ(line.find('\0'), std::string::npos);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    reset_game_vars();
    read_high_scores();
    expect_row(0, "x？y？？", 10, 20);
    expect_row(1, "Po？？chi,30,40？？", 0, 0);
}

TEST_F(HighScoreFileTest, OnlyTheHeadOfAHugeFileIsRead)
{
    write_bytes("HISCORE.dat", "\"" + std::string(2 * DATA_FILE_READ_LIMIT, 'x'));
    read_high_scores();
    EXPECT_EQ(rank_name[0], std::string(DATA_FILE_READ_LIMIT - 1, 'x'));
    expect_row(1, "名無しの権兵衛", 0, 0);
}

TEST_F(HighScoreFileTest, APipeInThePlaceOfTheFileReadsAsMissing)
{
    ASSERT_EQ(mkfifo("HISCORE.dat", 0600), 0);
    read_high_scores();  // would wait for a writer if it opened the pipe
    expect_cleared_table();
}

TEST_F(HighScoreFileTest, FailedWriteIsReportedAndTheTableKept)
{
    // A folder in the file's place: renaming a file over it fails even
    // for root, who ignores permission bits.
    std::filesystem::create_directory("HISCORE.dat");
    read_high_scores();
    expect_cleared_table();
    set_row(0, "たま", 50, 50);
    write_high_scores();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].rfind("とんぼら|HISCORE.dat ", 0), 0u) << fake.messages[0];
    expect_row(0, "たま", 50, 50);
    EXPECT_TRUE(std::filesystem::is_directory("HISCORE.dat"));
}

TEST_F(HighScoreFileTest, WriteCutShortLeavesTheOldFileWhole)
{
    // A file-size limit makes the write fail half-way, as a full disk
    // would; it binds root too. The signal it raises is ignored so the
    // write fails with an error instead of ending the test.
    write_bytes("HISCORE.dat", CLEARED_LINE);
    set_row(0, "とても長い名前のねこ太郎さん", 12345, 99);
    rlimit old_limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small_limit{.rlim_cur = 16, .rlim_max = old_limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small_limit), 0);
    write_high_scores();
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_EQ(read_bytes("HISCORE.dat"), CLEARED_LINE);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_NE(fake.messages[0].find("HISCORE.dat"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."),
                            std::filesystem::directory_iterator()),
              1)
        << "the temporary file was left behind";
}

}  // namespace
