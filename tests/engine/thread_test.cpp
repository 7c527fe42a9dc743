// The calculation thread: start and end of runs, results, break, discarded messages, quit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "engine/auto_parser_thread.h"
#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/parser.h"
#include "engine/result_text.h"
#include "engine/thread_messages.h"
#include "engine/user_function.h"
#include "engine/var_entry.h"
#include "engine/var_handler.h"
#include "tests/engine/test_support.h"

using namespace NuvixParser;
using namespace std::chrono_literals;

namespace {

// Only guards against hangs; a healthy run takes a fraction of this.
constexpr auto kHangTimeout = 120s;

// Ends the test program when a step does not finish in time: a hung thread would otherwise
// block the test (and the thread object's destructor) for ever.
class THangGuard {
public:
    explicit THangGuard(const char* what, std::chrono::seconds limit = kHangTimeout) {
        watcher_ = std::thread([this, what, limit] {
            std::unique_lock lock(mutex_);
            if (!cv_.wait_for(lock, limit, [this] { return done_; })) {
                std::fprintf(stderr, "hang: %s did not finish within %lld s\n", what,
                             static_cast<long long>(limit.count()));
                std::fflush(stderr);
                std::abort();
            }
        });
    }
    ~THangGuard() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        cv_.notify_all();
        watcher_.join();
    }
    THangGuard(const THangGuard&) = delete;
    THangGuard& operator=(const THangGuard&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread watcher_;
};

// The main window's side of the protocol: collects the results of the ends of runs.
class TFakeWindow final : public TRunEndListener {
public:
    void RunEnded(const TReturnValue& result) override {
        {
            std::lock_guard lock(mutex_);
            messages_.push_back(&result);
        }
        posted_.notify_all();
    }
    std::optional<const TReturnValue*> Wait(std::chrono::seconds timeout = kHangTimeout) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, timeout, [this] { return !messages_.empty(); })) return std::nullopt;
        const TReturnValue* m = messages_.front();
        messages_.pop_front();
        return m;
    }
    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return messages_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<const TReturnValue*> messages_;
};

// spin(): runs until a break is requested, then fails with "Breaked" like a loop would.
std::atomic<int> gSpinsStarted{0};

class TSpin final : public TFunction {
public:
    int ArgumentCount() const override { return 0; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
        ++gSpinsStarted;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!ci.BreakRequested()) {
            if (std::chrono::steady_clock::now() > deadline) {
                ci.SetError("spin: no break arrived");
                return;
            }
            ci.BreakEvent().WaitFor(10ms);
        }
        result.SetNumber(0);
        ci.SetError("Breaked");
    }
};

// hold(c): when c is true, waits for a break and then returns 1 without an error, so the
// script itself has to notice the break; otherwise returns 0 at once.
std::atomic<int> gHoldsStarted{0};

class THold final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override {
        if (!Value(0).IsTrue()) return 0;
        ++gHoldsStarted;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!ci.BreakRequested()) {
            if (std::chrono::steady_clock::now() > deadline) {
                ci.SetError("hold: no break arrived");
                return 0;
            }
            ci.BreakEvent().WaitFor(10ms);
        }
        return 1;
    }
};

// Parsers that carry the helpers, also in the bodies of user functions.
class TThreadTestParser final : public TParser {
public:
    explicit TThreadTestParser(TGlobalVarList& globals) : TParser(globals, NuvixTest::ScriptRegistry()) {
        Register("spin", &MakeFunction<TSpin>);
        Register("hold", &MakeFunction<THold>);
    }
    std::unique_ptr<TParserBase> Clone() const override {
        return std::make_unique<TThreadTestParser>(Globals());
    }
};

