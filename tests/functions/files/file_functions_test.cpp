// fileread, filewrite, fileappend and fileexists on real files, devices and failures.
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/functions/files/file_test_support.h"
#include "tests/functions/threaded_run.h"

namespace {

using namespace std::chrono_literals;
using NuvixTest::Eval;
using NuvixTest::Quoted;
using NuvixTest::RunValue;

class TextFiles : public NuvixTest::FileTest {};

TEST_F(TextFiles, WriteAppendAndReadAddNoLineEnds) {
    const std::string f = Quoted(Path("t.txt"));
    EXPECT_EQ(Eval("filewrite(" + f + ";'a'), fileappend(" + f + ";'b'), fileread(" + f + ")"), "ab");
    EXPECT_EQ(ReadBytes(Path("t.txt")), "ab");
    // Both return 1.
    EXPECT_EQ(Eval("filewrite(" + f + ";'x') + fileappend(" + f + ";'y')"), "2");
}

TEST_F(TextFiles, WriteReplacesAppendCreatesAndNumbersGoAsText) {
    WriteBytes(Path("t.txt"), "a much longer former content");
    EXPECT_EQ(Eval("filewrite(" + Quoted(Path("t.txt")) + ";'new')"), "1");
    EXPECT_EQ(ReadBytes(Path("t.txt")), "new");
    EXPECT_EQ(Eval("fileappend(" + Quoted(Path("new.txt")) + ";1/3)"), "1");
    EXPECT_EQ(ReadBytes(Path("new.txt")), "0.333333333333333");
}

TEST_F(TextFiles, ReadIsByteForByte) {
    const std::string bytes("a\0b\r\n\xff\r\rz\n", 10);
    WriteBytes(Path("bin.dat"), bytes);
    const auto r = RunValue("fileread(" + Quoted(Path("bin.dat")) + ")");
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.value.isString);
    EXPECT_EQ(r.value.text, bytes);
    // And back out again unchanged.
    const auto w =
        RunValue("filewrite(" + Quoted(Path("copy.dat")) + ";fileread(" + Quoted(Path("bin.dat")) + "))");
    ASSERT_EQ(w.error, "");
    EXPECT_EQ(ReadBytes(Path("copy.dat")), bytes);
}

TEST_F(TextFiles, EmptyFileReadsAsEmptyText) {
    WriteBytes(Path("empty.txt"), "");
    const auto r = RunValue("fileread(" + Quoted(Path("empty.txt")) + ")");
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.value.isString);
    EXPECT_EQ(r.value.text, "");
}

TEST_F(TextFiles, FilesWithoutAKnownSizeAreReadToTheirEnd) {
    // /proc reports size 0 for its regular files; a device has no size at all.
    const auto status = RunValue("fileread('/proc/self/status')");
    ASSERT_EQ(status.error, "");
    EXPECT_NE(status.value.text.find("Name:"), std::string::npos);
    const auto null = RunValue("fileread('/dev/null')");
    ASSERT_EQ(null.error, "");
    EXPECT_EQ(null.value.text, "");
}

TEST_F(TextFiles, OpenFailuresNameTheFile) {
    const std::string missing = Path("missing.txt");
    const std::string noDir = Path("no/such/dir.txt");
    ASSERT_EQ(::mkdir(Path("sub").c_str(), 0700), 0);
    NuvixTest::ExpectEach({
        {"fileread('missing.txt')", "Error: FileRead: Error opening file 'missing.txt'."},
        {"fileread(" + Quoted(missing) + ")", "Error: FileRead: Error opening file '" + missing + "'."},
        // A directory opens on POSIX but is no file.
        {"fileread(" + Quoted(Path("sub")) + ")",
         "Error: FileRead: Error opening file '" + Path("sub") + "'."},
        {"fileread('')", "Error: FileRead: Error opening file ''."},
        {"filewrite(" + Quoted(noDir) + ";'x')", "Error: FileWrite: Error writing to file '" + noDir + "'."},
        {"filewrite(" + Quoted(Path("sub")) + ";'x')",
         "Error: FileWrite: Error writing to file '" + Path("sub") + "'."},
        // The open error of fileappend has its '+' before the name; the write error not.
        {"fileappend(" + Quoted(noDir) + ";'x')",
         "Error: FileAppend: Error writing to file +'" + noDir + "'."},
        {"fileread(x)", "Error: Variable x has no value"},
    });
}

