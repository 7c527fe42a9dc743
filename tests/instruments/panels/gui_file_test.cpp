// GUI files: which rows load, the reading rules of the type fields, and write/read round trips.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

#include "instruments/panels/csv_read_write.h"
#include "instruments/panels/gui_file.h"

namespace {

using namespace NuvixParser;

TGuiLoadResult Load(const std::string& data, TEditObjectList& objects) {
    TCSVReadWrite table;
    table.Parse(data);
    return ObjectsFromTable(table, "panel.gui", objects);
}

std::string Save(const TEditObjectList& objects) {
    TCSVReadWrite table;
    ObjectsToTable(objects, table);
    return table.Format();
}

TEST(GuiFile, LoadsTheExamplePanelAndWritesItByteForByte) {
    const std::string file = "0,2,3,22,5,1,\"<no text entered>\",0\r\n4,2,8,17,12,2,Button\r\n";
    TEditObjectList objects;
    ASSERT_TRUE(Load(file, objects).Ok());
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0]->TypeId(), 0);
    EXPECT_EQ(objects[0]->rect, (TGridRect{2, 3, 22, 5}));
    EXPECT_EQ(objects[0]->id, 1u);
    EXPECT_EQ(objects[1]->EditorText(), "Button");
    EXPECT_EQ(Save(objects), file);
}

TEST(GuiFile, SkipsShortRowsAndUnknownTypes) {
    TEditObjectList objects;
    ASSERT_TRUE(Load("7,0,0,1,1,9,x\r\n4,0,0\r\n\r\n-1,0,0,1,1,3\r\n4,-2,0,1,1,4,B\r\n", objects).Ok());
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]->id, 4u);
    EXPECT_EQ(objects[0]->rect.left, -2);
}

TEST(GuiFile, MoreThan4096RowsFailEvenWhenAllAreShort) {
    std::string rows;
    for (int i = 0; i < 4096; ++i) rows += "x\r\n";
    TEditObjectList objects;
    EXPECT_TRUE(Load(rows, objects).Ok());
    EXPECT_EQ(Load(rows + "4,0,0,1,1,1\r\n", objects).status, TGuiLoadStatus::TooManyRows);
    EXPECT_TRUE(objects.empty());
}

TEST(GuiFile, IdsReadAsAny32BitPattern) {
    TEditObjectList objects;
    ASSERT_TRUE(Load("4,0,0,1,1,4294967295,a\n4,0,0,1,1,-1,b\n4,0,0,1,1,-2147483648,c\n", objects).Ok());
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]->id, 4294967295u);
    EXPECT_EQ(objects[1]->id, 4294967295u);
    EXPECT_EQ(objects[2]->id, 2147483648u);
    EXPECT_EQ(Save(objects), "4,0,0,1,1,4294967295,a\r\n4,0,0,1,1,4294967295,b\r\n4,0,0,1,1,2147483648,c\r\n");
}

