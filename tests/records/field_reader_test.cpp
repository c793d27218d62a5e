#include "records/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_view_literals;
using Fields = std::vector<std::string_view>;

TEST(ReadFields, QuotedAndPlainFieldsOnOneLine)
{
    EXPECT_EQ(read_fields("\"たま\",120,95\r\n", 9), (Fields{"たま", "120", "95"}));
}

TEST(ReadFields, QuotedFieldKeepsCommasAndLineEndsAndDropsWhatFollowsTheQuote)
{
    EXPECT_EQ(read_fields("\"a,b\r\nc\"xyz,7", 2), (Fields{"a,b\r\nc", "7"}));
    EXPECT_EQ(read_fields("\"a\" \"b\"\r\n7", 2), (Fields{"a", "7"}));
}

TEST(ReadFields, EachKindOfLineEndEndsOneField)
{
    EXPECT_EQ(read_fields("1\r\n2\n3\r4,5", 9), (Fields{"1", "2", "3", "4", "5"}));
    // A line end right after a quoted field's comma is a field of its own.
    EXPECT_EQ(read_fields("\"a\",\r\n\"b\"", 9), (Fields{"a", "", "b"}));
}

TEST(ReadFields, SpacesBeforeAFieldAreSkippedOthersKept)
{
    EXPECT_EQ(read_fields("  1 ,  \"x y\" , a b", 9), (Fields{"1 ", "x y", "a b"}));
}

TEST(ReadFields, StopsAtTheCountOrWhenTheBytesRunOut)
{
    EXPECT_EQ(read_fields("1,2,3", 2), (Fields{"1", "2"}));
    EXPECT_EQ(read_fields("1,", 2), (Fields{"1"}));
    EXPECT_EQ(read_fields("1,  ", 2), (Fields{"1"}));
    EXPECT_EQ(read_fields("", 9), Fields{});
}

TEST(ReadFields, UnclosedQuoteRunsToTheEnd)
{
    EXPECT_EQ(read_fields("\"abc,1\r\n2", 3), (Fields{"abc,1\r\n2"}));
    EXPECT_EQ(read_fields("1,\"", 3), (Fields{"1", ""}));
}

TEST(ReadFields, NulBytesAreOrdinaryBytes)
{
    std::string_view bytes = "\"a\0b\",\0"sv;
    EXPECT_EQ(read_fields(bytes, 3), (Fields{"a\0b"sv, "\0"sv}));
}

TEST(FieldNumber, DecimalNumbersWithBlanksAround)
{
    EXPECT_EQ(field_number("0"), 0);
    EXPECT_EQ(field_number("32767"), 32767);
    EXPECT_EQ(field_number("-45"), -45);
    EXPECT_EQ(field_number(" 007 "), 7);
}

TEST(FieldNumber, AnythingElseIsNotANumber)
{
    for (std::string_view text : {"", " ", "-", "+1", "1x", "1.0", "1 2", "--1", "0x10"})
        EXPECT_EQ(field_number(text), std::nullopt) << '"' << text << '"';
}

TEST(FieldNumber, HugeMagnitudesStopAtTheCeiling)
{
    EXPECT_EQ(field_number("99999999999999999999999999"), 1'000'000'000'000'000);
    EXPECT_EQ(field_number("-99999999999999999999999999"), -1'000'000'000'000'000);
}

}  // namespace
