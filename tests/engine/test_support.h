// Helpers for engine tests: compile and run a script synchronously on the calling thread.
#pragma once

#include <gtest/gtest.h>

#include <pthread.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "engine/calc_info.h"
#include "engine/parser.h"
#include "engine/return_value.h"
#include "engine/var_handler.h"

namespace NuvixTest {

// The built-in functions the scripts of a test program may call: none for the engine's own
// tests, the standard library for those that drive the engine through it. Each test
// program defines it once.
std::shared_ptr<const NuvixParser::TFunctionRegistry> ScriptRegistry();

// A parser with its own global list, compiled from one text.
struct TScript {
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TParser parser{globals, ScriptRegistry()};
    NuvixParser::TCalcInfo ci;

    explicit TScript(std::string_view text) { parser.SetText(text); }
    bool Compile() { return parser.Compile(); }
    // Rebinds and runs once; the run's error state is left in ci.
    NuvixParser::TReturnValue Run() {
        parser.Rebind();
        ci.Reset();
        return parser.Calculate(ci);
    }
};

// What a run of a script gave: its result text (the text reading of the value), or
// "Error: " + message, or "Syntax: " + message for a failed compile.
inline std::string Eval(std::string_view text) {
    TScript s(text);
    if (!s.Compile()) return "Syntax: " + s.parser.ErrorMessage();
    NuvixParser::TReturnValue v = s.Run();
    if (s.ci.error) return "Error: " + s.ci.errorMessage;
    return v.ToString();
}

// Table-driven checks of scripts against the result text Eval reports for them.
struct TScriptCase {
    const char* script;
    std::string expected; // result text, "Error: ..." or "Syntax: ..."
};

inline void ExpectResults(std::initializer_list<TScriptCase> cases) {
    for (const TScriptCase& c : cases) EXPECT_EQ(Eval(c.script), c.expected) << "script: " << c.script;
}

// Runs fn on a thread with a large stack and waits for it.
inline void RunOnLargeStack(std::size_t stackSize, const std::function<void()>& fn) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, stackSize), 0);
    pthread_t thread;
    auto body = [](void* p) -> void* {
        (*static_cast<const std::function<void()>*>(p))();
        return nullptr;
    };
    const int rc = pthread_create(&thread, &attr, body, const_cast<std::function<void()>*>(&fn));
    pthread_attr_destroy(&attr);
    ASSERT_EQ(rc, 0);
    pthread_join(thread, nullptr);
}

// Compile, Rebind and destruction stay on the test's thread; only Calculate (whose
// recursion follows the depth of the tree) runs on a large stack.
inline std::string CompileAndRunFlat(const std::string& text, std::size_t stackSize = std::size_t{512} << 20) {
    auto s = std::make_unique<TScript>(text);
    if (!s->Compile()) return "Syntax: " + s->parser.ErrorMessage();
    s->parser.Rebind();
    s->ci.Reset();
    NuvixParser::TReturnValue v;
    RunOnLargeStack(stackSize, [&] { v = s->parser.Calculate(s->ci); });
    std::string result = s->ci.error ? "Error: " + s->ci.errorMessage : v.ToString();
    s.reset();
    return result;
}

} // namespace NuvixTest