template <class Predicate> bool WaitUntil(Predicate done) {
    const auto deadline = std::chrono::steady_clock::now() + kHangTimeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// The main window's arrangement: panel parser, Global parser (its clone) sharing one table of
// user functions, and the thread over both.
class CalcThread : public ::testing::Test {
protected:
    void TearDown() override { Shutdown(); }

    // Compiles and rebinds both panels, as the main window does before a start.
    void Load(std::string_view globalText, std::string_view panelText) {
        global.SetText(globalText);
        ASSERT_TRUE(global.Compile()) << global.ErrorMessage();
        panel.SetText(panelText);
        ASSERT_TRUE(panel.Compile()) << panel.ErrorMessage();
        global.Rebind();
        panel.Rebind();
    }
    void CreateThread() { thread = std::make_unique<TAutoParserThread>(panel, global, &window); }
    void StartThread() {
        CreateThread();
        thread->Resume();
    }
    // Waits for the end-of-run message and returns the result line of a decimal panel.
    std::string AwaitRunEnd() {
        const std::optional<const TReturnValue*> m = window.Wait();
        if (!m) return "(no end-of-run message)";
        EXPECT_EQ(*m, &thread->Result());
        return ResultLineText(**m, thread->CalcInfo(), TRadix::Decimal);
    }
    std::string Run() {
        EXPECT_TRUE(thread->StartRun());
        return AwaitRunEnd();
    }
    TVarEntry* Global(std::string_view name) {
        TVarEntryBase* e = panel.Store().Find(name);
        return e && e->Kind() == TEntryKind::Scalar ? static_cast<TVarEntry*>(e) : nullptr;
    }
    void Shutdown() {
        if (!thread) return;
        THangGuard guard("shutting the thread down");
        thread->PostThreadMessage(kMsgQuit);
        thread.reset();
    }

    TGlobalVarList globals;
    TThreadTestParser panel{globals};
    std::unique_ptr<TParserBase> globalOwner = panel.Clone();
    TParser& global = static_cast<TParser&>(*globalOwner);
    TFakeWindow window;
    std::unique_ptr<TAutoParserThread> thread;

    CalcThread() { panel.ShareHandler(global.Handler()); }
};

TEST_F(CalcThread, RunEndIsPostedWithTheAddressOfTheResult) {
    Load("", "1+2");
    StartThread();
    EXPECT_EQ(Run(), "3");
    EXPECT_FALSE(thread->CalcInfo().error);
    EXPECT_EQ(thread->Result().number, 3);
    EXPECT_EQ(window.Pending(), 0u);
}

TEST_F(CalcThread, GlobalProgramRunsBeforeThePanelProgram) {
    Load("$g=5, define(twice(x);2*x)", "twice($g)");
    StartThread();
    EXPECT_EQ(Run(), "10");
    Load("$g='a'", "$g+'b'");
    EXPECT_EQ(Run(), "ab");
    EXPECT_TRUE(thread->Result().isString);
}

TEST_F(CalcThread, EveryStartGivesOneRunWithAFreshRecord) {
    StartThread();
    Load("", "zz");
    EXPECT_EQ(Run(), "Error: Variable zz has no value");
    Load("", "2*3");
    EXPECT_EQ(Run(), "6");
    EXPECT_EQ(Run(), "6");
    EXPECT_EQ(window.Pending(), 0u);
}

TEST_F(CalcThread, FailingGlobalProgramKeepsThePanelFromRunning) {
    Load("zz", "$ran=1");
    StartThread();
    EXPECT_EQ(Run(), "Error: Variable zz has no value");
    TVarEntry* ran = Global("$ran");
    ASSERT_NE(ran, nullptr);
    EXPECT_FALSE(ran->hasValue);
}

TEST_F(CalcThread, BreakEndsALongRun) {
    Load("", "1, spin(), 2");
    StartThread();
    const int before = gSpinsStarted.load();
    ASSERT_TRUE(thread->StartRun());
    ASSERT_TRUE(WaitUntil([&] { return gSpinsStarted.load() > before; }));
    thread->PostThreadMessage(kMsgBreakRun);
    thread->Break();
    EXPECT_EQ(AwaitRunEnd(), "Error: Breaked");
    EXPECT_TRUE(thread->CalcInfo().error);
    // The next start clears the break.
    Load("", "1, 2");
    EXPECT_EQ(Run(), "2");
}

TEST_F(CalcThread, BreakInTheGlobalProgramKeepsThePanelFromRunning) {
    Load("spin()", "$ran=1");
    StartThread();
    const int before = gSpinsStarted.load();
    ASSERT_TRUE(thread->StartRun());
    ASSERT_TRUE(WaitUntil([&] { return gSpinsStarted.load() > before; }));
    thread->Break();
    EXPECT_EQ(AwaitRunEnd(), "Error: Breaked");
    TVarEntry* ran = Global("$ran");
    ASSERT_NE(ran, nullptr);
    EXPECT_FALSE(ran->hasValue);
}

TEST_F(CalcThread, BreakEndsARecursionAtItsNextSequenceStep) {
    // The 1000th call waits for the break; the ',' after it then ends the run.
    Load("", "define(f(n);hold(n==1000), f(n+1)), f(1)");
    StartThread();
    const int before = gHoldsStarted.load();
    ASSERT_TRUE(thread->StartRun());
    ASSERT_TRUE(WaitUntil([&] { return gHoldsStarted.load() > before; }));
    thread->Break();
    EXPECT_EQ(AwaitRunEnd(), "Error: Breaked");
    TFunctionDef* f = panel.Handler()->Find("f");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Body().Store().FrameDepth(), 0u);
}

