// Control objects: creators and defaults, and the property rules of every type.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instruments/panels/edit_object.h"

namespace {

using namespace NuvixParser;

TReturnValue Num(double v) {
    return TReturnValue(v);
}
TReturnValue Text(const char* s) {
    TReturnValue v;
    v.SetString(s);
    return v;
}

TEST(EditObjectCreators, MakeEachTypeWithItsDefaultSizeAndText) {
    struct {
        int width, height;
        const char* editorText;
    } const expected[kEditObjectTypes] = {
        {20, 2, "<no text entered>"}, {20, 5, "<no text entered>"}, {5, 25, "Bar"},
        {30, 3, "<no text>"},         {15, 4, "Button"},            {15, 2, "CheckBox"},
    };
    for (int type = 0; type < kEditObjectTypes; ++type) {
        SCOPED_TRACE(type);
        const TEditObjectCreator* creator = CreatorOf(type);
        ASSERT_NE(creator, nullptr);
        EXPECT_EQ(creator->width, expected[type].width);
        EXPECT_EQ(creator->height, expected[type].height);
        const TEditObjectPtr o = creator->create();
        EXPECT_EQ(o->TypeId(), type);
        EXPECT_EQ(o->EditorText(), expected[type].editorText);
        EXPECT_FALSE(o->Changed());
    }
    EXPECT_EQ(CreatorOf(-1), nullptr);
    EXPECT_EQ(CreatorOf(kEditObjectTypes), nullptr);
}

TEST(EditObjectCreators, NewObjectsHaveTheirFieldDefaults) {
    const TEditObjectPtr display = CreatorOf(1)->create();
    EXPECT_EQ(static_cast<TDisplayObject&>(*display).fontSize, 20);
    const TEditObjectPtr bar = CreatorOf(2)->create();
    const auto& b = static_cast<TScrollbarObject&>(*bar);
    EXPECT_EQ((std::vector<int>{b.minimum, b.maximum, b.pageSize, b.lineSize, b.value, b.orientation}),
              (std::vector<int>{0, 100, 10, 1, 50, 0}));
}

// One row per property call: type, property id, value set (or none: get only), whether the
// set succeeds, and what a following get gives (number, or text when `text` is set).
struct TPropertyCase {
    const char* name;
    int type;
    int id;
    bool set;
    TReturnValue value;
    bool setOk;
    bool getOk;
    TReturnValue got;
};

class Property : public testing::TestWithParam<TPropertyCase> {};

TEST_P(Property, SetThenGet) {
    const TPropertyCase& c = GetParam();
    TEditObjectPtr o = CreatorOf(c.type)->create();
    if (c.set) {
        EXPECT_EQ(o->SetProperty(c.id, c.value), c.setOk);
    }
    TReturnValue got; // the caller's default: the number 0
    EXPECT_EQ(o->GetProperty(c.id, got), c.getOk);
    EXPECT_EQ(got.isString, c.got.isString);
    if (c.got.isString) {
        EXPECT_EQ(got.text, c.got.text);
    } else {
        EXPECT_EQ(got.number, c.got.number);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Property,
    testing::Values(
        TPropertyCase{"LabelCaptionTakesTheTextForm", 0, 0, true, Num(2.5), true, true, Text("2.5")},
        TPropertyCase{"LabelCaptionStringUnchanged", 0, 0, true, Text(" a\"b "), true, true, Text(" a\"b ")},
        TPropertyCase{"LabelAlignment", 0, 1, true, Num(2.9), true, true, Num(2)},
        TPropertyCase{"LabelAlignment3FailsButIsKept", 0, 1, true, Num(3), false, true, Num(3)},
        TPropertyCase{"LabelAlignmentNegativeFails", 0, 1, true, Num(-1), false, true, Num(-1)},
        TPropertyCase{"LabelUnknownId", 0, 2, true, Num(1), false, false, Num(0)},
        TPropertyCase{"DisplayCaption", 1, 0, true, Text("0.00"), true, true, Text("0.00")},
        TPropertyCase{"DisplayAlignmentFromLeadingNumber", 1, 1, true, Text("1 left"), true, true, Num(1)},
        TPropertyCase{"ScrollValueTruncated", 2, 0, true, Num(70.9), true, true, Num(70)},
        TPropertyCase{"ScrollValueNegativeTruncatedTowardZero", 2, 0, true, Num(-70.9), true, true, Num(-70)},
        TPropertyCase{"ScrollMinimum", 2, 1, true, Text("12abc"), true, true, Num(12)},
        TPropertyCase{"ScrollMaximumBelowMinimumIsStored", 2, 2, true, Num(-5), true, true, Num(-5)},
        TPropertyCase{"ScrollPageSize", 2, 3, true, Num(7), true, true, Num(7)},
        TPropertyCase{"ScrollLineSize", 2, 4, true, Num(3), true, true, Num(3)},
        TPropertyCase{"ScrollDefaultValue", 2, 0, false, Num(0), true, true, Num(50)},
        TPropertyCase{"ScrollUnknownIdSetFails", 2, 9, true, Num(1), false, true, Num(0)},
        TPropertyCase{"ScrollUnknownIdGetGivesTheDefault", 2, -1, false, Num(0), true, true, Num(0)},
        TPropertyCase{"EditText", 3, 0, true, Num(1e20), true, true, Text("1e+20")},
        TPropertyCase{"EditAlignment", 3, 1, true, Num(1), true, true, Num(1)},
        TPropertyCase{"EditAlignmentOutOfRange", 3, 1, true, Num(7), false, true, Num(7)},
        TPropertyCase{"ButtonCaption", 4, 0, true, Text("Go"), true, true, Text("Go")},
        TPropertyCase{"ButtonPressedCannotBeSet", 4, 1, true, Num(1), false, true, Num(0)},
        TPropertyCase{"CheckboxCaption", 5, 0, true, Text("On"), true, true, Text("On")},
        TPropertyCase{"CheckboxHalfIsUnchecked", 5, 1, true, Num(0.5), true, true, Num(0)},
        TPropertyCase{"CheckboxTextOneChecks", 5, 1, true, Text("1"), true, true, Num(-1)},
        TPropertyCase{"CheckboxNonNumericTextUnchecks", 5, 1, true, Text("yes"), true, true, Num(0)},
        TPropertyCase{"CheckboxUnknownId", 5, 2, false, Num(0), false, false, Num(0)}),
    [](const testing::TestParamInfo<TPropertyCase>& info) { return info.param.name; });

TEST(PropertyChanges, MovingAScrollBarOrFlippingABoxRunsTheHookOnce) {
    struct {
        int type, id;
        double value;
        int hooks;
    } const cases[] = {
        {2, 0, 70.9, 1}, // moved
        {2, 0, 50, 0},   // already there
        {2, 1, 10, 0},   // the range is no change of the position
        {5, 1, 1, 1},    // checked
        {5, 1, 0, 0},    // already unchecked
        {0, 0, 1, 0},    {3, 0, 1, 0}, {4, 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << "/" << c.id << "=" << c.value);
        TEditObjectPtr o = CreatorOf(c.type)->create();
        int hooks = 0;
        o->SetChangeHook([&](TEditObject&) { ++hooks; });
        ASSERT_TRUE(o->SetProperty(c.id, Num(c.value)));
        EXPECT_EQ(hooks, c.hooks);
    }
}

TEST(PropertyChanges, SettingAnEditTextClearsTheUsersChange) {
    TEditObjectPtr edit = CreatorOf(3)->create();
    edit->SetChanged(true);
    edit->SetProperty(1, Num(1));
    EXPECT_TRUE(edit->Changed());
    edit->SetProperty(0, Text("new"));
    EXPECT_FALSE(edit->TakeChanged());
}

TEST(PropertyChanges, AChangeIsTakenOnce) {
    TEditObjectPtr box = CreatorOf(5)->create();
    box->SetChanged(true);
    EXPECT_TRUE(box->TakeChanged());
    EXPECT_FALSE(box->TakeChanged());
}

TEST(PropertyChanges, ButtonPressedFollowsTheMouse) {
    TButtonObject button;
    TReturnValue v;
    button.pressed = true;
    ASSERT_TRUE(button.GetProperty(1, v));
    EXPECT_EQ(v.number, 1);
    button.pressed = false;
    ASSERT_TRUE(button.GetProperty(1, v));
    EXPECT_EQ(v.number, 0);
}

TEST(FileIntegers, AreWholeDecimalIntegers) {
    struct {
        const char* text;
        bool ok;
        std::int64_t value;
    } const cases[] = {
        {"0", true, 0},       {"-12", true, -12},       {"+7", true, 7},     {"  5", true, 5},
        {"5 ", false, 0},     {"", false, 0},           {"-", false, 0},     {"1.0", false, 0},
        {"0x10", false, 0},   {"1e3", false, 0},        {"9223372036854775807", true, INT64_MAX},
        {"-9223372036854775808", true, INT64_MIN},     {"9223372036854775808", false, 0},
        {"-9223372036854775809", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::int64_t v = -99;
        EXPECT_EQ(ParseFileInteger(c.text, v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        }
    }
}

} // namespace
