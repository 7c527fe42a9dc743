// The lexer and parser: grouping of operators, syntax errors with their positions, number
// and name tokens, comments, the define form, colouring marks and very deep or long input.
#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <string_view>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "engine/function.h"
#include "engine/operands.h"
#include "engine/operators.h"
#include "engine/syntax_reader.h"
#include "engine/user_function.h"
#include "tests/engine/test_support.h"

namespace {

using namespace NuvixParser;

// Small functions of known arity for calls, argument counts and argument checks.
class TTimesTen final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo&) override { return Value(0).GetNumber() * 10; }
};

class TPair final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo&) override { return Value(0).GetNumber() * 100 + Value(1).GetNumber(); }
};

class TFortyTwo final : public TFunction {
public:
    int ArgumentCount() const override { return 0; }
    long double Compute(TCalcInfo&) override { return 42; }
};

// Accepts only a variable (or array element) as its argument.
class TNeedsVariable final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    bool CheckArguments() override { return ArgOperand(0) != nullptr; }
    long double Compute(TCalcInfo&) override { return Value(0).GetNumber(); }
};

struct TTestScript {
    TGlobalVarList globals;
    TParser parser{globals, NuvixTest::ScriptRegistry()};
    TCalcInfo ci;
    std::vector<TCodePosInfo> marks;

    explicit TTestScript(std::string_view text) {
        parser.Register("one", &MakeFunction<TTimesTen>);
        parser.Register("two", &MakeFunction<TPair>);
        parser.Register("zero", &MakeFunction<TFortyTwo>);
        parser.Register("needvar", &MakeFunction<TNeedsVariable>);
        parser.SetText(text);
    }
    bool Compile() { return parser.Compile(&marks); }
    std::string Result() {
        if (!Compile()) return "Syntax: " + parser.ErrorMessage();
        parser.Rebind();
        ci.Reset();
        TReturnValue v = parser.Calculate(ci);
        return ci.error ? "Error: " + ci.errorMessage : v.ToString();
    }
};

std::string RunScript(std::string_view text) {
    TTestScript s(text);
    return s.Result();
}

// Marks as "position:kind" items, so a mismatch prints readably.
std::string MarkText(const std::vector<TCodePosInfo>& marks) {
    std::string out;
    for (const TCodePosInfo& m : marks) {
        if (!out.empty()) out += ' ';
        out += std::to_string(m.position) + ':' + std::to_string(m.kind);
    }
    return out;
}

std::string Repeat(std::string_view piece, int n) {
    std::string s;
    s.reserve(piece.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) s += piece;
    return s;
}

struct TResultCase {
    std::string text;
    std::string expected;
};

void ExpectResults(const std::vector<TResultCase>& cases) {
    for (const TResultCase& c : cases) {
        SCOPED_TRACE("script: " + c.text);
        EXPECT_EQ(RunScript(c.text), c.expected);
    }
}

struct TErrorCase {
    std::string text;
    std::string message;
    int start;
    int end;
};

void ExpectSyntaxErrors(const std::vector<TErrorCase>& cases) {
    for (const TErrorCase& c : cases) {
        SCOPED_TRACE("script: " + c.text);
        TTestScript s(c.text);
        EXPECT_FALSE(s.Compile());
        EXPECT_TRUE(s.parser.HasError());
        EXPECT_EQ(s.parser.Tree(), nullptr);
        EXPECT_EQ(s.parser.ErrorMessage(), c.message);
        EXPECT_EQ(s.parser.ErrorStart(), c.start);
        EXPECT_EQ(s.parser.ErrorEnd(), c.end);
    }
}

const std::string kExprExpected = "Expression or identifier expected";

// ---- grouping ---------------------------------------------------------------------------

