// TCSVReadWrite: the reader's states and line ends, the writer's quoting, writing by rename.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "instruments/panels/csv_read_write.h"

namespace {

using NuvixParser::TCSVReadWrite;
using TTable = std::vector<TCSVReadWrite::TRow>;
namespace fs = std::filesystem;

struct TReadCase {
    const char* name;
    std::string data;
    TTable rows;
};

class CsvRead : public testing::TestWithParam<TReadCase> {};

TEST_P(CsvRead, GivesTheRows) {
    TCSVReadWrite csv;
    csv.Parse(GetParam().data);
    EXPECT_EQ(csv.Rows(), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvRead,
    testing::Values(
        TReadCase{"Empty", "", {}},
        TReadCase{"LastLineWithoutLineEnd", "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
        TReadCase{"CrLfCrAndLfAllEndLines", "a\rb\nc\r\nd\r\n", {{"a"}, {"b"}, {"c"}, {"d"}}},
        TReadCase{"RunsOfEmptyLinesMakeNoRows", "a\r\n\r\n\n\r\rb\n\n", {{"a"}, {"b"}}},
        TReadCase{"LeadingLineBreakGivesOneEmptyField", "\r\na", {{""}, {"a"}}},
        TReadCase{"LeadingBlanksDropped", "  a,   b c ", {{"a", "b c "}}},
        TReadCase{"QuotedKeepsBlanksCommasAndLineEnds", "\" a,\r\nb \",x", {{" a,\r\nb ", "x"}}},
        TReadCase{"DoubledQuoteIsOneQuote", "\"say \"\"hi\"\"\"", {{"say \"hi\""}}},
        TReadCase{"TextAfterClosingQuoteIgnored", "\"ab\"cd,e\n\"x\"y", {{"ab", "e"}, {"x"}}},
        TReadCase{"QuoteInsideUnquotedIsKept", "a\"b,c", {{"a\"b", "c"}}},
        TReadCase{"EmptyFields", ",,\n,", {{"", "", ""}, {"", ""}}},
        TReadCase{"UnclosedQuoteRunsToTheEnd", "\"a\nb", {{"a\nb"}}},
        TReadCase{"OnlyLineBreaks", "\r\n\r\n", {{""}}}),
    [](const testing::TestParamInfo<TReadCase>& info) { return info.param.name; });

TEST(CsvRead, RowsKnowTheLineTheyBeganOn) {
    TCSVReadWrite csv;
    csv.Parse("a\r\n\r\n\"b\nc\"\r\nd");
    ASSERT_EQ(csv.Rows().size(), 3u);
    EXPECT_EQ(csv.LineOf(0), 1);
    EXPECT_EQ(csv.LineOf(1), 3);
    EXPECT_EQ(csv.LineOf(2), 5);
}

TEST(CsvWrite, QuotesOnlyFieldsThatWouldNotReadBack) {
    TCSVReadWrite csv;
    csv.Rows() = {{"plain", "two words", "say \"hi\"", "q\"", "a,b", "l\nf", "c\rr", ""}, {"x"}};
    EXPECT_EQ(csv.Format(),
              "plain,\"two words\",\"say \"\"hi\"\"\",\"q\"\"\",\"a,b\",\"l\nf\",\"c\rr\",\r\nx\r\n");
    TCSVReadWrite back;
    back.Parse(csv.Format());
    EXPECT_EQ(back.Rows(), csv.Rows());
}

class CsvFile : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("varnex_csv_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }
    static std::string Contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path dir_;
};

TEST_F(CsvFile, WritesAndReadsBack) {
    TCSVReadWrite csv;
    csv.Rows() = {{"0", "a b"}, {"1"}};
    const std::string path = (dir_ / "t.gui").string();
    ASSERT_TRUE(csv.Write(path));
    EXPECT_EQ(Contents(path), "0,\"a b\"\r\n1\r\n");
    TCSVReadWrite back;
    back.Rows() = {{"stale"}};
    ASSERT_TRUE(back.Read(path));
    EXPECT_EQ(back.Rows(), csv.Rows());
    // Only the file itself is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(CsvFile, AMissingFileFailsAndLeavesAnEmptyTable) {
    TCSVReadWrite csv;
    csv.Rows() = {{"stale"}};
    EXPECT_FALSE(csv.Read((dir_ / "none.gui").string()));
    EXPECT_TRUE(csv.Rows().empty());
}

TEST_F(CsvFile, AFailedWriteKeepsTheOldFile) {
    const fs::path path = dir_ / "keep.gui";
    std::ofstream(path, std::ios::binary) << "old";
    // A directory where the temporary file would go cannot be replaced by a file.
    TCSVReadWrite csv;
    csv.Rows() = {{"new"}};
    fs::create_directory(path.string() + ".writing~");
    EXPECT_FALSE(csv.Write(path.string()));
    EXPECT_EQ(Contents(path), "old");
    fs::remove(path.string() + ".writing~");
    // A folder that cannot be written.
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    if (!std::ofstream(dir_ / "probe")) { // root writes anyway
        EXPECT_FALSE(csv.Write(path.string()));
        EXPECT_EQ(Contents(path), "old");
    }
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_FALSE(csv.Write((dir_ / "missing" / "x.gui").string()));
}

} // namespace
