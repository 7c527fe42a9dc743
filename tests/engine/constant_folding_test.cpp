// Operators of number constants computed while compiling: the same bits as a run computes,
// the same syntax errors and colouring marks, and nothing folded that could differ.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/function.h"
#include "engine/operands.h"
#include "engine/operators.h"
#include "engine/parser.h"
#include "tests/engine/test_support.h"

namespace {

using namespace NuvixParser;
using NuvixTest::TScript;

// The number a script gives, as bits (NaNs and the sign of zero included).
std::uint64_t RunBits(const std::string& text) {
    TScript s(text);
    EXPECT_TRUE(s.Compile()) << text << ": " << s.parser.ErrorMessage();
    const TReturnValue v = s.Run();
    EXPECT_FALSE(s.ci.error) << text << ": " << s.ci.errorMessage;
    EXPECT_FALSE(v.isString) << text;
    return std::bit_cast<std::uint64_t>(v.number);
}

TEST(ConstantFolding, FoldedOperatorsGiveTheBitsOfARun) {
    // Literals of every form and the values at the edges of double arithmetic; 1/0, 0/0
    // and 1e308*10 are folded themselves before they take part.
    const std::vector<std::string> operands = {
        "0",     "-0",   "1",         "-1",     "2.5",    "0.1",   "3",      "1e308", "-1e308", "4.9e-324",
        "1/0",   "-1/0", "0/0",       "-(0/0)", "0x7fffffff", "0xFFFFFFFF", "0x80000000", "0b101",
        "0b11111111111111111111111111111111", "1e308*10", "2147483648", "-2147483649", "1.5e-300",
    };
    const std::vector<std::string> operators = {"+", "-", "*", "/", "^", "&", "|", "<", ">", "==", "!=", "<=", ">="};
    int folded = 0;
    for (const std::string& op : operators) {
        for (const std::string& a : operands) {
            for (const std::string& b : operands) {
                const std::string text = "(" + a + ")" + op + "(" + b + ")";
                SCOPED_TRACE(text);
                // Variables are never folded: the same operator runs on the same values.
                const std::string atRunTime = "x=" + a + ", y=" + b + ", x" + op + "y";
                EXPECT_EQ(RunBits(text), RunBits(atRunTime));
                TScript s(text);
                ASSERT_TRUE(s.Compile());
                folded += s.parser.Tree() && s.parser.Tree()->LeafKind() == kNumberLeaf;
            }
        }
    }
    EXPECT_EQ(folded, static_cast<int>(operators.size() * operands.size() * operands.size()));
}

TEST(ConstantFolding, OnlyNumberConstantsFold) {
    struct {
        const char* text;
        bool folds;
        const char* result;
    } cases[] = {
        {"2*3+1", true, "7"},
        {"-(2)^2", true, "4"},          // the sign belongs to the operand: (-2)^2
        {"-2^0.5", true, "-NAN"},       // (-2)^0.5
        {"'1'+2", false, "3"},          // a text reads as its number at run time
        {"'a'+'b'", false, "ab"},       // texts join
        {"2+'1'", false, "3"},
        {"x=2, x*3", false, "6"},
        {"-'2'", false, "-2"},
        {"1<2 & 2>1 | 0", true, "1"},
        {"(1, 2)", false, "2"},         // ',' is no arithmetic
        {"-x", false, "Error: Variable x has no value"},
        {"x=1, x+2*3", false, "7"},     // the constant part folds, the sum runs
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TScript s(c.text);
        ASSERT_TRUE(s.Compile());
        ASSERT_NE(s.parser.Tree(), nullptr);
        EXPECT_EQ(s.parser.Tree()->LeafKind() == kNumberLeaf, c.folds);
        EXPECT_EQ(NuvixTest::Eval(c.text), c.result);
    }
    // The right side of x+2*3 is one constant.
    TScript partly("x+2*3");
    ASSERT_TRUE(partly.Compile());
    auto* sum = dynamic_cast<TAdd*>(partly.parser.Tree());
    ASSERT_NE(sum, nullptr);
    auto* right = dynamic_cast<TConstOperand*>(sum->Right());
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->Number(), 6);
}

TEST(ConstantFolding, SyntaxErrorsAndMarksAreThoseOfTheUnfoldedText) {
    // Each pair has the same layout, once with constants and once with variables, which
    // never fold: the compile must report the same error at the same place.
    const std::pair<const char*, const char*> failing[] = {
        {"1 + 2 * )", "a + b * )"},
        {"1 * 2 + 3 ]", "a * b + c ]"},
        {"-1 * 2 = 3", "-a * b = c"},   // the folded left side is a constant
        {"(1 + 2", "(a + b"},
        {"1 + 2 #", "a + b #"},
        {"v = 1 * 2 + 1, w = -3 +", "v = a * b + c, w = -d +"},
    };
    for (const auto& [constants, variables] : failing) {
        SCOPED_TRACE(constants);
        TScript a(constants), b(variables);
        ASSERT_FALSE(a.Compile());
        ASSERT_FALSE(b.Compile());
        EXPECT_EQ(a.parser.ErrorMessage(), b.parser.ErrorMessage());
        EXPECT_EQ(a.parser.ErrorStart(), b.parser.ErrorStart());
        EXPECT_EQ(a.parser.ErrorEnd(), b.parser.ErrorEnd());
    }
    // Marks: the same positions, numbers where the variables stood.
    TScript a("v = 1 * 2 + 1, -3 /* c */ , 2^-1"), b("v = a * b + c, -d /* c */ , e^-f");
    std::vector<TCodePosInfo> withConstants, withVariables;
    a.parser.Compile(&withConstants);
    b.parser.Compile(&withVariables);
    ASSERT_EQ(withConstants.size(), withVariables.size());
    for (std::size_t i = 0; i < withConstants.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(withConstants[i].position, withVariables[i].position);
        const bool variable = i > 0 && withVariables[i].kind == TCodePosInfo::kVariable;
        const unsigned expected = variable ? unsigned{TCodePosInfo::kNumber} : unsigned{withVariables[i].kind};
        EXPECT_EQ(withConstants[i].kind, expected);
    }
}

} // namespace