TEST(SyntaxGrouping, PrecedenceAndLeftAssociativityShowInResults) {
    ExpectResults({
        {"2+3*4", "14"}, {"(2+3)*4", "20"}, {"2+3^2*2", "20"},
        {"2^3^2", "64"}, {"10-4-3", "3"}, {"64/4/2", "8"},
        {"-2^2", "4"}, {"2*-3", "-6"}, {"-(2+3)*2", "-10"}, {"+5", "5"},
        {"1 - -1", "2"}, {"1--1", "2"},
        {"3>2>1", "0"}, {"1<2==1", "1"},      // comparisons chain from the left
        {"3>2&0", "0"}, {"0|2>1", "1"},       // comparison above &, | ...
        {"1|0&0", "1"},                       // ... and & above |
        {"y=5, x = y == 1, x", "5"},          // (x=y)==1
        {"x = 2 == 2, x", "2"},
        {"x=1, x+=2*3, x", "7"}, {"x=2, x*=1+1, x", "4"},
        {"x=3, x-=1, x/=4, x", "0.5"}, {"x=5, x-=-1, x", "6"},
        {"a=1, b=2, a+b", "3"}, {"1,2,3", "3"},
        {"2 <= 2", "1"}, {"3 >= 4", "0"}, {"1 != 2", "1"}, {"1 == 1", "1"},
        {"'a'+'b'", "ab"},
        {"\t1 +\n2\v*\f3 ", "7"},
    });
}

TEST(SyntaxGrouping, EachOperatorTextMakesItsNode) {
    const std::vector<std::pair<std::string, std::type_index>> cases = {
        {"a,b", typeid(TSepHead)},      {"a|b", typeid(TOr)},       {"a&b", typeid(TAnd)},
        {"a<b", typeid(TRelL)},     {"a>b", typeid(TRelG)},     {"a==b", typeid(TRelE)},
        {"a>=b", typeid(TRelGE)},   {"a<=b", typeid(TRelLE)},   {"a!=b", typeid(TRelU)},
        {"a=b", typeid(TAssign)},       {"a+=b", typeid(TPlusEq)},  {"a-=b", typeid(TMinusEq)},
        {"a*=b", typeid(TMultEq)},  {"a/=b", typeid(TDivEq)},   {"a+b", typeid(TAdd)},
        {"a-b", typeid(TSub)},      {"a*b", typeid(TMult)},     {"a/b", typeid(TDiv)},
        {"a^b", typeid(TExp)},
    };
    for (const auto& [text, type] : cases) {
        SCOPED_TRACE("script: " + text);
        TTestScript s(text);
        ASSERT_TRUE(s.Compile());
        auto* op = dynamic_cast<TOpFunction*>(s.parser.Tree());
        ASSERT_NE(op, nullptr);
        EXPECT_EQ(std::type_index(typeid(*op)), type);
        auto* left = dynamic_cast<TOperand*>(op->Left());
        auto* right = dynamic_cast<TOperand*>(op->Right());
        ASSERT_TRUE(left && right);
        EXPECT_EQ(left->Name(), "a");
        EXPECT_EQ(right->Name(), "b");
    }
}

TEST(SyntaxGrouping, TreeShapes) {
    {
        TTestScript s("a=1, b=2, a+b"); // ((a=1),(b=2)),(a+b)
        ASSERT_TRUE(s.Compile());
        auto* root = dynamic_cast<TSep*>(s.parser.Tree());
        ASSERT_NE(root, nullptr);
        auto* first = dynamic_cast<TSep*>(root->Left());
        ASSERT_NE(first, nullptr);
        EXPECT_NE(dynamic_cast<TAssign*>(first->Left()), nullptr);
        EXPECT_NE(dynamic_cast<TAssign*>(first->Right()), nullptr);
        EXPECT_NE(dynamic_cast<TAdd*>(root->Right()), nullptr);
    }
    {
        TTestScript s("x = y == 1"); // (x=y)==1
        ASSERT_TRUE(s.Compile());
        auto* root = dynamic_cast<TRelE*>(s.parser.Tree());
        ASSERT_NE(root, nullptr);
        auto* assign = dynamic_cast<TAssign*>(root->Left());
        ASSERT_NE(assign, nullptr);
        EXPECT_NE(dynamic_cast<TOperand*>(assign->Right()), nullptr);
        EXPECT_NE(dynamic_cast<TConstOperand*>(root->Right()), nullptr);
    }
    {
        TTestScript s("-a[i]^2"); // (-(a[i]))^2
        ASSERT_TRUE(s.Compile());
        auto* root = dynamic_cast<TExp*>(s.parser.Tree());
        ASSERT_NE(root, nullptr);
        auto* neg = dynamic_cast<TNeg*>(root->Left());
        ASSERT_NE(neg, nullptr);
        auto* element = dynamic_cast<TOpArray*>(neg->Arg(0));
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(element->Name(), "a");
        auto* index = dynamic_cast<TOperand*>(element->Index());
        ASSERT_NE(index, nullptr);
        EXPECT_EQ(index->Name(), "i");
    }
    {
        TTestScript s("a[]"); // the whole-array reference: index constant 0
        ASSERT_TRUE(s.Compile());
        auto* element = dynamic_cast<TOpArray*>(s.parser.Tree());
        ASSERT_NE(element, nullptr);
        auto* index = dynamic_cast<TConstOperand*>(element->Index());
        ASSERT_NE(index, nullptr);
        EXPECT_FALSE(index->IsString());
        EXPECT_EQ(index->Number(), 0.0);
    }
}