TEST_F(CalcThread, BreakRightAfterStartBeforeTheThreadRunsIsKept) {
    Load("", "1, 2");
    CreateThread(); // still suspended: the start request cannot have been taken yet
    ASSERT_TRUE(thread->StartRun());
    thread->Break();
    thread->Resume();
    EXPECT_EQ(AwaitRunEnd(), "Error: Breaked");
}

TEST_F(CalcThread, BreakRightAfterStartOnARunningThreadIsKept) {
    // Whether the thread takes the start request before or after the break, spin sees it.
    Load("", "spin()");
    StartThread();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(thread->StartRun());
        thread->Break();
        EXPECT_EQ(AwaitRunEnd(), "Error: Breaked") << "round " << i;
    }
}

TEST_F(CalcThread, BreakWhileIdleDoesNotReachTheNextRun) {
    Load("", "1, 2");
    StartThread();
    EXPECT_EQ(Run(), "2");
    thread->PostThreadMessage(kMsgBreakRun);
    thread->Break();
    EXPECT_EQ(Run(), "2");
    EXPECT_FALSE(thread->CalcInfo().error);
}

TEST_F(CalcThread, OtherMessagesAreDiscarded) {
    Load("$n=0", "$n=$n+1");
    StartThread();
    for (std::uint32_t id : {kMsgBreakRun, kMsgAppFirst, std::uint32_t{0x8003}, std::uint32_t{0x8006},
                             std::uint32_t{0x0001}, std::uint32_t{0x7FFF}, std::uint32_t{0xFFFF}})
        ASSERT_TRUE(thread->PostThreadMessage(id));
    EXPECT_EQ(Run(), "1");
    // The messages before the start were taken in order and produced nothing.
    EXPECT_EQ(window.Pending(), 0u);
    thread->PostThreadMessage(0x8004);
    EXPECT_EQ(Run(), "1");
    EXPECT_EQ(window.Pending(), 0u);
}

TEST_F(CalcThread, QuitWhileIdleEndsTheThread) {
    Load("", "1");
    CreateThread();
    std::atomic<int> terminations{0};
    std::atomic<bool> onWorker{false};
    const auto mainId = std::this_thread::get_id();
    thread->onTerminate = [&](TLargeStackThread&) {
        ++terminations;
        onWorker = std::this_thread::get_id() != mainId;
    };
    thread->Resume();
    EXPECT_EQ(Run(), "1");
    {
        THangGuard guard("the thread's end after quit");
        ASSERT_TRUE(thread->PostThreadMessage(kMsgQuit));
        EXPECT_EQ(thread->WaitFor(), 0);
    }
    EXPECT_TRUE(thread->Finished());
    EXPECT_EQ(terminations.load(), 1);
    EXPECT_TRUE(onWorker.load());
    EXPECT_EQ(window.Pending(), 0u);
}

TEST_F(CalcThread, NeverResumedThreadIsDestroyedWithoutRunningAnything) {
    Load("", "$ran=1");
    CreateThread();
    std::atomic<int> terminations{0};
    thread->onTerminate = [&](TLargeStackThread&) { ++terminations; };
    EXPECT_TRUE(thread->Suspended());
    ASSERT_TRUE(thread->StartRun());
    {
        THangGuard guard("destroying a thread that was never resumed");
        thread.reset();
    }
    EXPECT_EQ(terminations.load(), 0);
    EXPECT_EQ(window.Pending(), 0u);
    TVarEntry* ran = Global("$ran");
    ASSERT_NE(ran, nullptr);
    EXPECT_FALSE(ran->hasValue);
}

TEST_F(CalcThread, DeepRecursionUsesTheLargeStackAndEndsAsStackOverflow) {
    Load("", "define(f(n);$depth=n, f(n+1)), f(1)");
    StartThread();
    EXPECT_EQ(Run(), "Stack Overflow");
    EXPECT_FALSE(thread->CalcInfo().error);
    EXPECT_TRUE(thread->Result().isString);
    TVarEntry* depth = Global("$depth");
    ASSERT_NE(depth, nullptr);
    ASSERT_TRUE(depth->hasValue);
    // A default thread stack of a few MiB holds some ten thousand calls; 512 MiB holds
    // several hundred thousand (fewer with the larger frames of a sanitizer build).
    EXPECT_GT(depth->number, 100000) << "recursion depth reached";
    RecordProperty("recursion_depth", std::to_string(static_cast<long long>(depth->number)));
    TFunctionDef* f = panel.Handler()->Find("f");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Body().Store().FrameDepth(), 0u);
    // The thread carries on.
    Load("", "1+1");
    EXPECT_EQ(Run(), "2");
}

} // namespace
