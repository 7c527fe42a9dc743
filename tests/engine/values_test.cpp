// Values, conversions, variable entries, the variable store and the run record.
#include <gtest/gtest.h>

#include <cstdlib>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "engine/calc_info.h"
#include "engine/conversions.h"
#include "engine/return_value.h"
#include "engine/var_entry.h"
#include "engine/var_handler.h"
#include "tests/engine/test_support.h"

namespace {

using namespace NuvixParser;
using namespace std::string_view_literals;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- number reading -----------------------------------------------------------------

struct ReadCase {
    const char* text;
    double value;
    std::size_t consumed;
};

TEST(TextToNumber, ReadsLongestNumericPrefix) {
    const ReadCase cases[] = {
        {"12abc", 12, 2},     {"abc", 0, 0},          {"", 0, 0},
        {" 3", 3, 2},         {"\t\n\v\f\r-2.5", -2.5, 9}, {"+.5", 0.5, 3},
        {"5.", 5, 2},         {".", 0, 0},            {"-", 0, 0},
        {"+-1", 0, 0},        {"1e3", 1000, 3},       {"1E+2x", 100, 4},
        {"1e-2", 0.01, 4},    {"1e", 1, 1},           {"1e+", 1, 1},
        {"2.5e-x", 2.5, 3},   {".5e1", 5, 4},         {"inf", 0, 0},
        {"-INF", 0, 0},       {"nan", 0, 0},          {"0x10", 0, 1},
        {"1,5", 1, 1},        {"\xa0" "3", 0, 0},     {"  - 3", 0, 0},
        {"0.1", 0.1, 3},      {"007", 7, 3},          {"4.9e-324", 4.9e-324, 8},
        {"1e400", kInf, 5},   {"-1e400", -kInf, 6},   {"1e-400", 0, 6},
        {"123456789012345678901234567890", 1.2345678901234568e29, 30},
    };
    for (const auto& c : cases) {
        std::size_t consumed = 99;
        EXPECT_EQ(TextToNumber(c.text, &consumed), c.value) << '"' << c.text << '"';
        EXPECT_EQ(consumed, c.consumed) << '"' << c.text << '"';
    }
    EXPECT_TRUE(std::signbit(TextToNumber("-0")));
    EXPECT_TRUE(std::signbit(TextToNumber("-1e-400")));
}

// ---- number formatting ----------------------------------------------------------------

TEST(FormatNumber, PercentG15WithInfAndNan) {
    const std::pair<double, const char*> cases[] = {
        {0.1, "0.1"}, {1e15, "1e+15"}, {999999999999999.0, "999999999999999"},
        {100000000000000.0, "100000000000000"}, {1234567890123456.0, "1.23456789012346e+15"},
        {1.0 / 3.0, "0.333333333333333"}, {1e-5, "1e-05"}, {0.0001, "0.0001"},
        {0.000123456, "0.000123456"}, {1.5e-7, "1.5e-07"}, {2, "2"}, {-2.5, "-2.5"}, {0, "0"},
        {-0.0, "-0"}, {1e100, "1e+100"}, {123456.75, "123456.75"},
        {std::numeric_limits<double>::max(), "1.79769313486232e+308"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247e-324"},
        {kInf, "+INF"}, {-kInf, "-INF"}, {kNaN, "+NAN"}, {-kNaN, "-NAN"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(FormatNumber(v), text) << v;

    std::string out = "x=";
    AppendNumber(out, 0.5);
    AppendNumber(out, -kInf);
    EXPECT_EQ(out, "x=0.5-INF");
}

// The conversions must not follow LC_NUMERIC: a locale with a decimal comma changes
// nothing.
class LocaleGuard {
public:
    LocaleGuard() : saved_(std::setlocale(LC_NUMERIC, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_NUMERIC, saved_.c_str()); }

private:
    std::string saved_;
};

TEST(Conversions, IgnoreNumericLocale) {
    LocaleGuard guard;
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE.utf8")) {
        // Not installed: compile it from the locale sources into a scratch folder.
        const std::string dir = ::testing::TempDir() + "varnex_locales";
        const std::string command = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                                    "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", dir.c_str(), 1);
            std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        }
    }
    if (std::string(std::setlocale(LC_NUMERIC, nullptr)).rfind("de_DE", 0) != 0)
        GTEST_SKIP() << "no de_DE locale available";
    ASSERT_EQ(std::string(localeconv()->decimal_point), ",");
    EXPECT_EQ(TextToNumber("1.5"), 1.5);
    EXPECT_EQ(TextToNumber("1,5"), 1);
    EXPECT_EQ(FormatNumber(1.5), "1.5");
    EXPECT_EQ(FormatNumber(1.25e-7), "1.25e-07");
    EXPECT_EQ(NuvixTest::Eval("0.5 + '1.25'"), "1.75");
}

// ---- integer reading and truth -------------------------------------------------------

TEST(DoubleToInt32, TruncatesThenKeepsLow32Bits) {
    const std::pair<double, std::int32_t> cases[] = {
        {0, 0}, {1.9, 1}, {-1.9, -1}, {0.99, 0}, {-0.5, 0}, {2147483647.0, 2147483647},
        {2147483648.0, INT32_MIN}, {-2147483649.0, 2147483647}, {4294967296.0, 0},
        {4294967297.0, 1}, {-4294967297.0, -1}, {1e10, 1410065408},
        {9223372036854774784.0, -1024}, // the largest double below 2^63
        {-9223372036854775808.0, 0}, {9223372036854775808.0, 0}, {1e300, 0}, {-1e300, 0},
        {kInf, 0}, {-kInf, 0}, {kNaN, 0}, {-kNaN, 0},
    };
    for (const auto& [v, expected] : cases) EXPECT_EQ(DoubleToInt32(v), expected) << v;
}

TEST(TReturnValue, TruthUsesIntegerReading) {
    const std::pair<double, bool> numbers[] = {
        {0.99, false}, {-0.9, false}, {0.5, false}, {1, true}, {-1, true},
        {4294967296.0, false}, {4294967297.0, true}, {kNaN, false}, {kInf, false},
    };
    for (const auto& [v, truth] : numbers) EXPECT_EQ(TReturnValue(v).IsTrue(), truth) << v;

    const std::pair<const char*, bool> texts[] = {
        {"1", true}, {"x", false}, {"", false}, {"0.5", false}, {" 2abc", true}, {"-3", true},
    };
    for (const auto& [s, truth] : texts) {
        TReturnValue v;
        v.SetString(s);
        EXPECT_EQ(v.IsTrue(), truth) << '"' << s << '"';
    }
}

// ---- TReturnValue ---------------------------------------------------------------------

TEST(TReturnValue, NumberAndTextReadings) {
    TReturnValue v;
    EXPECT_FALSE(v.isString);
    EXPECT_EQ(v.number, 0);
    EXPECT_EQ(v.ToString(), "0");

    EXPECT_EQ(v.SetNumber(7.5), 7.5);
    v.SetString("12abc");
    EXPECT_TRUE(v.isString);
    EXPECT_EQ(v.number, 7.5); // SetString leaves the number field alone
    EXPECT_EQ(v.GetNumber(), 12);
    EXPECT_EQ(v.GetInt(), 12);
    EXPECT_EQ(v.ToString(), "12abc");

    v.SetNumber(-3.25);
    EXPECT_FALSE(v.isString);
    EXPECT_TRUE(v.text.empty());
    EXPECT_EQ(v.GetInt(), -3);
    EXPECT_EQ(v.ToString(), "-3.25");
}

// ---- TVarEntry ------------------------------------------------------------------------

// hasValue, isString, number and text of a scalar in one comparable line.
std::string State(const TVarEntryBase& e) {
    if (e.Kind() != TEntryKind::Scalar) return "not a scalar";
    const auto& v = static_cast<const TVarEntry&>(e);
    return std::to_string(v.hasValue) + std::to_string(v.isString) + " " + FormatNumber(v.number) + "|" + v.text;
}

TEST(TVarEntry, SetNumberAndSetString) {
    TVarEntry e("x");
    EXPECT_EQ(e.Kind(), TEntryKind::Scalar);
    EXPECT_EQ(State(e), "00 0|");
    e.SetString("5"sv);
    EXPECT_EQ(State(e), "11 5|5"); // a text keeps its numeric reading
    e.SetString(std::string(" 12abc"));
    EXPECT_EQ(State(e), "11 12| 12abc");
    e.SetString("abc"sv);
    EXPECT_EQ(State(e), "11 0|abc");
    e.SetNumber(2.5);
    EXPECT_EQ(State(e), "10 2.5|");
}

TEST(TVarEntry, TakeValueCloneAndAssign) {
    TVarEntry e("s");
    e.SetString("7 days"sv);
    auto clone = e.Clone();
    auto taken = e.TakeValue();
    EXPECT_EQ(State(e), "00 0|");
    EXPECT_EQ(State(*clone), "11 7|7 days");
    EXPECT_EQ(State(*taken), "11 7|7 days");
    EXPECT_EQ(clone->Name(), "s");
    EXPECT_EQ(taken->Name(), "s");

    EXPECT_TRUE(e.Assign(std::move(taken)));
    EXPECT_EQ(State(e), "11 7|7 days");

    auto array = std::make_unique<TArrayEntry>("s");
    array->SetElement(0, 1);
    EXPECT_FALSE(e.Assign(std::move(array)));
    EXPECT_EQ(State(e), "11 7|7 days");
}

// ---- TArrayEntry ----------------------------------------------------------------------

TEST(TArrayEntry, ReserveRoundsTo128) {
    const std::pair<std::int64_t, std::int32_t> cases[] = {
        {0, 0}, {1, 128}, {128, 128}, {129, 256}, {300, 384}, {1000, 1024},
    };
    for (const auto& [n, capacity] : cases) {
        TArrayEntry a("a");
        ASSERT_TRUE(a.Reserve(n));
        EXPECT_EQ(a.Capacity(), capacity) << n;
        EXPECT_EQ(a.Length(), 0) << n;
    }
    TArrayEntry a("a");
    EXPECT_FALSE(a.Reserve(-1));
    EXPECT_FALSE(a.Reserve(TArrayEntry::kMaxElements + 1));
    EXPECT_FALSE(a.SetLength(-1));
    EXPECT_FALSE(a.SetLength(TArrayEntry::kMaxElements + 1));
    EXPECT_EQ(a.Capacity(), 0);
    EXPECT_EQ(a.Length(), 0);
}

TEST(TArrayEntry, ReserveBelowLengthCutsTheLength) {
    // The length never exceeds the storage: reading after a shrinking Reserve stays
    // inside the array (and Reserve(0) leaves nothing to read).
    TArrayEntry a("a");
    for (int i = 0; i < 300; ++i) a.SetElement(i, i + 1);
    ASSERT_TRUE(a.Reserve(100));
    EXPECT_EQ(a.Capacity(), 128);
    EXPECT_EQ(a.Length(), 128);
    EXPECT_EQ(a.GetElement(127), 128);
    EXPECT_EQ(a.GetElement(128), 0);
    ASSERT_TRUE(a.Reserve(0));
    EXPECT_EQ(a.Length(), 0);
    EXPECT_EQ(a.GetElement(0), 0);
}

TEST(TArrayEntry, SetLengthGrowsShrinksAndReleases) {
    TArrayEntry a("a");
    ASSERT_TRUE(a.SetLength(129));
    EXPECT_EQ(a.Length(), 129);
    EXPECT_EQ(a.Capacity(), 256);
    for (int i = 0; i < 129; ++i) ASSERT_EQ(a.GetElement(i), 0);

    for (int i = 0; i < 256; ++i) a.SetElement(i, i + 1);
    // Shortening keeps the slots below the new capacity; they come back when the length
    // grows again. Slots beyond the new capacity are dropped and come back as 0.
    ASSERT_TRUE(a.SetLength(5));
    EXPECT_EQ(a.Capacity(), 128);
    EXPECT_EQ(a.GetElement(5), 0);
    ASSERT_TRUE(a.SetLength(200));
    EXPECT_EQ(a.GetElement(4), 5);
    EXPECT_EQ(a.GetElement(100), 101);
    EXPECT_EQ(a.GetElement(127), 128);
    EXPECT_EQ(a.GetElement(128), 0);
    EXPECT_EQ(a.GetElement(199), 0);

    ASSERT_TRUE(a.SetLength(0));
    EXPECT_EQ(a.Length(), 0);
    EXPECT_EQ(a.Capacity(), 0);
    EXPECT_EQ(a.Data(), nullptr);
}

TEST(TArrayEntry, SetElementAndGetElement) {
    TArrayEntry a("a");
    ASSERT_TRUE(a.SetElement(300, 1));
    EXPECT_EQ(a.Length(), 301);
    EXPECT_EQ(a.Capacity(), 384);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(a.GetElement(i), 0) << i;
    EXPECT_EQ(a.GetElement(300), 1);

    for (std::int32_t i : {-1, 301, 383, 384, INT32_MIN, INT32_MAX}) EXPECT_EQ(a.GetElement(i), 0) << i;

    EXPECT_FALSE(a.SetElement(-1, 5));
    EXPECT_FALSE(a.SetElement(INT32_MAX, 5));
    EXPECT_FALSE(a.SetElement(static_cast<std::int32_t>(TArrayEntry::kMaxElements), 5));
    EXPECT_EQ(a.Length(), 301);
    EXPECT_EQ(a.Capacity(), 384);

    // Stale slots between a shortened length and a new index reappear.
    a.SetElement(10, 42);
    ASSERT_TRUE(a.SetLength(3));
    ASSERT_TRUE(a.SetElement(20, 7));
    EXPECT_EQ(a.Length(), 21);
    EXPECT_EQ(a.GetElement(10), 42);
    EXPECT_EQ(a.GetElement(20), 7);
}

TEST(TArrayEntry, ElementwiseFillGrowsGeometrically) {
    TArrayEntry a("a");
    int reallocations = 0;
    std::int32_t lastCapacity = 0;
    constexpr int kCount = 200000;
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(a.SetElement(i, i));
        if (a.Capacity() != lastCapacity) {
            ++reallocations;
            ASSERT_GE(a.Capacity(), lastCapacity + lastCapacity / 2);
            lastCapacity = a.Capacity();
        }
        ASSERT_EQ(a.Capacity() % 128, 0);
        ASSERT_GE(a.Capacity(), a.Length());
    }
    EXPECT_EQ(a.Length(), kCount);
    EXPECT_LT(reallocations, 40); // one per 128 elements would be 1563
    for (int i = 0; i < kCount; i += 997) ASSERT_EQ(a.GetElement(i), i);
}

