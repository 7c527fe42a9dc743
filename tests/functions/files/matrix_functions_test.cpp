// readmatrix and writematrix through scripts: files, arrays, argument checks and failures.
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/functions/files/file_test_support.h"

namespace {

using NuvixTest::Eval;
using NuvixTest::Quoted;

class MatrixFiles : public NuvixTest::FileTest {
protected:
    // The elements of arr[] after `script`, as "length: e0 e1 ...".
    static std::string ArrayAfter(const std::string& script, const char* arr = "b") {
        const std::string a = arr;
        return Eval(script + ", n=0, foreach(i;" + a + "[];n+=1), s=string(n)+':', foreach(i;" + a +
                    "[];s+=' '+string(" + a + "[i])), s");
    }
};

TEST_F(MatrixFiles, WritesColumnMajorWithTabsAndCrLf) {
    const std::string f = Quoted(Path("m.txt"));
    EXPECT_EQ(Eval("a[0]=1,a[1]=2,a[2]=3,a[3]=4,a[4]=5, writematrix(" + f + ";a[];2)"), "0");
    EXPECT_EQ(ReadBytes(Path("m.txt")), "1\t4\r\n2\t5\r\n3\t\r\n");
    // cols is read as an integer: 2.9 is 2, and 4294967297 has the low bits of 1.
    EXPECT_EQ(Eval("a[0]=1,a[1]=2,a[2]=3, writematrix(" + f + ";a[];2.9)"), "0");
    EXPECT_EQ(ReadBytes(Path("m.txt")), "1\t3\r\n2\t\r\n");
    EXPECT_EQ(Eval("a[0]=1,a[1]=2, writematrix(" + f + ";a[];4294967297)"), "0");
    EXPECT_EQ(ReadBytes(Path("m.txt")), "1\r\n2\r\n");
}

TEST_F(MatrixFiles, NumberFormInTheFile) {
    const std::string f = Quoted(Path("m.txt"));
    EXPECT_EQ(Eval("a[0]=0.1,a[1]=1/3,a[2]=1e20,a[3]=123456789012,a[4]=1/0,a[5]=-1/0, writematrix(" + f +
                   ";a[];6)"),
              "0");
    EXPECT_EQ(ReadBytes(Path("m.txt")), "0.1\t0.3333333333\t1e+20\t1.23456789e+11\t+INF\t-INF\r\n");
}

TEST_F(MatrixFiles, AnArrayWithoutElementsGivesAnEmptyFile) {
    WriteBytes(Path("m.txt"), "old contents");
    EXPECT_EQ(Eval("writematrix(" + Quoted(Path("m.txt")) + ";never[];3)"), "0");
    EXPECT_EQ(ReadBytes(Path("m.txt")), "");
}

TEST_F(MatrixFiles, RoundTripFillsMissingPositionsWithZero) {
    const std::string f = Quoted(Path("m.txt"));
    EXPECT_EQ(ArrayAfter("a[0]=1,a[1]=2,a[2]=3,a[3]=4,a[4]=5, writematrix(" + f +
                         ";a[];2), r=readmatrix(b[];" + f + ")"),
              "6: 1 2 3 4 5 0");
    EXPECT_EQ(
        Eval("a[0]=1,a[1]=2,a[2]=3,a[3]=4,a[4]=5, writematrix(" + f + ";a[];2), readmatrix(b[];" + f + ")"),
        "3");
}

TEST_F(MatrixFiles, ReadsLinesAndColumnsByTheSeparatorRules) {
    WriteBytes(Path("crlf.txt"), "1 2 3\r\n4 5 6\r\n");
    // As numpy's savetxt, gnuplot and awk write it: LF line ends, blank lines between blocks.
    WriteBytes(Path("lf.txt"), "1 2 3\n\n4 5 6\n");
    WriteBytes(Path("cr.txt"), "1 2 3\r4 5 6");
    WriteBytes(Path("header.txt"), "Time\tValue\r\n1\t2\r\n");
    NuvixTest::ExpectEach({
        {"readmatrix(b[];" + Quoted(Path("crlf.txt")) + ")", "2"},
        {"readmatrix(b[];" + Quoted(Path("lf.txt")) + ")", "2"},
        {"readmatrix(b[];" + Quoted(Path("cr.txt")) + ")", "2"},
        {"readmatrix(b[];" + Quoted(Path("header.txt")) + ")", "2"},
    });
    for (const char* name : {"crlf.txt", "lf.txt", "cr.txt"})
        EXPECT_EQ(ArrayAfter("readmatrix(b[];" + Quoted(Path(name)) + ")"), "6: 1 4 2 5 3 6") << name;
    EXPECT_EQ(ArrayAfter("readmatrix(b[];" + Quoted(Path("header.txt")) + ")"), "4: 0 1 0 2");
}

TEST_F(MatrixFiles, AFileWithoutNumbersLeavesTheArrayAlone) {
    WriteBytes(Path("text.txt"), "no digits, only words: ABC xyz\r\n?!");
    WriteBytes(Path("empty.txt"), "");
    for (const char* name : {"text.txt", "empty.txt"}) {
        EXPECT_EQ(Eval("b[0]=7,b[1]=8, readmatrix(b[];" + Quoted(Path(name)) + ")"), "1") << name;
        EXPECT_EQ(ArrayAfter("b[0]=7,b[1]=8, readmatrix(b[];" + Quoted(Path(name)) + ")"), "2: 7 8") << name;
    }
}

TEST_F(MatrixFiles, ALongerArrayKeepsItsTail) {
    WriteBytes(Path("m.txt"), "1\t2\r\n");
    EXPECT_EQ(ArrayAfter("b[0]=7,b[1]=7,b[2]=7,b[3]=9, readmatrix(b[];" + Quoted(Path("m.txt")) + ")"),
              "4: 1 2 7 9");
}

TEST_F(MatrixFiles, ReadErrors) {
    const std::string missing = Path("missing.txt");
    ASSERT_EQ(::mkdir(Path("sub").c_str(), 0700), 0);
    NuvixTest::ExpectEach({
        {"readmatrix(b[];5)", "Error: ReadMatrix: 2nd parameter is not a string."},
        {"readmatrix(b[];" + Quoted(missing) + ")", "Error: ReadMatrix: File '" + missing + "' not found."},
        {"readmatrix(b[];" + Quoted(Path("sub")) + ")",
         "Error: ReadMatrix: File '" + Path("sub") + "' not found."},
        {"readmatrix(5;'x')", "Syntax: Illegal argument"},
        {"readmatrix(b;'x')", "Syntax: Illegal argument"},
    });
    // A scalar's name written as an array, as for any array operand.
    EXPECT_EQ(Eval("b=1, readmatrix(b[];" + Quoted(missing) + ")"), "Error: Index: b is not an array");
}

TEST_F(MatrixFiles, HugeTablesAreRefusedBeforeAnythingChanges) {
    // 20000 numbers on the first line, then 20000 lines: 4e8 elements from 80 KB.
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "1 ";
    for (int i = 0; i < 20000; ++i) text += "\r1";
    WriteBytes(Path("wide.txt"), text);
    EXPECT_EQ(Eval("readmatrix(b[];" + Quoted(Path("wide.txt")) + ")"),
              "Error: ReadMatrix: Input file too large.");
    EXPECT_EQ(Eval("b[0]=5, readmatrix(b[];" + Quoted(Path("wide.txt")) + "), 0"),
              "Error: ReadMatrix: Input file too large.");

    const std::string big = Path("big.dat");
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const bool sized = ::ftruncate(fd, off_t{1} << 32) == 0;
    ::close(fd);
    if (!sized) GTEST_SKIP() << "no sparse 4 GiB file possible here";
    EXPECT_EQ(Eval("readmatrix(b[];" + Quoted(big) + ")"), "Error: ReadMatrix: Input file too large.");
}

TEST_F(MatrixFiles, WriteErrors) {
    const std::string noDir = Path("no/such/m.txt");
    const std::string x = Quoted(Path("x"));
    NuvixTest::ExpectEach({
        {"a[0]=1, writematrix(5;a[];1)", "Error: WriteMatrix: 1st parameter not a string"},
        {"a[0]=1, writematrix(" + x + ";a[];0)", "Error: WriteMatrix: Illegal column count 0"},
        {"a[0]=1, writematrix(" + x + ";a[];-3)", "Error: WriteMatrix: Illegal column count -3"},
        {"a[0]=1, writematrix(" + x + ";a[];0.5)", "Error: WriteMatrix: Illegal column count 0.5"},
        {"a[0]=1, writematrix(" + x + ";a[];0/0)", "Error: WriteMatrix: Illegal column count -NAN"},
        {"a[0]=1, writematrix(" + x + ";a[];'two')", "Error: WriteMatrix: Illegal column count two"},
        // More columns than any array can have.
        {"a[0]=1, writematrix(" + x + ";a[];2147483647)",
         "Error: WriteMatrix: Illegal column count 2147483647"},
        {"a[0]=1, writematrix(" + Quoted(noDir) + ";a[];1)",
         "Error: WriteMatrix: unable to create file " + noDir},
        {"a[0]=1, writematrix('/dev/full';a[];1)", "Error: WriteMatrix: Error writing to file /dev/full"},
        {"a=1, writematrix('/dev/null';a[];1)", "Error: Index: a is not an array"},
        {"writematrix(" + x + ";5;1)", "Syntax: Illegal argument"},
    });
    // Nothing to write to a full device: no error.
    EXPECT_EQ(Eval("writematrix('/dev/full';never[];1)"), "0");
    EXPECT_FALSE(std::filesystem::exists(Path("x"))); // no check above got as far as creating it
}

TEST_F(MatrixFiles, LargeArraysRoundTripThroughBufferedWrites) {
    // Many write pieces: the table must come out whole and in order.
    const std::string f = Quoted(Path("big.txt"));
    EXPECT_EQ(Eval("for(i=0;i<100000;i+=1;a[i]=i*0.5), writematrix(" + f + ";a[];3), n=readmatrix(b[];" + f +
                   "), ok=1, for(i=0;i<100000;i+=1;if(b[i]!=a[i];ok=0;0)), string(n)+' '+string(ok)"),
              "33334 1");
}

} // namespace
