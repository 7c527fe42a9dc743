// Reading a macro file into panels, and the result line of a run in each radix.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calc_info.h"
#include "engine/macro_file.h"
#include "engine/result_text.h"
#include "engine/return_value.h"

using namespace NuvixParser;

namespace {

// Every panel's text is the stretch of the file at its offset.
void ExpectOffsetsPointIntoTheFile(std::string_view file, const std::vector<TMacroPanel>& tabs) {
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        if (tabs[i].text.empty()) continue;
        ASSERT_LE(tabs[i].offset + tabs[i].text.size(), file.size()) << "tab " << i;
        EXPECT_EQ(file.substr(tabs[i].offset, tabs[i].text.size()), tabs[i].text) << "tab " << i;
    }
}

// ---- splitting ------------------------------------------------------------------------------

TEST(MacroFileSplit, EmptyFileGivesTheTabsOfANewDocument) {
    const auto tabs = SplitMacroText("");
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].caption, "Global");
    EXPECT_EQ(tabs[0].text, "");
    EXPECT_EQ(tabs[1].caption, "Calculator 1");
    EXPECT_EQ(tabs[1].text, "");
    EXPECT_EQ(CalculatorCaption(1), "Calculator 1");
    EXPECT_EQ(CalculatorCaption(12), "Calculator 12");
}

TEST(MacroFileSplit, PlainFileIsTheFirstCalculatorPanel) {
    const std::string file = "a=2,\r\na*3\r\n";
    const auto tabs = SplitMacroText(file);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].caption, "Global");
    EXPECT_EQ(tabs[0].text, "");
    EXPECT_EQ(tabs[1].caption, "Calculator 1");
    EXPECT_EQ(tabs[1].text, file); // verbatim, line ends included
    EXPECT_EQ(tabs[1].offset, 0u);
}

TEST(MacroFileSplit, SectionedFileFillsTabsInOrder) {
    const std::string file = "/*$$panel:Global$$*/\n"
                             "/*$$panel:Calculator 1$$*/\n"
                             "a=2,\r\na*3"
                             "/*$$panel:Sum$$*/\n"
                             "1+2";
    const auto tabs = SplitMacroText(file);
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(tabs[0].caption, "Global");
    EXPECT_EQ(tabs[0].text, "");
    EXPECT_EQ(tabs[1].caption, "Calculator 1");
    EXPECT_EQ(tabs[1].text, "a=2,\r\na*3");
    EXPECT_EQ(tabs[1].offset, 48u);
    EXPECT_EQ(tabs[2].caption, "Sum");
    EXPECT_EQ(tabs[2].text, "1+2");
    EXPECT_EQ(tabs[2].offset, file.size() - 3);
    ExpectOffsetsPointIntoTheFile(file, tabs);
}

TEST(MacroFileSplit, FirstSectionIsAlwaysTheGlobalPanel) {
    const std::string file = "/*$$panel:Whatever$$*/\nx=1";
    const auto tabs = SplitMacroText(file);
    // A single section fills only tab 0; tab 1 stays as a new document has it.
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].caption, "Whatever");
    EXPECT_EQ(tabs[0].text, "x=1");
    EXPECT_EQ(tabs[1].caption, "Calculator 1");
    EXPECT_EQ(tabs[1].text, "");
}

TEST(MacroFileSplit, ManySectionsAreAppended) {
    std::string file;
    for (int i = 0; i < 6; ++i)
        file += "/*$$panel:P" + std::to_string(i) + "$$*/\ntext " + std::to_string(i) + "\n";
    const auto tabs = SplitMacroText(file);
    ASSERT_EQ(tabs.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(tabs[i].caption, std::string("P").append(n));
        // The line break before the next header belongs to the text.
        EXPECT_EQ(tabs[i].text, std::string("text ").append(n).append("\n"));
    }
    ExpectOffsetsPointIntoTheFile(file, tabs);
}

TEST(MacroFileSplit, TextBeforeTheFirstHeaderIsDropped) {
    const std::string file = "stray text\n/*$$panel:G$$*/\nA/*$$panel:C$$*/\nB";
    const auto tabs = SplitMacroText(file);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].caption, "G");
    EXPECT_EQ(tabs[0].text, "A");
    EXPECT_EQ(tabs[1].caption, "C");
    EXPECT_EQ(tabs[1].text, "B");
    ExpectOffsetsPointIntoTheFile(file, tabs);
}

