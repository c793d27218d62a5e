#include "records/cp932.h"

#include <gtest/gtest.h>

#include "records/high_score_table.h"

namespace {

TEST(Cp932, JapaneseNamesRoundTrip)
{
    EXPECT_EQ(utf8_to_cp932("ねこ太郎"), "\x82\xcb\x82\xb1\x91\xbe\x98\x59");
    EXPECT_EQ(utf8_to_cp932("名無しの権兵衛").size(), 14u);
    // Windows' own additions to Shift_JIS: NEC's circled digits, IBM's kanji.
    EXPECT_EQ(utf8_to_cp932("①髙"), "\x87\x40\xfb\xfc");
    for (const char* name : {"ねこ太郎", "①番の髙橋", "ﾈｺ", "Tama 2"})
        EXPECT_EQ(cp932_to_utf8(utf8_to_cp932(name)), name);
}

TEST(Cp932, UndecodableBytesBecomeQuestionMarks)
{
    // A lead byte with a bad trail byte, bytes CP932 leaves unused, and a
    // lead byte cut off by the end of the text.
    EXPECT_EQ(cp932_to_utf8("\x81 A"), "？ A");
    EXPECT_EQ(cp932_to_utf8("\x80x\xff"), "？x？");
    EXPECT_EQ(cp932_to_utf8("ok\x82"), "ok？");
}

TEST(Cp932, UnencodableTextBecomesQuestionMarks)
{
    EXPECT_EQ(utf8_to_cp932("a😀b"), "a\x81\x48" "b");
    // Malformed UTF-8: a stray continuation byte and a cut-off sequence.
    EXPECT_EQ(utf8_to_cp932("\x80x\xe3\x81"), "\x81\x48x\x81\x48\x81\x48");
}

TEST(NameForTable, KeepsWhatTheFileCarries)
{
    EXPECT_EQ(name_for_table("ねこ太郎"), "ねこ太郎");
    EXPECT_EQ(name_for_table("①髙"), "①髙");
    EXPECT_EQ(name_for_table("a,b"), "a,b");
    EXPECT_EQ(name_for_table("  "), "  ");
}

TEST(NameForTable, ReplacesWhatTheFileCannotCarry)
{
    EXPECT_EQ(name_for_table("\"たま\""), "＂たま＂");
    EXPECT_EQ(name_for_table("ねこ😀"), "ねこ？");
    // Characters CP932 stores under the code of another read back as that one.
    EXPECT_EQ(name_for_table("¥100"), "\\100");
    EXPECT_EQ(name_for_table("‖"), "∥");
}

TEST(NameForTable, ATableNameIsItsOwnTableName)
{
    for (const char* typed : {"\"😀¥‖", "ねこ\xff", "①\"髙"}) {
        std::string name = name_for_table(typed);
        EXPECT_EQ(name_for_table(name), name) << typed;
    }
}

}  // namespace