TEST(TArrayEntry, Append) {
    TArrayEntry a("a"), b("b"), empty("e");
    a.SetElement(0, 1);
    a.SetElement(1, 2);
    EXPECT_EQ(a.Append(empty), 2);
    EXPECT_EQ(a.Capacity(), 128);
    EXPECT_EQ(empty.Append(empty), 0);
    EXPECT_EQ(empty.Capacity(), 0);

    for (int i = 0; i < 3; ++i) b.SetElement(i, 10 + i);
    EXPECT_EQ(a.Append(b), 5);
    const double expected[] = {1, 2, 10, 11, 12};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.GetElement(i), expected[i]);
    EXPECT_EQ(b.Length(), 3);

    EXPECT_EQ(a.Append(a), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a.GetElement(i), expected[i % 5]) << i;

    // Self-append that has to move the storage.
    TArrayEntry big("big");
    for (int i = 0; i < 128; ++i) big.SetElement(i, i);
    ASSERT_EQ(big.Capacity(), 128);
    EXPECT_EQ(big.Append(big), 256);
    EXPECT_GE(big.Capacity(), 256);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(big.GetElement(i), i % 128) << i;
}

TEST(TArrayEntry, CloneTakeValueAndAssign) {
    TArrayEntry a("arr");
    for (int i = 0; i < 10; ++i) a.SetElement(i, i + 0.5);
    ASSERT_TRUE(a.SetLength(3)); // slots 3..9 keep stale values

    auto clone = a.Clone();
    ASSERT_EQ(clone->Kind(), TEntryKind::Array);
    auto& c = static_cast<TArrayEntry&>(*clone);
    EXPECT_EQ(c.Name(), "arr");
    EXPECT_EQ(c.Length(), 3);
    EXPECT_EQ(c.Capacity(), a.Capacity());
    EXPECT_NE(c.Data(), a.Data());
    ASSERT_TRUE(c.SetLength(10));
    ASSERT_TRUE(a.SetLength(10));
    EXPECT_EQ(c.GetElement(2), 2.5);
    EXPECT_EQ(c.GetElement(5), 0);   // a clone copies only the used elements
    EXPECT_EQ(a.GetElement(5), 5.5); // the original still has its stale slot
    c.SetElement(0, -1);
    EXPECT_EQ(a.GetElement(0), 0.5);

    const double* storage = a.Data();
    auto taken = a.TakeValue();
    auto& t = static_cast<TArrayEntry&>(*taken);
    EXPECT_EQ(t.Name(), "arr");
    EXPECT_EQ(t.Data(), storage);
    EXPECT_EQ(t.Length(), 10);
    EXPECT_EQ(a.Length(), 0);
    EXPECT_EQ(a.Capacity(), 0);
    EXPECT_EQ(a.Data(), nullptr);

    EXPECT_TRUE(a.Assign(std::move(taken)));
    EXPECT_EQ(a.Data(), storage);
    EXPECT_EQ(a.Length(), 10);
    EXPECT_EQ(a.GetElement(9), 9.5);

    auto scalar = std::make_unique<TVarEntry>("arr");
    scalar->SetNumber(3);
    EXPECT_FALSE(a.Assign(std::move(scalar)));
    EXPECT_EQ(a.Data(), storage);
    EXPECT_EQ(a.Length(), 10);

    a.Clear();
    EXPECT_EQ(a.Length(), 0);
    EXPECT_EQ(a.Capacity(), 0);
}