TEST(MacroFileSplit, ExactlyOneByteAfterTheHeaderIsSkipped) {
    // A header written with CR LF keeps the LF at the start of the panel's text.
    const std::string file = "/*$$panel:G$$*/\r\nabc/*$$panel:C$$*/\n\nxyz\r\n";
    const auto tabs = SplitMacroText(file);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].text, "\nabc");
    EXPECT_EQ(tabs[1].text, "\nxyz\r\n"); // the last panel runs to the end, line break included
    ExpectOffsetsPointIntoTheFile(file, tabs);
    // The skipped byte need not be a line feed.
    const auto glued = SplitMacroText("/*$$panel:G$$*/x1+2");
    EXPECT_EQ(glued[0].text, "1+2");
}

TEST(MacroFileSplit, HeaderAtTheEndGivesAnEmptyText) {
    const auto tabs = SplitMacroText("/*$$panel:G$$*/\n1/*$$panel:Last$$*/");
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].text, "1");
    EXPECT_EQ(tabs[1].caption, "Last");
    EXPECT_EQ(tabs[1].text, "");
}

TEST(MacroFileSplit, CaptionsAreTakenAsTheyStand) {
    const auto tabs = SplitMacroText("/*$$panel:$$*/\n/*$$panel: spaced  out $$*/\n/*$$panel:a$b*/c$$*/\n3");
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(tabs[0].caption, "");
    EXPECT_EQ(tabs[1].caption, " spaced  out ");
    EXPECT_EQ(tabs[2].caption, "a$b*/c");
    EXPECT_EQ(tabs[2].text, "3");
}

TEST(MacroFileSplit, HeaderTextInsideAPlainFileMakesItSectioned) {
    const std::string file = "1+2 /*$$panel:X$$*/\n3";
    const auto tabs = SplitMacroText(file);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].caption, "X");
    EXPECT_EQ(tabs[0].text, "3");
    EXPECT_EQ(tabs[1].caption, "Calculator 1");
    EXPECT_EQ(tabs[1].text, "");
}

TEST(MacroFileSplit, HeaderWithoutItsEndLosesNothing) {
    const std::string file = "/*$$panel:G$$*/\n1/*$$panel:broken\n2+3\n";
    const auto tabs = SplitMacroText(file);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].text, "1");
    EXPECT_EQ(tabs[1].caption, "");
    EXPECT_EQ(tabs[1].text, "broken\n2+3\n");
    ExpectOffsetsPointIntoTheFile(file, tabs);
    // Also as the only header, with further headers of its own kind after it.
    const auto only = SplitMacroText("/*$$panel:x=1/*$$panel:y");
    ASSERT_EQ(only.size(), 2u);
    EXPECT_EQ(only[0].text, "x=1");
    EXPECT_EQ(only[1].text, "y");
}

TEST(MacroFileSplit, PanelTextsKeepTheirBytes) {
    const std::string text = std::string("'\xE4\xF6\xFC'") + std::string(1, '\0') + "\t\r\n";
    const std::string file = "/*$$panel:G$$*/\n/*$$panel:C$$*/\n" + text;
    const auto tabs = SplitMacroText(file);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[1].text, text);
}

// ---- result line ---------------------------------------------------------------------------

std::string Line(double v, TRadix radix) {
    TCalcInfo ci;
    return ResultLineText(TReturnValue(v), ci, radix);
}

std::string LineOfText(std::string_view s, TRadix radix) {
    TCalcInfo ci;
    TReturnValue v;
    v.SetString(s);
    return ResultLineText(v, ci, radix);
}

constexpr const char* kTooLarge = "Number too large, display in decimal mode";

TEST(MacroFileJoin, PlainFormOnlyForTwoTabsWithAnEmptyGlobalPanel) {
    EXPECT_EQ(JoinMacroText({{"Global", "", 0}, {"Calculator 1", "a=2,\r\na*3", 0}}), "a=2,\r\na*3");
    EXPECT_EQ(JoinMacroText({{"Global", "x", 0}, {"Calculator 1", "1", 0}}),
              "/*$$panel:Global$$*/\nx/*$$panel:Calculator 1$$*/\n1");
    EXPECT_EQ(JoinMacroText({{"Global", "", 0}}), "/*$$panel:Global$$*/\n");
    EXPECT_EQ(JoinMacroText({}), "");
}