// ---- syntax errors ----------------------------------------------------------------------

TEST(SyntaxErrors, MissingOrUnreadableOperand) {
    ExpectSyntaxErrors({
        {"--x", kExprExpected, 1, 1},
        {"+-x", kExprExpected, 1, 1},
        {"*2", kExprExpected, 0, 0},
        {"a && b", kExprExpected, 3, 3},
        {"a || b", kExprExpected, 3, 3},
        {"!x", kExprExpected, 0, 0},
        {"2+", kExprExpected, 2, 2},
        {"2 + ", kExprExpected, 4, 4},
        {"2^3&", kExprExpected, 4, 4},
        {"2*3 + ", kExprExpected, 6, 6}, // the blank stops the two-byte look-ahead short of the end
        {"2*3,", kExprExpected, 4, 4},
        {"2 < = 2", kExprExpected, 4, 4},
        {"(", kExprExpected, 1, 1},
        {"()", kExprExpected, 1, 1},
        {"a[", kExprExpected, 2, 2},
        {"-/*c*/1", kExprExpected, 1, 1}, // no comment between a sign and its operand
        {"'abc", kExprExpected, 0, -1},
        {"x + \"abc", kExprExpected, 4, -1},
        {"'it''", kExprExpected, 0, -1},
        {"one()", kExprExpected, 4, 4},
        {"two(1;)", kExprExpected, 6, 6},
        {"two(;2)", kExprExpected, 4, 4},
        {"two(1;", kExprExpected, 6, 6},
        {std::string(50, 'a'), kExprExpected, 0, 50},
        {std::string(60, 'a'), kExprExpected, 0, 50},
        {"1+" + std::string(50, 'b'), kExprExpected, 2, 52},
    });
}

TEST(SyntaxErrors, BytesThatAreNoOperator) {
    ExpectSyntaxErrors({
        {"12abc", "Unknown operator 'a'", 2, 3},
        {"my_var", "Unknown operator '_'", 2, 3},
        {"1 2", "Unknown operator '2'", 2, 3},
        {"0x1G", "Unknown operator 'G'", 3, 4},
        {"1.2.3", "Unknown operator '.'", 3, 4},
        {"1e3x", "Unknown operator 'x'", 3, 4},
        {"0b102", "Unknown operator '2'", 4, 5},
        {"a!b", "Unknown operator '!'", 1, 2},
        {"a!", "Unknown operator '!'", 1, 2},
        {"x # y", "Unknown operator '#'", 2, 3},
        {"(1)(2)", "Unknown operator '('", 3, 4},
        {"'a' 'b'", "Unknown operator '''", 4, 5},
        {"one /*c*/ (2)", "Unknown operator '('", 10, 11}, // no comment before a call's '('
    });
}

TEST(SyntaxErrors, OperatorEndingTheText) {
    // Only an outer-level operator that can start a two-byte operator looks past the end.
    ExpectSyntaxErrors({
        {"2*3+", "Unexpected end of expression", 3, 4},
        {"2*3-", "Unexpected end of expression", 3, 4},
        {"2*3<", "Unexpected end of expression", 3, 4},
        {"2*3/", "Unexpected end of expression", 3, 4},
        {"2^3*", "Unexpected end of expression", 3, 4},
        {"a*b=", "Unexpected end of expression", 3, 4},
    });
}