TEST_F(TextFiles, AFullDeviceIsAnErrorNotASilentSuccess) {
    NuvixTest::ExpectEach({
        {"filewrite('/dev/full';'data')", "Error: FileWrite: Error writing to file '/dev/full'."},
        {"fileappend('/dev/full';'data')", "Error: FileAppend: Error writing to file '/dev/full'."},
        // Nothing to write: nothing fails.
        {"filewrite('/dev/full';'')", "1"},
        // Devices are written in place.
        {"filewrite('/dev/null';'data') + fileappend('/dev/null';'data')", "2"},
    });
    // The run ends at the failed write.
    EXPECT_EQ(Eval("filewrite('/dev/full';'x'), 5"), "Error: FileWrite: Error writing to file '/dev/full'.");
}

TEST_F(TextFiles, ANameWithANulByteNamesNoFile) {
    // The system would see only "x" and write there.
    const std::string script = "filewrite(" + Quoted(Path("x") + std::string(1, '\0') + "y") + ";'data')";
    const auto r = RunValue(script);
    EXPECT_EQ(r.error.rfind("Error: FileWrite: Error writing to file '", 0), 0u) << r.error;
    EXPECT_FALSE(std::filesystem::exists(Path("x")));
    EXPECT_EQ(Eval("fileexists(" + Quoted(Path("t") + std::string(1, '\0')) + ")"), "0");
}

TEST_F(TextFiles, HugeFilesAreRefused) {
    // A sparse file of 4 GiB takes no space but must not be read into memory.
    const std::string big = Path("big.dat");
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const bool sized = ::ftruncate(fd, off_t{1} << 32) == 0;
    ::close(fd);
    if (!sized) GTEST_SKIP() << "no sparse 4 GiB file possible here";
    EXPECT_EQ(Eval("fileread(" + Quoted(big) + ")"), "Error: FileRead: File '" + big + "' is too large.");
}

TEST_F(TextFiles, BreakEndsReadingAnEndlessDevice) {
    const auto run = NuvixTest::RunGuarded("fileread('/dev/zero')", 5ms);
    EXPECT_EQ(run.outcome, "Error: Breaked");
    EXPECT_LT(run.time, 5s);
}

TEST_F(TextFiles, FileexistsTellsFilesFromEverythingElse) {
    WriteBytes(Path("f.txt"), "x");
    WriteBytes(Path("locked.txt"), "x");
    ASSERT_EQ(::chmod(Path("locked.txt").c_str(), 0), 0);
    ASSERT_EQ(::mkdir(Path("sub").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(Path("gone.txt").c_str(), Path("dangling").c_str()), 0);
    ASSERT_EQ(::symlink(Path("f.txt").c_str(), Path("link").c_str()), 0);
    NuvixTest::ExpectEach({
        {"fileexists(" + Quoted(Path("f.txt")) + ")", "1"},
        {"fileexists(" + Quoted(Path("locked.txt")) + ")", "1"}, // exists, even if unreadable
        {"fileexists(" + Quoted(Path("link")) + ")", "1"},
        {"fileexists(" + Quoted(Path("dangling")) + ")", "0"},
        {"fileexists(" + Quoted(Path("sub")) + ")", "0"},
        {"fileexists(" + Quoted(Path("missing")) + ")", "0"},
        {"fileexists('.')", "0"},
        {"fileexists('')", "0"},
        {"fileexists('/dev/null')", "1"},
    });
    EXPECT_EQ(Eval("f=" + Quoted(Path("new.txt")) + ", a=fileexists(f), filewrite(f;''), a*10+fileexists(f)"),
              "1");
}

} // namespace