TEST(GuiFile, ANonIntegerCommonFieldRefusesTheWholeFileAndSaysWhere) {
    struct {
        const char* data;
        const char* message;
    } const cases[] = {
        {"4,0,0,1,1,1,ok\r\n\r\n4,0,x1,1,1,2,b\r\n", "panel.gui, line 3: 'x1' is not a valid integer value"},
        {"4,0,0,1,1,4294967296,b", "panel.gui, line 1: '4294967296' is not a valid integer value"},
        {"4,2147483648,0,1,1,1,b", "panel.gui, line 1: '2147483648' is not a valid integer value"},
        {"4,0,0,1,1.5,1,b", "panel.gui, line 1: '1.5' is not a valid integer value"},
        {"4,0,0,1,,1,b", "panel.gui, line 1: '' is not a valid integer value"},
        {"4,0,0,1,1,1 ,b", "panel.gui, line 1: '1 ' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        TEditObjectList objects;
        objects.push_back(CreatorOf(0)->create());
        const TGuiLoadResult r = Load(c.data, objects);
        EXPECT_EQ(r.status, TGuiLoadStatus::BadNumber);
        EXPECT_EQ(r.message, c.message);
        EXPECT_TRUE(objects.empty());
    }
}

// Rows of each type whose type fields are missing or do not parse: the reading defaults.
TEST(GuiFile, TypeFieldsFallBackToTheirReadingDefaults) {
    TEditObjectList objects;
    ASSERT_TRUE(Load("0,0,0,1,1,1\n"
                     "1,0,0,1,1,2,t,3,big\n"
                     "2,0,0,1,1,3,a,b,c,d,e,2\n"
                     "2,0,0,1,1,4,7\n"
                     "2,0,0,1,1,5,-3,8,2,4,6,1\n"
                     "3,0,0,1,1,6,t,-1\n"
                     "5,0,0,1,1,7,c,Checked\n"
                     "5,0,0,1,1,8,c,checked\n"
                     "0,0,0,1,1,9, x ,2\n",
                     objects)
                    .Ok());
    ASSERT_EQ(objects.size(), 9u);
    const auto& label = static_cast<const TLabelObject&>(*objects[0]);
    EXPECT_EQ(label.text, "");
    EXPECT_EQ(label.alignment, 0);
    const auto& display = static_cast<const TDisplayObject&>(*objects[1]);
    EXPECT_EQ(display.alignment, 0);
    EXPECT_EQ(display.fontSize, 16);
    const auto& bad = static_cast<const TScrollbarObject&>(*objects[2]);
    EXPECT_EQ((std::vector<int>{bad.minimum, bad.maximum, bad.pageSize, bad.lineSize, bad.value, bad.orientation}),
              (std::vector<int>{0, 10, 5, 1, 0, 0}));
    const auto& shortBar = static_cast<const TScrollbarObject&>(*objects[3]);
    EXPECT_EQ((std::vector<int>{shortBar.minimum, shortBar.maximum, shortBar.value}), (std::vector<int>{7, 10, 7}));
    const auto& bar = static_cast<const TScrollbarObject&>(*objects[4]);
    EXPECT_EQ((std::vector<int>{bar.minimum, bar.maximum, bar.pageSize, bar.lineSize, bar.value, bar.orientation}),
              (std::vector<int>{-3, 8, 2, 4, 6, 1}));
    EXPECT_EQ(static_cast<const TEditControlObject&>(*objects[5]).alignment, 0);
    EXPECT_FALSE(static_cast<const TCheckboxObject&>(*objects[6]).checked);
    EXPECT_TRUE(static_cast<const TCheckboxObject&>(*objects[7]).checked);
    // Unquoted leading blanks are dropped, trailing ones kept.
    EXPECT_EQ(static_cast<const TLabelObject&>(*objects[8]).text, "x ");
    EXPECT_EQ(static_cast<const TLabelObject&>(*objects[8]).alignment, 2);
}

TEST(GuiFile, AFileThatCannotBeReadIsAnEmptyPanel) {
    TEditObjectList objects;
    objects.push_back(CreatorOf(0)->create());
    EXPECT_TRUE(LoadObjects("/nonexistent/varnex/panel.gui", objects).Ok());
    EXPECT_TRUE(objects.empty());
}

// Random objects with texts of the bytes that matter to the format survive a save and a
// load on disk unchanged, and save again to the same bytes.
TEST(GuiFile, RandomObjectListsRoundTrip) {
    std::mt19937 random(20261209);
    const std::string alphabet = "ab \"\",\r\n\t;x\xe4";
    auto randomText = [&] {
        std::string s;
        const int n = static_cast<int>(random() % 8);
        for (int i = 0; i < n; ++i) s += alphabet[random() % alphabet.size()];
        return s;
    };
    auto randomInt = [&] { return static_cast<std::int32_t>(random()); };
    const std::string path = (std::filesystem::temp_directory_path() /
        ("varnex_round_trip." + std::to_string(::getpid()) + ".gui")).string();
    for (int round = 0; round < 200; ++round) {
        TEditObjectList objects;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) {
            TEditObjectPtr o = CreatorOf(static_cast<int>(random() % kEditObjectTypes))->create();
            o->rect = {randomInt(), randomInt(), randomInt(), randomInt()};
            o->id = static_cast<std::uint32_t>(random());
            if (auto* label = dynamic_cast<TLabelObject*>(o.get())) {
                label->text = randomText();
                label->alignment = static_cast<std::int32_t>(random() % 3);
                if (auto* display = dynamic_cast<TDisplayObject*>(label)) display->fontSize = randomInt();
            } else if (auto* bar = dynamic_cast<TScrollbarObject*>(o.get())) {
                bar->minimum = randomInt();
                bar->maximum = randomInt();
                bar->pageSize = randomInt();
                bar->lineSize = randomInt();
                bar->value = randomInt();
                bar->orientation = static_cast<std::int32_t>(random() % 2);
            } else if (auto* edit = dynamic_cast<TEditControlObject*>(o.get())) {
                edit->text = randomText();
                edit->alignment = static_cast<std::int32_t>(random() % 3);
            } else if (auto* button = dynamic_cast<TButtonObject*>(o.get())) {
                button->text = randomText();
            } else if (auto* box = dynamic_cast<TCheckboxObject*>(o.get())) {
                box->text = randomText();
                box->checked = random() % 2;
            }
            objects.push_back(std::move(o));
        }
        ASSERT_TRUE(SaveObjects(path, objects));
        TEditObjectList back;
        ASSERT_TRUE(LoadObjects(path, back).Ok());
        ASSERT_EQ(back.size(), objects.size());
        const std::string written = Save(objects);
        ASSERT_EQ(Save(back), written) << "round " << round;
        for (std::size_t i = 0; i < back.size(); ++i) {
            EXPECT_EQ(back[i]->TypeId(), objects[i]->TypeId());
            EXPECT_EQ(back[i]->rect, objects[i]->rect);
            EXPECT_EQ(back[i]->id, objects[i]->id);
            EXPECT_EQ(back[i]->EditorText(), objects[i]->EditorText());
        }
    }
    std::filesystem::remove(path);
}

} // namespace