TEST(SyntaxErrors, ConstantsUsedAsCallsOrArrays) {
    ExpectSyntaxErrors({
        {"'abc'(1)", "Syntax error", 6, 6},
        {"5(1)", "Syntax error", 2, 2},
        {"5 (1)", "Syntax error", 3, 3},
        {"'abc'[1]", "Operator expected", 6, 6},
        {"5[1]", "Operator expected", 2, 2},
    });
}

TEST(SyntaxErrors, CallsAndArguments) {
    ExpectSyntaxErrors({
        {"foo(1)", "Unknown function", 4, 4},
        {"x=1, x(1)", "Unknown function", 7, 7},
        {"needvar(1)", "Illegal argument", 9, 9},
        {"needvar(1 )", "Illegal argument", 10, 10},
        {"two(1)", "';' expected", 5, 6},
        {"two(1", "';' expected", 5, -1},
        {"two(1;2;3)", "')' expected", 7, 8},
        {"two(1;2", "')' expected", 7, -1},
        {"one(1", "')' expected", 5, -1},
        {"one(1]", "')' expected", 5, 6},
        {"zero(1)", "')' expected", 5, 6},
        {"zero(", "')' expected", 5, -1},
        {"(1]", "')' expected", 2, 3},
        {"a[1", "']' expected", 3, -1},
        {"a[1)", "']' expected", 3, 4},
    });
}

TEST(SyntaxErrors, AssignmentToSomethingOtherThanAVariable) {
    ExpectSyntaxErrors({
        {"1 = 2", "Illegal operator", 5, 5},
        {"a = b = 3", "Illegal operator", 9, 9},
        {"(a+b) = 1", "Illegal operator", 9, 9},
        {"1 = 2, 3", "Illegal operator", 5, 5},
        {"'s' += 1", "Illegal operator", 8, 8},
        {"1-=1", "Illegal operator", 4, 4},
        {"-x = 1", "Illegal operator", 6, 6},
        {"one(x) = 1", "Illegal operator", 10, 10},
        {"2 == 2 = 3", "Illegal operator", 10, 10},
    });
}

TEST(SyntaxErrors, UnclosedComments) {
    ExpectSyntaxErrors({
        {"/* unclosed", "Comment not closed", 0, -1},
        {"/* a /* b */ c", "Comment not closed", 0, -1},
        {"/* a /* b */ c ", "Comment not closed", 0, -1},
        {"  /* x", "Comment not closed", 2, -1},
        {"1 + /* c", "Comment not closed", 4, -1},
        {"/* a */ /* b", "Comment not closed", 8, -1},
        {"/* a *", "Comment not closed", 0, 6}, // ended by a look-ahead, not by a failed read
    });
}

TEST(SyntaxErrors, CodeLettersOfTwoByteOperatorsAreNoOperators) {
    // Two-byte operators are carried as the letters e g l u p m t d inside the parser; typed
    // as plain bytes after an operand they are unknown operators, not == or /=.
    ExpectSyntaxErrors({
        {"x d y", "Unknown operator 'd'", 2, 3},
        {"1e3e", "Unknown operator 'e'", 3, 4},
        {"5m", "Unknown operator 'm'", 1, 2},
        {"a u b", "Unknown operator 'u'", 2, 3},
    });
}

TEST(SyntaxErrors, DefineForm) {
    ExpectSyntaxErrors({
        {"define()", "Function identifier expected", 7, 7},
        {"define(", "Function identifier expected", 7, 7},
        {"define(1(x);x)", "Function name expected", 7, 8},
        {"define('f'(x);x)", "Function name expected", 7, 10},
        {"define(f(1);x)", "Variable identifier expected", 9, 10},
        {"define(f('a');x)", "Variable identifier expected", 9, 12},
        {"define(f(x[);x)", "Variable identifier expected", 10, 12},
        {"define(f(x[", "Variable identifier expected", 10, -1},
        {"define(f(+);1)", "')' expected", 9, 10},
        {"define(f(x x);1)", "')' expected", 11, 12},
        {"define(f x", "'(' expected", 8, 10},
        {"define(f(x) x)", "';' expected", 10, 13},
        {"define(f(x);x", "')' expected", 13, -1},
        {"define(f(x);)", kExprExpected, 12, 12},
        {"define(f(x);x+)", kExprExpected, 14, 14},
        {"define(s(a[]);1), s(2)", "Illegal argument", 21, 21},
        {"Define(f(x);x)", "Unknown function", 9, 9}, // only lower-case define is the form
        {"DEFINE(f(x);x)", "Unknown function", 9, 9},
        {"Define(1)", "';' expected", 8, 9},
    });
}