// ---- TVarHandler ----------------------------------------------------------------------

TEST(TVarHandler, LocalNamesBelongToOneStore) {
    TGlobalVarList globals;
    TVarHandler one(globals), two(globals);
    TVarEntry* x = one.GetScalar("x");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(one.GetScalar("x"), x);
    EXPECT_EQ(one.Find("x"), x);
    EXPECT_EQ(one.Find("y"), nullptr);
    EXPECT_NE(one.GetScalar("X"), x); // names are case-sensitive
    EXPECT_NE(two.GetScalar("x"), x);
    EXPECT_EQ(two.Find("X"), nullptr);
    EXPECT_TRUE(globals.entries.empty());
}

TEST(TVarHandler, KindMismatchGivesNone) {
    TGlobalVarList globals;
    TVarHandler store(globals);
    for (const char* name : {"x", "$x"}) {
        ASSERT_NE(store.GetScalar(name), nullptr);
        EXPECT_EQ(store.GetArray(name), nullptr) << name;
    }
    for (const char* name : {"a", "$a"}) {
        ASSERT_NE(store.GetArray(name), nullptr);
        EXPECT_EQ(store.GetScalar(name), nullptr) << name;
    }
    EXPECT_EQ(globals.entries.size(), 2u);
    EXPECT_EQ(store.Locals().size(), 2u);
}

