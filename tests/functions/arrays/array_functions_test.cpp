// length, clear, append, arraycopy, sort and scroll: results, array contents and errors.
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "engine/conversions.h"
#include "engine/var_entry.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::ExpectResults;

struct TArrayCase {
    const char* script;
    const char* array;    // the array whose elements are shown after the result
    std::string expected; // "3 | 1 2 7": the result text (or "Error: ..."), then the elements
};

std::string RunAndShowArray(const char* script, const char* name) {
    NuvixTest::TScript s(script);
    if (!s.Compile()) return "Syntax: " + s.parser.ErrorMessage();
    const NuvixParser::TReturnValue v = s.Run();
    std::string out = (s.ci.error ? "Error: " + s.ci.errorMessage : v.ToString()) + " |";
    const NuvixParser::TArrayEntry* a = s.parser.Store().GetArray(name);
    for (std::int32_t i = 0; a && i < a->Length(); ++i) {
        out += ' ';
        NuvixParser::AppendNumber(out, a->Data()[i]);
    }
    return out;
}

void ExpectArrays(std::initializer_list<TArrayCase> cases) {
    for (const TArrayCase& c : cases)
        EXPECT_EQ(RunAndShowArray(c.script, c.array), c.expected) << "script: " << c.script;
}

#define SRC "s[0]=10, s[1]=20, s[2]=30, "
#define FIVE "a[0]=1, a[1]=2, a[2]=3, a[3]=4, a[4]=5, "

TEST(Length, CountsBytesOfTextsAndElementsOfArrays) {
    ExpectResults({
        {"length('')", "0"},
        {"s='hello', length(s)", "5"},
        {"a[4]=1, length(a[])", "5"},
        {"a[4]=1, length(a[3])", "5"}, // any element reference names the whole array
        {"length(e[])", "0"},
        {"length(5)", "Error: Length: Array or string expected"},
        {"x=3, length(x)", "Error: Length: Array or string expected"},
        {"length(x)", "Error: Variable x has no value"},
        {"a[2]=1, length(a[7])", "Error: Illegal array element access in array a"},
        {"x=1, length(x[])", "Error: Index: x is not an array"},
    });
}

TEST(Clear, EmptiesTheArrayAndReturnsOne) {
    ExpectArrays({
        {"a[300]=1, clear(a[])", "a", "1 |"},
        // Fresh storage: a store beyond the end sees zeros, not the old elements.
        {"a[0]=7, a[1]=8, clear(a[]), a[1]=1", "a", "1 | 0 1"},
    });
    ExpectResults({
        {"clear(5)", "Syntax: Illegal argument"},
        {"x=1, clear(x)", "Error: Clear: Array expected"},
        {"x=1, clear(x[])", "Error: Clear: x is not an array"},
    });
}

TEST(Append, AddsAValueOrAWholeArray) {
    ExpectArrays({
        {"append(a[];5)", "a", "1 | 5"},
        {"a[0]=0, a[1]=1, b[0]=0, b[1]=2, append(a[];b[])", "a", "4 | 0 1 0 2"},
        {"a[0]=1, a[1]=2, append(a[];a[])", "a", "4 | 1 2 1 2"},
        {"a[0]=1, append(a[];e[])", "a", "1 | 1"},
        {"a[0]=1, append(a[];'12abc')", "a", "2 | 1 12"},
        {"b[1]=4, append(a[];b[1])", "a", "2 | 0 4"}, // b[1] names the whole array b
        {"a[0]=1, append(a[]; append(a[];2))", "a", "3 | 1 2 2"},
    });
    ExpectResults({
        {"x=1, append(x;1)", "Error: Append: First argument is not an array"},
        {"append(3;1)", "Syntax: Illegal argument"},
        {"append(a[];x)", "Error: Variable x has no value"},
        // A name bound to a scalar: nothing is appended and the result is 0.
        {"x=1, append(x[];b[])", "0"},
        {"x=1, b[0]=1, append(b[];x[])", "0"},
        {"x=1, append(x[];5)", "0"},
    });
}

TEST(ArrayCopy, CopiesThePartThatExistsAndReturnsItsLength) {
    ExpectArrays({
        {SRC "arraycopy(t[];s[];1;2)", "t", "2 | 20 30"},
        {SRC "arraycopy(t[];s[];2;5)", "t", "1 | 30"},
        {SRC "t[5]=9, arraycopy(t[];s[];1.9;1.9)", "t", "1 | 20"}, // integer readings
        {SRC "arraycopy(t[];s[];-1;2)", "t", "2 | 10 20"},         // negative start: 0
        {SRC "arraycopy(t[];s[];-2147483648;9)", "t", "3 | 10 20 30"},
        {SRC "arraycopy(t[];s[];0/0;2000000000)", "t", "3 | 10 20 30"},
    });
}