// ---- tokens -----------------------------------------------------------------------------

TEST(SyntaxTokens, NumberLiterals) {
    ExpectResults({
        {"0x1F", "31"}, {"0XfF", "255"}, {"0x1e", "30"}, {"0x1e+1", "31"},
        {"0xFFFFFFFF", "-1"}, {"0x80000000", "-2147483648"}, {"0x7fffffff", "2147483647"},
        {"0x00000001", "1"}, {"0x0", "0"}, {"-0x1", "-1"}, {"0x10+1", "17"},
        {"0b101", "5"}, {"0B11", "3"}, {"0b11*2", "6"},
        {"0b" + std::string(32, '1'), "-1"},
        {"0b1" + std::string(31, '0'), "-2147483648"},
        {"0b0" + std::string(31, '1'), "2147483647"},
        {"012", "12"}, {"00", "0"}, {"0.5", "0.5"}, {".5", "0.5"}, {"5.", "5"},
        {"1e3", "1000"}, {"1E3", "1000"}, {"1e+3", "1000"}, {"1e-3", "0.001"},
        {"2.5e2", "250"}, {".5e1", "5"}, {"0e5", "0"}, {"1.5E-1", "0.15"}, {"07.5", "7.5"},
        {"1e400", "+INF"}, {"-1e400", "-INF"}, {"1e-400", "0"},
    });
}

TEST(SyntaxTokens, TextsThatAreNotNumbers) {
    ExpectSyntaxErrors({
        {".", kExprExpected, 0, 1},
        {".e1", kExprExpected, 0, 3},
        {"1e", kExprExpected, 0, 2},
        {"1e+", kExprExpected, 0, 3},
        {"1E-x", kExprExpected, 0, 3},
        {"1ex", kExprExpected, 0, 2},
        {"2*.", kExprExpected, 2, 3},
        {"0x", kExprExpected, 0, 2},
        {"0xg", kExprExpected, 0, 2},
        {"0b", kExprExpected, 0, 2},
        {"0b2", kExprExpected, 0, 2},
        {"0x123456789", kExprExpected, 0, 11},
        {"0x000000001", kExprExpected, 0, 11},
        {"0b" + std::string(33, '1'), kExprExpected, 0, 35},
        {"0b" + std::string(33, '0'), kExprExpected, 0, 35},
    });
}

TEST(SyntaxTokens, DecimalLiteralsConvertToTheNearestDouble) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"0.1", 0.1},
        {"3.14159265358979323846", 3.14159265358979323846},
        {"9007199254740993", 9007199254740992.0}, // halfway: to the even neighbour
        {"9007199254740995", 9007199254740996.0},
        {"1.00000000000000011102230246251565404236316680908203125", 1.0},
        {"1.00000000000000011102230246251565404236316680908203126", 1.0000000000000002},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"2.2250738585072014e-308", DBL_MIN},
        {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"1.7976931348623157e308", DBL_MAX},
        {"0.000001", 1e-6},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE("literal: " + text);
        TTestScript s(text);
        ASSERT_TRUE(s.Compile());
        auto* c = dynamic_cast<TConstOperand*>(s.parser.Tree());
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->IsString());
        EXPECT_EQ(c->Number(), value);
    }
}

TEST(SyntaxTokens, NamesAndQuotedTexts) {
    const std::string name49 = std::string("v").append(48, 'x');
    ExpectResults({
        {name49 + "=2, " + name49, "2"},
        {"$x=1, $x", "1"}, {"a.b=2, a.b", "2"}, {"x1.2=3, x1.2", "3"}, {"ab$c=4, ab$c", "4"},
        {"pi", "Error: Variable pi has no value"},  // a name without '(' is a variable
        {"one=3, one(one)", "30"},                  // even the name of a function
        {"one(2)", "20"}, {"ONE(2)", "20"}, {"one (2)", "20"}, {"-one(2)", "-20"},
        {"\"one\"(2)", "20"},                       // a quoted name is a name: a call
        {"two(1;2)", "102"}, {"two(1,5;2)", "502"}, {"one(one(1))", "100"},
        {"zero()", "42"}, {"zero( )", "42"}, {"v=1, needvar(v)", "1"},
        {"'it''s'", "it's"}, {"''''", "'"}, {"''", ""}, {"'a\"b'", "a\"b"},
        {"'/* x */'", "/* x */"}, {"' a  b '", " a  b "},
        {"\"a b\" = 3, \"a b\" + 1", "4"}, {"\"x\"=2, x", "2"},
        {"\"q\"\"q\"=1, \"q\"\"q\"", "1"},
    });
}