TEST(TVarHandler, GlobalsAreSharedAndReleasedByLastUser) {
    TGlobalVarList globals;
    TVarHandler one(globals), two(globals), bystander(globals);
    EXPECT_EQ(one.Find("$g"), nullptr); // Find creates nothing
    EXPECT_TRUE(globals.entries.empty());

    TVarEntry* g = one.GetScalar("$g");
    ASSERT_NE(g, nullptr);
    g->SetNumber(5);
    EXPECT_EQ(two.GetScalar("$g"), g);
    TArrayEntry* other = bystander.GetArray("$other");
    ASSERT_EQ(globals.entries.size(), 2u);
    EXPECT_EQ(g->users.size(), 2u);
    EXPECT_TRUE(g->HasUser(&one) && g->HasUser(&two));
    EXPECT_TRUE(one.Locals().empty());

    one.GetScalar("$g"); // a second use adds no duplicate
    EXPECT_EQ(g->users.size(), 2u);

    one.ReleaseAll();
    ASSERT_EQ(globals.entries.size(), 2u);
    EXPECT_EQ(globals.entries[0].get(), g);
    EXPECT_EQ(g->number, 5);
    EXPECT_FALSE(g->HasUser(&one));

    two.ReleaseAll();
    ASSERT_EQ(globals.entries.size(), 1u);
    EXPECT_EQ(globals.entries[0].get(), other); // not used by either store: untouched

    EXPECT_EQ(one.Find("$g"), nullptr);
    one.GetScalar("$g")->SetString("kept"sv);
    TVarEntryBase* found = two.Find("$g"); // a global found by name gains a user too
    ASSERT_NE(found, nullptr);
    one.ReleaseAll();
    ASSERT_EQ(globals.entries.size(), 2u);
    EXPECT_EQ(static_cast<TVarEntry*>(found)->text, "kept");
}