TEST(ArrayCopy, EmptiesTheTargetWhenNothingIsCopied) {
    ExpectArrays({
        {SRC "t[0]=1, arraycopy(t[];s[];3;2)", "t", "0 |"},
        {SRC "t[0]=1, arraycopy(t[];s[];5;2)", "t", "-2 |"},
        {SRC "t[0]=1, arraycopy(t[];s[];1;-4)", "t", "-4 |"},
        {"t[0]=1, arraycopy(t[];e[];0;5)", "t", "0 |"},
        {SRC "t[0]=1, arraycopy(t[];s[];2147483647;1)", "t", "-2147483644 |"},
        {SRC "t[0]=1, arraycopy(t[];s[];1e10;1)", "t", "-1410065405 |"}, // low 32 bits
    });
}

TEST(ArrayCopy, WithOneArrayAsTargetAndSourceKeepsTheCopiedPart) {
    ExpectArrays({
        {SRC "arraycopy(s[];s[];1;5)", "s", "2 | 20 30"},
        {SRC "arraycopy(s[];s[];0;3)", "s", "3 | 10 20 30"},
        {SRC "arraycopy(s[];s[];3;1)", "s", "0 |"},
        // As with two arrays the target gets fresh storage: no old element reappears.
        {SRC "arraycopy(s[];s[];1;1), s[2]=5", "s", "5 | 20 0 5"},
    });
}

TEST(ArrayCopy, RejectsNonArraysWhileParsingAndStopsOnArgumentErrors) {
    ExpectResults({
        {"arraycopy(t;s[];0;1)", "Syntax: Illegal argument"},
        {"arraycopy(t[];5;0;1)", "Syntax: Illegal argument"},
        {"arraycopy(t[];s[];x;1)", "Error: Variable x has no value"},
        {"x=1, arraycopy(x[];s[];0;1)", "Error: ArrayCopy: x is not an array"},
    });
    ExpectArrays({{"t[0]=4, s[0]=1, arraycopy(t[];s[];0;x)", "t", "Error: Variable x has no value | 4"}});
}

TEST(Sort, ReturnsTheIndicesInAscendingOrderAndKeepsTheData) {
    ExpectArrays({
        {"a[0]=3, a[1]=1, a[2]=2, sort(a[];b[])", "b", "3 | 1 2 0"},
        {"a[0]=3, a[1]=1, a[2]=2, sort(a[];b[])", "a", "3 | 3 1 2"},
        {"b[3]=1, sort(e[];b[])", "b", "0 |"},
        {"a[0]=1, a[1]=0, b[3]=9, sort(a[];b[])", "b", "2 | 1 0"},
        {"a[0]=30, a[1]=10, a[2]=20, sort(a[];a[])", "a", "3 | 1 2 0"},
        // Equal values keep their index order, 0 and -0 included; NaN comes last.
        {"a[0]=2, a[1]=1, a[2]=2, a[3]=1, a[4]=2, sort(a[];b[])", "b", "5 | 1 3 0 2 4"},
        {"a[0]=0, a[1]=-0, a[2]=0, sort(a[];b[])", "b", "3 | 0 1 2"},
        {"a[0]=0/0, a[1]=1/0, a[2]=-(0/0), a[3]=-1/0, sort(a[];b[])", "b", "4 | 3 1 0 2"},
    });
    ExpectResults({
        {"sort(1;b[])", "Syntax: Illegal argument"},
        {"x=1, sort(x;b[])", "Error: Sort: First argument is not an array"},
        {"x=1, sort(a[];x)", "Error: Sort: Second argument is not an array"},
        {"x=1, sort(a[];x[])", "Error: Sort: x is not an array"},
    });
}

TEST(Scroll, KeepsAWindowOfTheLastValues) {
    ExpectArrays({
        {"a[0]=1, a[1]=2, scroll(a[];7;3)", "a", "3 | 1 2 7"},
        {"a[0]=1, a[1]=2, a[2]=3, scroll(a[];7;3)", "a", "3 | 2 3 7"},
        {FIVE "scroll(a[];7;3)", "a", "3 | 4 5 7"},
        {FIVE "scroll(a[];7;1)", "a", "1 | 7"},
        {"a[0]=1, scroll(a[];'12abc';1e300)", "a", "2 | 1 12"},
        {FIVE "scroll(a[];7;3.9)", "a", "3 | 4 5 7"}, // truncated toward zero
        // A length below 1 leaves an empty array.
        {FIVE "scroll(a[];7;0.9)", "a", "0 |"},
        {FIVE "scroll(a[];7;-3)", "a", "0 |"},
        {FIVE "scroll(a[];7;0/0)", "a", "0 |"},
        {"scroll(a[];7;0)", "a", "0 |"},
    });
    ExpectResults({
        {"scroll(5;1;2)", "Error: Scroll: Array expected as 1st argument"},
        {"x=1, scroll(x;1;2)", "Error: Scroll: Array expected as 1st argument"},
        {"x=1, scroll(x[];1;2)", "-1"}, // a name bound to a scalar: no error
    });
    ExpectArrays({{FIVE "scroll(a[];1;n)", "a", "Error: Variable n has no value | 1 2 3 4 5"}});
}

} // namespace