TEST(SyntaxTokens, CommentsSeparatedByBlanks) {
    // Comments on lines of their own, at the start, between operands and operators, and
    // as the whole script.
    EXPECT_EQ(NuvixTest::Eval("/* a */ /* b */"), "0");
    EXPECT_EQ(NuvixTest::Eval("/* header */\n/* more */\n1 + 2"), "3");
    EXPECT_EQ(NuvixTest::Eval("1 + /* a */\n  /* b */ 2"), "3");
    EXPECT_EQ(NuvixTest::Eval("6 /* a */ /* b */ / 2"), "3");
    EXPECT_EQ(NuvixTest::Eval("x = 4 /* a */\n/* b */, x"), "4");
}

TEST(SyntaxTokens, Comments) {
    ExpectResults({
        {"/* a /* b */ c */ 1", "1"}, {"/*a*//*b*/ /*c*/ 5", "5"}, {"/**/7", "7"},
        {"6/ /*c*/ 2", "3"}, {"6/2", "3"}, {"1 /*c*/ + /*d*/ 2", "3"}, {"2 /* c */", "2"},
        {"1 + /* /* */ */ 2", "3"}, {"/* * / */ 4", "4"}, {"x = /*c*/ 4, x", "4"},
    });
}

// ---- define -----------------------------------------------------------------------------

TEST(SyntaxDefine, AcceptedForms) {
    ExpectResults({
        {"define(f(x);x*2), f(3)", "6"},
        {"define(f();42), f()", "42"},
        {"define(g(a;b);a-b), g(5;2)", "3"},
        {"define( h ( a ; b ) ; a*b ), h(2;3)", "6"},
        {"define(f(x);f(x-1))", "1"}, // the name is known inside its own body
        {"define(s(a[]);1), s(b[])", "1"},
        {"define(s(a [ ]);1), s(b[])", "1"},
    });
    TTestScript upper("Define(1;2)"); // the registered function, not the form
    EXPECT_TRUE(upper.Compile());
}

TEST(SyntaxDefine, FailedDefinitionIsNotLeftRegistered) {
    TTestScript ok("define(f(x);x)");
    ASSERT_TRUE(ok.Compile());
    EXPECT_NE(ok.parser.Handler()->Find("f"), nullptr);

    for (const char* text : {"define(f(x);x+)", "define(f(x);x", "define(f(x);x), 1 2"}) {
        SCOPED_TRACE(text);
        TTestScript bad(text);
        ASSERT_FALSE(bad.Compile());
        EXPECT_EQ(bad.parser.Handler()->Find("f"), nullptr);
    }
}

// ---- marks ------------------------------------------------------------------------------

TEST(SyntaxMarks, OneMarkPerToken) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a(1)+'s'", "0:3 1:1 2:2 3:1 4:4 5:5"},
        {"/*a*/1/*b*/+/*c*/x", "0:6 5:2 6:6 11:4 12:6 17:0"},
        {"a[i]=-2", "0:0 1:1 2:0 3:1 4:4 5:2 6:2"},
        {"a[]", "0:0 1:1 2:1"},
        {"+(1)", "0:2 1:1 2:2 3:1"},
        {"-one(1)", "0:2 1:3 4:1 5:2 6:1"},
        {"two(x;'t')", "0:3 3:1 4:0 5:1 6:5 9:1"},
        {"a >= 1", "0:0 2:4 5:2"},
        {"\"n m\"=1", "0:0 5:4 6:2"},
        {"define(f(a);a)", "0:3 6:1 7:3 8:1 9:0 10:1 12:0 13:1"},
        {"define(f(a;b[]);a)", "0:3 6:1 7:3 8:1 9:0 10:1 11:0 12:1 16:0 17:1"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE("script: " + text);
        TTestScript s(text);
        s.parser.Register("a", &MakeFunction<TTimesTen>); // a( is a call, a and a[ are not
        ASSERT_TRUE(s.Compile());
        EXPECT_EQ(MarkText(s.marks), expected);
    }
}