// Everything a frame must bring back: the flags and values of every local, and for
// arrays also the stale slots between length and capacity.
std::vector<std::string> Snapshot(const TVarHandler& store) {
    std::vector<std::string> out;
    for (const auto& e : store.Locals()) {
        std::string line = e->Name() + ":";
        if (e->Kind() == TEntryKind::Scalar) {
            line += State(*e);
        } else {
            const auto& a = static_cast<const TArrayEntry&>(*e);
            line += std::to_string(a.Length());
            line += '/';
            line += std::to_string(a.Capacity());
            for (int i = 0; i < a.Capacity(); ++i) {
                line += ',';
                line += FormatNumber(a.Data()[i]);
            }
        }
        out.push_back(line);
    }
    return out;
}

TEST(TVarHandler, PushPopFrameRestoresLocalsExactly) {
    TGlobalVarList globals;
    TVarHandler store(globals);
    TVarEntry* n = store.GetScalar("n");
    TVarEntry* s = store.GetScalar("s");
    TVarEntry* unset = store.GetScalar("unset");
    TArrayEntry* a = store.GetArray("a");
    TVarEntry* g = store.GetScalar("$g");
    n->SetNumber(5);
    s->SetString("3 apples"sv);
    for (int i = 0; i < 200; ++i) a->SetElement(i, i * 2.0);
    ASSERT_TRUE(a->SetLength(150)); // slots 150..199 keep stale values
    const auto before = Snapshot(store);

    store.PushFrame();
    EXPECT_EQ(store.FrameDepth(), 4u);
    for (const TVarEntry* e : {n, s, unset}) EXPECT_EQ(State(*e), "00 0|") << e->Name();
    EXPECT_EQ(a->Length(), 0);

    // The call changes everything and calls itself once more; globals are not saved.
    n->SetString("inner"sv);
    unset->SetNumber(9);
    a->SetElement(3, -1);
    g->SetNumber(2);
    const auto inner = Snapshot(store);
    store.PushFrame();
    n->SetNumber(-7);
    a->SetElement(0, 1);
    store.PopFrame();
    EXPECT_EQ(Snapshot(store), inner);

    store.PopFrame();
    EXPECT_EQ(store.FrameDepth(), 0u);
    EXPECT_EQ(Snapshot(store), before);
    EXPECT_EQ(g->number, 2);
    store.PopFrame(); // nothing saved: nothing changes
    EXPECT_EQ(Snapshot(store), before);
}

