// Fuzz target: any bytes compiled as a script and, when they compile, run under a time
// budget by a parser whose file, process and sleep functions do nothing.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/function_registry.h"
#include "engine/parser.h"
#include "functions/standard_table.h"
#include "engine/return_value.h"
#include "engine/var_handler.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace NuvixFuzz {
namespace {

using namespace NuvixParser;

// A run may take this long before the watchdog requests a break; loops check the break
// flag at every iteration, so every script ends soon after.
constexpr auto kRunBudget = std::chrono::milliseconds(25);

// Stands in for a function that would touch the file system, start a process or wait:
// the same number of arguments, none of them evaluated, result 0.
template <int N> class TInertFunction final : public TFunction {
public:
    int ArgumentCount() const override { return N; }
    void Evaluate(TCalcInfo&, TReturnValue& result) override { result.SetNumber(0); }
};

TFunctionFactory InertFactory(int argumentCount) {
    switch (argumentCount) {
    case 0: return &MakeFunction<TInertFunction<0>>;
    case 1: return &MakeFunction<TInertFunction<1>>;
    case 2: return &MakeFunction<TInertFunction<2>>;
    case 3: return &MakeFunction<TInertFunction<3>>;
    case 4: return &MakeFunction<TInertFunction<4>>;
    default: return nullptr;
    }
}

// The standard registry with the outward-facing functions replaced; built once.
std::shared_ptr<const TFunctionRegistry> InertRegistry() {
    static const std::shared_ptr<const TFunctionRegistry> registry = [] {
        auto own = std::make_shared<TFunctionRegistry>(*StandardRegistry());
        for (const char* name : {"execute", "filewrite", "fileappend", "writematrix", "sleep", "readmatrix",
                                 "fileread", "fileexists"}) {
            const TBuiltin* real = own->Lookup(name);
            FUZZ_CHECK(real != nullptr);
            const TFunctionFactory inert = InertFactory(MakeCall(*real)->ArgumentCount());
            FUZZ_CHECK(inert != nullptr);
            own->Register(name, inert);
        }
        return std::shared_ptr<const TFunctionRegistry>(std::move(own));
    }();
    return registry;
}

// User function bodies are compiled by a clone of the defining parser, so the clone must
// carry the inert registry too.
class TInertParser final : public TParser {
public:
    explicit TInertParser(TGlobalVarList& globals) : TParser(globals, InertRegistry()) {}
    std::unique_ptr<TParserBase> Clone() const override { return std::make_unique<TInertParser>(Globals()); }
};

// One thread for the whole fuzzing session: requests a break from the armed run once its
// deadline has passed. Arm and Disarm bracket every run, so the record it breaks is alive.
class TWatchdog {
public:
    TWatchdog() { std::thread([this] { Loop(); }).detach(); }

    void Arm(TCalcInfo& ci) {
        std::lock_guard lock(mutex_);
        armed_ = &ci;
        deadline_ = std::chrono::steady_clock::now() + kRunBudget;
        changed_.notify_one();
    }
    void Disarm() {
        std::lock_guard lock(mutex_);
        armed_ = nullptr;
    }

private:
    void Loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return armed_ != nullptr; });
            if (!changed_.wait_until(lock, deadline_, [this] { return armed_ == nullptr; }) && armed_) {
                armed_->RequestBreak();
                armed_ = nullptr;
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    TCalcInfo* armed_ = nullptr;
    std::chrono::steady_clock::time_point deadline_;
};

TWatchdog& Watchdog() {
    static TWatchdog* watchdog = new TWatchdog; // lives until the process ends
    return *watchdog;
}

} // namespace

void FuzzParser(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TGlobalVarList globals;
    TInertParser parser(globals);
    parser.SetText(text);
    std::vector<TCodePosInfo> marks;
    const bool compiled = parser.Compile(&marks);
    const auto length = static_cast<int>(parser.Text().size());
    for (const TCodePosInfo& mark : marks) {
        FUZZ_CHECK(mark.position >= 0 && mark.position <= length);
        FUZZ_CHECK(mark.kind >= TCodePosInfo::kVariable && mark.kind <= TCodePosInfo::kComment);
    }
    if (!compiled) {
        FUZZ_CHECK(parser.HasError());
        FUZZ_CHECK(!parser.ErrorMessage().empty());
        FUZZ_CHECK(parser.ErrorStart() >= 0 && parser.ErrorStart() <= length);
        return;
    }
    // Two runs: the second one starts from everything the first one left behind.
    for (int run = 0; run < 2; ++run) {
        TCalcInfo ci;
        parser.Rebind();
        ci.Reset();
        Watchdog().Arm(ci);
        const TReturnValue result = parser.Calculate(ci);
        Watchdog().Disarm();
        // An error may carry no message: a scalar name used as an array, or a failed
        // compound store, only raise the flag.
        (void)result.ToString();
    }
}

} // namespace NuvixFuzz