TEST(MacroFileJoin, EveryDocumentReadsBackAsWritten) {
    const std::vector<std::vector<TMacroPanel>> documents = {
        {{"Global", "", 0}, {"Calculator 1", "", 0}},
        {{"Global", "", 0}, {"Calculator 1", "a=2,\r\na*3", 0}, {"Sum", "1+2", 0}},
        {{"Global", "define(f(x);x)\n", 0}, {"", "\n\nf(1)\n", 0}},
        {{"Global", "\x80\xff bytes", 0}, {"Calculator 1", "'\xe9'", 0}, {"3", "", 0}, {"4", "x", 0}},
    };
    for (const auto& tabs : documents) {
        const std::vector<TMacroPanel> back = SplitMacroText(JoinMacroText(tabs));
        ASSERT_EQ(back.size(), tabs.size());
        for (std::size_t i = 0; i < tabs.size(); ++i) {
            EXPECT_EQ(back[i].text, tabs[i].text) << i;
            // A plain file gives the new document's captions.
            if (!(tabs.size() == 2 && tabs[0].text.empty())) {
                EXPECT_EQ(back[i].caption, tabs[i].caption) << i;
            }
        }
    }
}

TEST(MacroFileLineEnds, TheFirstLineEndOfThePanelTextsDecides) {
    struct TCase {
        std::vector<TMacroPanel> tabs;
        TLineEnds expected;
    };
    const TCase kCases[] = {
        {{{"G", "", 0}, {"C", "1+2", 0}}, TLineEnds::Lf},
        {{{"G", "", 0}, {"C", "a=1,\r\nb", 0}}, TLineEnds::CrLf},
        {{{"G", "a\nb", 0}, {"C", "c\r\nd", 0}}, TLineEnds::Lf},
        {{{"G", "x", 0}, {"C", "\r\n", 0}, {"D", "\n", 0}}, TLineEnds::CrLf},
        {{{"G", "\n", 0}}, TLineEnds::Lf},
    };
    for (const TCase& c : kCases) EXPECT_EQ(LineEndsOf(c.tabs), c.expected) << c.tabs[1 % c.tabs.size()].text;
}

TEST(MacroFileLineEnds, EditorTextGetsTheConventionBack) {
    EXPECT_EQ(WithLineEnds("a\n\nb\n", TLineEnds::CrLf), "a\r\n\r\nb\r\n");
    EXPECT_EQ(WithLineEnds("a\n\nb\n", TLineEnds::Lf), "a\n\nb\n");
    EXPECT_EQ(WithLineEnds("", TLineEnds::CrLf), "");
}

TEST(MacroFileJoin, SavePromptIsSkippedOnlyForSmallScratchDocuments) {
    EXPECT_TRUE(SavePromptCanBeSkipped(2, 1, 49));
    EXPECT_FALSE(SavePromptCanBeSkipped(2, 1, 50));
    EXPECT_FALSE(SavePromptCanBeSkipped(3, 1, 0));
    EXPECT_FALSE(SavePromptCanBeSkipped(2, 0, 0));
}

TEST(ResultLine, ErrorShowsTheMessageInEveryRadix) {
    for (TRadix radix : {TRadix::Decimal, TRadix::Hexadecimal, TRadix::Binary}) {
        TCalcInfo ci;
        ci.SetError("Breaked");
        EXPECT_EQ(ResultLineText(TReturnValue(12), ci, radix), "Error: Breaked");
        TReturnValue text;
        text.SetString("abc");
        EXPECT_EQ(ResultLineText(text, ci, radix), "Error: Breaked");
        TCalcInfo flagOnly;
        flagOnly.error = true;
        EXPECT_EQ(ResultLineText(TReturnValue(1), flagOnly, radix), "Error: ");
    }
}