TEST(TVarHandler, ReleaseAllDropsSavedFrames) {
    TGlobalVarList globals;
    TVarHandler store(globals);
    store.GetScalar("x")->SetNumber(1);
    store.GetArray("a")->SetElement(5, 1);
    store.PushFrame();
    store.PushFrame();
    ASSERT_EQ(store.FrameDepth(), 4u);

    store.ReleaseAll();
    EXPECT_EQ(store.FrameDepth(), 0u);
    EXPECT_TRUE(store.Locals().empty());
    EXPECT_EQ(store.Find("x"), nullptr);

    TVarEntry* x = store.GetScalar("x");
    TArrayEntry* a = store.GetArray("a");
    x->SetNumber(3);
    store.PopFrame(); // the old frames are gone: nothing to restore
    EXPECT_EQ(x->number, 3);
    EXPECT_EQ(a->Length(), 0);

    store.PushFrame();
    EXPECT_FALSE(x->hasValue);
    store.PopFrame();
    EXPECT_EQ(x->number, 3);

    // A frame saved before a local was added holds too few entries: PopFrame does nothing.
    store.PushFrame();
    store.GetScalar("late")->SetNumber(8);
    store.PopFrame();
    EXPECT_FALSE(x->hasValue);
    EXPECT_EQ(State(*store.Find("late")), "10 8|");
}

