// execute and the process runner: output capture, large input, failures, breaks, hygiene.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <pthread.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "engine/calc_info.h"
#include "functions/files/process_runner.h"
#include "tests/functions/files/file_test_support.h"
#include "tests/functions/threaded_run.h"

namespace {

using namespace std::chrono_literals;
using NuvixParser::RunProcess;
using NuvixParser::TCalcInfo;
using NuvixParser::TProcessStatus;
using NuvixTest::Eval;
using NuvixTest::Quoted;

// No child of this test program is left, running or as a zombie.
bool NoChildLeft() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// The process has ended: it no longer exists, or only as a zombie of someone else.
bool IsGone(pid_t pid) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

pid_t ReadPid(const std::string& path) {
    std::ifstream in(path);
    pid_t pid = 0;
    in >> pid;
    return pid;
}

std::string Bytes(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

class Execute : public NuvixTest::FileTest {};

TEST_F(Execute, ReturnsStandardOutputAndErrorTogether) {
    NuvixTest::ExpectEach({
        {"execute('echo hi';'')", "hi\n"},
        {"execute('/bin/echo -n a  b';'')", "a b"},
        {"execute('echo ''a  b''';'')", "a  b\n"},
        {"execute('sh -c ''echo out; echo err >&2; echo out2''';'')", "out\nerr\nout2\n"},
        {"execute('cat';'abc')", "abc"},
        {"execute('sh -c ''cat; echo done''';'in ')", "in done\n"},
        {"execute('cat';42)", "42"},
        // A command that starts and fails still returns what it wrote.
        {"execute('sh -c ''echo partial; exit 3''';'')", "partial\n"},
        {"execute('sh -c ''echo oops >&2; exit 2''';'')", "oops\n"},
        // No shell: operators and variables are plain arguments.
        {"execute('echo $HOME a|b > c';'')", "$HOME a|b > c\n"},
        {"execute('true';'')", ""},
    });
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(Execute, CommandsThatCannotStartRaiseTheUnknownCommandError) {
    WriteBytes(Path("plain.txt"), "not a program");
    NuvixTest::ExpectEach({
        {"execute('nonexistent_program_4711';'')", "Error: Execute failed (maybe unknown command)"},
        {"execute('nonexistent_program_4711 with args';'input')",
         "Error: Execute failed (maybe unknown command)"},
        {"execute(" + Quoted(Path("plain.txt")) + ";'')", "Error: Execute failed (maybe unknown command)"},
        {"execute(" + Quoted(dir_.string()) + ";'')", "Error: Execute failed (maybe unknown command)"},
        {"execute('';'')", "Error: Execute failed (maybe unknown command)"},
        {"execute('   ';'x')", "Error: Execute failed (maybe unknown command)"},
        {"execute(''''' x';'')", "Error: Execute failed (maybe unknown command)"}, // empty program name
        {"execute('echo ''oops';'')", "Error: Execute: Unterminated quote in command line."},
        {"execute('echo \"oops';'')", "Error: Execute: Unterminated quote in command line."},
        {"execute(x;'')", "Error: Variable x has no value"},
    });
    EXPECT_EQ(Eval("execute('nonexistent_program_4711';''), 5"),
              "Error: Execute failed (maybe unknown command)");
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(Execute, AWordWithANulByteCannotStart) {
    TCalcInfo ci;
    const auto r = RunProcess({"echo", std::string("a\0b", 3)}, "", ci);
    EXPECT_EQ(r.status, TProcessStatus::StartFailed);
    EXPECT_TRUE(NoChildLeft());
}

// Writing all input before reading would deadlock here: cat answers while it reads.
TEST_F(Execute, LargeInputAndOutputFlowAtTheSameTime) {
    TCalcInfo ci;
    const std::string input = Bytes(8 * 1024 * 1024 + 13);
    const auto r = RunProcess({"cat"}, input, ci);
    ASSERT_EQ(r.status, TProcessStatus::Finished);
    EXPECT_TRUE(r.output == input) << "output of " << r.output.size() << " bytes differs";
    EXPECT_TRUE(NoChildLeft());
    // The same through a script.
    EXPECT_EQ(Eval("s='0123456789abcdef', for(i=0;i<18;i+=1;s+=s), r=execute('cat';s), r==s"), "1");
}

TEST_F(Execute, AProgramThatStopsReadingEarlyDoesNotHurtTheCalculator) {
    sigset_t before;
    ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &before), 0);
    TCalcInfo ci;
    const std::string input = Bytes(4 * 1024 * 1024);
    for (const std::vector<std::string>& words : {std::vector<std::string>{"true"},
                                                  {"head", "-c", "10"},
                                                  {"sh", "-c", "exec 0<&-; sleep 0.1; echo done"}}) {
        const auto r = RunProcess(words, input, ci);
        ASSERT_EQ(r.status, TProcessStatus::Finished) << words[0];
        if (words[0] == "head") {
            EXPECT_EQ(r.output, input.substr(0, 10));
        } else if (words[0] == "sh") {
            EXPECT_EQ(r.output, "done\n");
        }
    }
    EXPECT_TRUE(NoChildLeft());
    // The thread's signal mask is back as it was, and no SIGPIPE is left pending.
    sigset_t after;
    ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &after), 0);
    EXPECT_EQ(sigismember(&after, SIGPIPE), sigismember(&before, SIGPIPE));
    sigset_t pending;
    ASSERT_EQ(sigpending(&pending), 0);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

TEST_F(Execute, OutputBeyondTheLimitEndsTheProgram) {
    TCalcInfo ci;
    const auto r = RunProcess({"yes"}, "", ci, 100000);
    EXPECT_EQ(r.status, TProcessStatus::OutputTooLarge);
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(Execute, TheProgramInheritsOnlyItsStandardStreams) {
    // A descriptor opened elsewhere without close-on-exec.
    const int fd = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(fd, 3);
    const std::string probe = "execute('sh -c ''test -e /proc/$$/fd/" + std::to_string(fd) +
                              " && echo leaked || echo closed''';'')";
    EXPECT_EQ(Eval(probe), "closed\n");
    ::close(fd);
    // Its own streams are there: input, output and error.
    EXPECT_EQ(Eval("execute('sh -c ''test -e /proc/$$/fd/0 && test -e /proc/$$/fd/2 && echo ok''';'')"),
              "ok\n");
}

TEST_F(Execute, TheProgramStartsWithCleanSignalsInAGroupOfItsOwn) {
    // Signals blocked in the calling thread (as the runner blocks SIGINT) stay with it.
    std::string status;
    std::string group;
    // And so do signals the host ignores (a server might ignore SIGPIPE and SIGHUP).
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction oldPipe = {};
    struct sigaction oldHup = {};
    ASSERT_EQ(sigaction(SIGPIPE, &ignore, &oldPipe), 0);
    ASSERT_EQ(sigaction(SIGHUP, &ignore, &oldHup), 0);
    std::thread([&] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        status = Eval("execute('grep -E ^Sig(Blk|Ign) /proc/self/status';'')");
        group =
            Eval("execute('sh -c ''read p c s pp g rest < /proc/$$/stat; test $p = $g && echo leader''';'')");
    }).join();
    sigaction(SIGPIPE, &oldPipe, nullptr);
    sigaction(SIGHUP, &oldHup, nullptr);
    // The C library's own real-time signals (32 and up) are its business; the classic
    // ones must be neither blocked nor ignored.
    unsigned long long blocked = ~0ull;
    unsigned long long ignored = ~0ull;
    ASSERT_EQ(std::sscanf(status.c_str(), "SigBlk:\t%llx\nSigIgn:\t%llx", &blocked, &ignored), 2) << status;
    EXPECT_EQ(blocked & 0x7FFFFFFFull, 0u) << status;
    EXPECT_EQ(ignored & 0x7FFFFFFFull, 0u) << status;
    EXPECT_EQ(group, "leader\n");
}

TEST_F(Execute, BreakEndsTheProgramAndTheRun) {
    const std::string pidFile = Path("pid");
    const std::string script = "execute('sh -c ''echo $$ > " + pidFile + "; exec sleep 100''';'')";
    const auto run = NuvixTest::RunGuarded(script, 300ms);
    EXPECT_EQ(run.outcome, "Error: Breaked");
    EXPECT_LT(run.time, 5s);
    const pid_t pid = ReadPid(pidFile);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(IsGone(pid));
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(Execute, BreakKillsAProgramThatIgnoresTermination) {
    const std::string shPid = Path("sh.pid");
    const std::string sleepPid = Path("sleep.pid");
    // sh ignores SIGTERM and so does the sleep it starts: only SIGKILL to the group helps.
    const std::string script = "execute('sh -c ''trap \"\" TERM; echo $$ > " + shPid +
                               "; sleep 100 & echo $! > " + sleepPid + "; wait''';'')";
    const auto run = NuvixTest::RunGuarded(script, 300ms);
    EXPECT_EQ(run.outcome, "Error: Breaked");
    EXPECT_LT(run.time, 5s);
    const pid_t sh = ReadPid(shPid);
    const pid_t sleeper = ReadPid(sleepPid);
    ASSERT_GT(sh, 0);
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(IsGone(sh));
    // The orphaned sleep is reaped by init at its own pace; it must at least be dead.
    for (int i = 0; i < 100 && !IsGone(sleeper); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(IsGone(sleeper));
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(Execute, BreakAlsoEndsAProgramThatClosedItsOutput) {
    // The output ends at once; the wait for the program itself must be breakable too.
    const auto run = NuvixTest::RunGuarded("execute('sh -c ''exec >&- 2>&-; sleep 100''';'')", 300ms);
    EXPECT_EQ(run.outcome, "Error: Breaked");
    EXPECT_LT(run.time, 5s);
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(Execute, OutputEndsWhenEveryHolderOfThePipeHasEnded) {
    // The background sleep keeps the output open after sh has exited.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Eval("execute('sh -c ''sleep 0.3 & echo first''';'')"), "first\n");
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms);
    EXPECT_TRUE(NoChildLeft());
}

} // namespace