TEST(ResultLine, DecimalIsTheTextReading) {
    EXPECT_EQ(Line(3, TRadix::Decimal), "3");
    EXPECT_EQ(Line(-2.5, TRadix::Decimal), "-2.5");
    EXPECT_EQ(Line(1.0 / 3.0, TRadix::Decimal), "0.333333333333333");
    EXPECT_EQ(Line(1e20, TRadix::Decimal), "1e+20");
    EXPECT_EQ(Line(2147483648.0, TRadix::Decimal), "2147483648");
    EXPECT_EQ(Line(std::numeric_limits<double>::infinity(), TRadix::Decimal), "+INF");
    EXPECT_EQ(Line(-std::numeric_limits<double>::infinity(), TRadix::Decimal), "-INF");
    EXPECT_EQ(Line(std::nan(""), TRadix::Decimal), "+NAN");
    EXPECT_EQ(LineOfText("Stack Overflow", TRadix::Decimal), "Stack Overflow");
    EXPECT_EQ(LineOfText("", TRadix::Decimal), "");
}

TEST(ResultLine, TextsAreShownAsTextsInEveryRadix) {
    EXPECT_EQ(LineOfText("abc", TRadix::Hexadecimal), "abc");
    EXPECT_EQ(LineOfText("255", TRadix::Hexadecimal), "255");
    EXPECT_EQ(LineOfText("-1", TRadix::Binary), "-1");
    EXPECT_EQ(LineOfText("Stack Overflow", TRadix::Binary), "Stack Overflow");
}

TEST(ResultLine, HexadecimalIsTheUpperCase32BitPattern) {
    EXPECT_EQ(Line(0, TRadix::Hexadecimal), "0");
    EXPECT_EQ(Line(-0.0, TRadix::Hexadecimal), "0");
    EXPECT_EQ(Line(255, TRadix::Hexadecimal), "FF");
    EXPECT_EQ(Line(0xABCDEF, TRadix::Hexadecimal), "ABCDEF");
    EXPECT_EQ(Line(4096, TRadix::Hexadecimal), "1000");
    EXPECT_EQ(Line(2147483647, TRadix::Hexadecimal), "7FFFFFFF");
    // Negative numbers show their two's complement.
    EXPECT_EQ(Line(-1, TRadix::Hexadecimal), "FFFFFFFF");
    EXPECT_EQ(Line(-2, TRadix::Hexadecimal), "FFFFFFFE");
    EXPECT_EQ(Line(-2147483648.0, TRadix::Hexadecimal), "80000000");
    // Truncation toward zero.
    EXPECT_EQ(Line(255.9, TRadix::Hexadecimal), "FF");
    EXPECT_EQ(Line(-3.9, TRadix::Hexadecimal), "FFFFFFFD");
    EXPECT_EQ(Line(-0.5, TRadix::Hexadecimal), "0");
    EXPECT_EQ(Line(2147483646.5, TRadix::Hexadecimal), "7FFFFFFE");
}

TEST(ResultLine, BinaryIsThe32BitPattern) {
    EXPECT_EQ(Line(0, TRadix::Binary), "0");
    EXPECT_EQ(Line(1, TRadix::Binary), "1");
    EXPECT_EQ(Line(5, TRadix::Binary), "101");
    EXPECT_EQ(Line(10.99, TRadix::Binary), "1010");
    EXPECT_EQ(Line(-1, TRadix::Binary), std::string(32, '1'));
    EXPECT_EQ(Line(-2, TRadix::Binary), std::string(31, '1') + "0");
    EXPECT_EQ(Line(-2147483648.0, TRadix::Binary), "1" + std::string(31, '0'));
    EXPECT_EQ(Line(2147483647, TRadix::Binary), std::string(31, '1'));
}

TEST(ResultLine, ValuesOutside32BitsAreNotShownInHexOrBinary) {
    for (TRadix radix : {TRadix::Hexadecimal, TRadix::Binary}) {
        EXPECT_EQ(Line(2147483648.0, radix), kTooLarge);
        EXPECT_EQ(Line(2147483647.5, radix), kTooLarge);
        EXPECT_EQ(Line(-2147483649.0, radix), kTooLarge);
        EXPECT_EQ(Line(-2147483648.5, radix), kTooLarge);
        EXPECT_EQ(Line(4294967296.0, radix), kTooLarge);
        EXPECT_EQ(Line(1e300, radix), kTooLarge);
        EXPECT_EQ(Line(std::numeric_limits<double>::infinity(), radix), kTooLarge);
        EXPECT_EQ(Line(-std::numeric_limits<double>::infinity(), radix), kTooLarge);
        EXPECT_EQ(Line(std::nan(""), radix), kTooLarge);
        EXPECT_EQ(Line(-std::nan(""), radix), kTooLarge);
    }
}

} // namespace