// ---- TCalcInfo ------------------------------------------------------------------------

TEST(TCalcInfo, SetErrorResetAndBreak) {
    TCalcInfo ci;
    EXPECT_FALSE(ci.error);
    EXPECT_TRUE(ci.errorMessage.empty());
    EXPECT_FALSE(ci.BreakRequested());
    EXPECT_FALSE(ci.BreakEvent().IsSet());
    EXPECT_FALSE(ci.GuiEvent().IsSet());

    ci.SetError("Clear: Array expected");
    EXPECT_TRUE(ci.error);
    EXPECT_EQ(ci.errorMessage, "Clear: Array expected");

    bool waiterSawFlag = false;
    std::thread waiter([&] {
        ci.BreakEvent().Wait();
        waiterSawFlag = ci.BreakRequested();
    });
    ci.RequestBreak();
    waiter.join();
    EXPECT_TRUE(waiterSawFlag);
    EXPECT_TRUE(ci.BreakRequested());
    EXPECT_TRUE(ci.BreakEvent().IsSet()); // manual reset: a wait does not consume it
    EXPECT_FALSE(ci.GuiEvent().IsSet());

    ci.Reset();
    EXPECT_FALSE(ci.error);
    EXPECT_TRUE(ci.errorMessage.empty());
    EXPECT_FALSE(ci.BreakRequested());
    EXPECT_FALSE(ci.BreakEvent().IsSet());
}

TEST(TCalcInfo, PrivateRecordSharesBreakButNotError) {
    TCalcInfo parent;
    TCalcInfo priv(parent, TCalcInfo::PrivateTag{});
    EXPECT_EQ(&priv.BreakEvent(), &parent.BreakEvent());
    EXPECT_EQ(&priv.GuiEvent(), &parent.GuiEvent());

    priv.SetError("index failed");
    EXPECT_FALSE(parent.error);
    EXPECT_TRUE(parent.errorMessage.empty());
    parent.SetError("run failed");
    EXPECT_EQ(priv.errorMessage, "index failed");

    EXPECT_FALSE(priv.BreakRequested());
    parent.RequestBreak();
    EXPECT_TRUE(priv.BreakRequested());
    parent.Reset();
    EXPECT_FALSE(priv.BreakRequested());
    EXPECT_TRUE(priv.error); // the parent's reset leaves the private error alone

    priv.RequestBreak();
    EXPECT_TRUE(parent.BreakRequested());
    EXPECT_TRUE(parent.BreakEvent().IsSet());
    EXPECT_FALSE(parent.error);
}

} // namespace