// ---- depth and length -------------------------------------------------------------------

TEST(SyntaxLimits, ParenthesesNestUpToTheLimit) {
    const int limit = TSyntaxReader::kMaxNesting;
    EXPECT_EQ(RunScript(Repeat("(", limit) + "1" + Repeat(")", limit)), "1");
    EXPECT_EQ(RunScript(Repeat("(", limit + 1) + "1" + Repeat(")", limit + 1)),
              "Syntax: Expression nested too deeply");
    // A define body is one level of its own.
    const int inner = limit - 1;
    EXPECT_EQ(RunScript("define(f();" + Repeat("(", inner) + "7" + Repeat(")", inner) + "), f()"), "7");
    EXPECT_EQ(RunScript("define(f();" + Repeat("(", limit) + "7" + Repeat(")", limit) + "), f()"),
              "Syntax: Expression nested too deeply");
}

TEST(SyntaxLimits, EveryBracketKindCountsTowardsTheLimit) {
    const int limit = TSyntaxReader::kMaxNesting;
    // 9800 + 100 + 100 levels: at the limit, and accepted; one more '[' is too deep.
    TTestScript mixed(Repeat("(", 9800) + Repeat("one(", 100) + Repeat("a[", 100) + "1" +
                      Repeat("]", 100) + Repeat(")", 9900));
    EXPECT_TRUE(mixed.Compile()) << mixed.parser.ErrorMessage();

    const std::vector<std::string> tooDeep = {
        Repeat("one(", limit + 1) + "1" + Repeat(")", limit + 1),
        Repeat("a[", limit + 1) + "0" + Repeat("]", limit + 1),
        Repeat("(", 9800) + Repeat("one(", 100) + Repeat("a[", 101) + "1" + Repeat("]", 101) +
            Repeat(")", 9900),
        Repeat("(", 100000),
        Repeat("(-", 100000) + "1" + Repeat(")", 100000),
        Repeat("one(", 100000),
        Repeat("a[", 100000),
        Repeat("define(f();", 100000),
    };
    for (const std::string& text : tooDeep) {
        SCOPED_TRACE("script starting " + text.substr(0, 12) + ", length " + std::to_string(text.size()));
        TTestScript s(text);
        EXPECT_FALSE(s.Compile());
        EXPECT_EQ(s.parser.ErrorMessage(), "Expression nested too deeply");
        EXPECT_EQ(s.parser.Tree(), nullptr);
    }
}

TEST(SyntaxLimits, LongFlatScriptsBuildLeftDeepSpines) {
    constexpr int kTerms = 300000;
    struct {
        std::string text;
        std::type_index op;
        std::type_index right;
        std::type_index leftmost;
        std::type_index top;
    } cases[] = {
        // A variable first: a sum of constants alone would be folded into one.
        {std::string("x").append(Repeat("+1", kTerms - 1)), typeid(TAdd), typeid(TConstOperand), typeid(TOperand),
         typeid(TAdd)},
        {std::string("x=1").append(Repeat(",x=1", kTerms - 1)), typeid(TSep), typeid(TAssign), typeid(TAssign),
         typeid(TSepHead)},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string("script starting ").append(c.text.substr(0, 8)));
        TTestScript s(c.text);
        ASSERT_TRUE(s.Compile());
        int operators = 0;
        bool shapeOk = true;
        TParserAtom* node = s.parser.Tree();
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(std::type_index(typeid(*node)), c.top);
        while (node && (std::type_index(typeid(*node)) == c.op || node == s.parser.Tree())) {
            auto* op = static_cast<TOpFunction*>(node);
            shapeOk = shapeOk && op->Right() && std::type_index(typeid(*op->Right())) == c.right;
            ++operators;
            node = op->Left();
        }
        EXPECT_EQ(operators, kTerms - 1);
        EXPECT_TRUE(shapeOk);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(std::type_index(typeid(*node)), c.leftmost);
        s.parser.Rebind(); // walks the same spine
    }
}

} // namespace
