// The GUI editor's rules without a window: the state machine as a table, hit tests, ids of
// new and duplicated objects, drags in whole cells, and undo of any run of edits.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>

#include "instruments/panels/csv_read_write.h"
#include "instruments/panels/gui_file.h"
#include "instruments/panels/panel_editor.h"

namespace {

using namespace NuvixParser;
namespace fs = std::filesystem;
using S = TEditState;

constexpr TMouseButton L = TMouseButton::Left;

// Two labels: A (id 1) at pixels 14..154 x 14..28, B (id 2) at 14..119 x 70..98.
TEditObjectList TwoLabels() {
    TEditObjectList objects;
    for (auto [id, rect] : {std::pair{1u, TGridRect{2, 2, 22, 4}}, std::pair{2u, TGridRect{2, 10, 17, 14}}}) {
        TEditObjectPtr o = CreatorOf(0)->create();
        o->id = id;
        o->rect = rect;
        objects.push_back(std::move(o));
    }
    return objects;
}

constexpr TPixel kInA{60, 20}, kInB{60, 80}, kEmpty{300, 300}, kCornerA{154, 28};

// Ways into each state from a fresh editor over TwoLabels().
void ToState(TPanelEditor& e, S state) {
    switch (state) {
    case S::Idle:
        break;
    case S::Placing:
        e.NewObject(4, {200, 200});
        break;
    case S::PendingMove:
        e.MouseDown(kInA, L, false);
        break;
    case S::Moving:
        e.MouseDown(kInA, L, false);
        e.MouseMove({kInA.x + 20, kInA.y}, true);
        break;
    case S::Resizing:
        e.MouseDown(kCornerA, L, false);
        break;
    case S::Test:
        e.ToggleTest();
        break;
    case S::PendingBand:
        e.MouseDown(kEmpty, L, false);
        break;
    case S::Band:
        e.MouseDown({0, 0}, L, false);
        e.MouseMove({200, 40}, true);
        break;
    case S::Selection:
        e.MouseDown(kInA, L, false);
        e.MouseUp(kInA, L);
        break;
    case S::MovingSelection:
        ToState(e, S::Selection);
        e.MouseDown(kInA, L, false);
        break;
    case S::Runtime:
        e.EnterRuntime();
        break;
    }
}

struct TTransition {
    const char* what;
    S from;
    std::function<TEditEffect(TPanelEditor&)> event;
    S to;
    // What else must hold afterwards.
    std::function<void(const TPanelEditor&, const TEditEffect&)> check;
};

TEditEffect Down(TPanelEditor& e, TPixel p, TMouseButton b = L, bool twice = false) {
    return e.MouseDown(p, b, twice);
}
template <class F> std::function<TEditEffect(TPanelEditor&)> Do(F f) {
    return [f](TPanelEditor& e) {
        f(e);
        return TEditEffect{};
    };
}
auto Objects(std::size_t n) {
    return [n](const TPanelEditor& e, const TEditEffect&) { EXPECT_EQ(e.Objects().size(), n); };
}
auto Selected(std::size_t n) {
    return [n](const TPanelEditor& e, const TEditEffect&) { EXPECT_EQ(e.SelectionSize(), n); };
}
auto ClosesDialog(bool closes) {
    return [closes](const TPanelEditor&, const TEditEffect& f) { EXPECT_EQ(f.closeDialog, closes); };
}
auto RectOfA(TGridRect r) {
    return [r](const TPanelEditor& e, const TEditEffect&) { EXPECT_EQ(e.Objects()[0]->rect, r); };
}
const auto kNothing = [](const TPanelEditor&, const TEditEffect&) {};

TEST(PanelEditorStates, Transitions) {
    const TGridRect a{2, 2, 22, 4};
    const TTransition kTable[] = {
        {"down inside", S::Idle, [](auto& e) { return Down(e, kInA); }, S::PendingMove, ClosesDialog(true)},
        {"down on a handle", S::Idle, [](auto& e) { return Down(e, kCornerA); }, S::Resizing, ClosesDialog(true)},
        {"down on nothing", S::Idle, [](auto& e) { return Down(e, kEmpty); }, S::PendingBand, Selected(0)},
        {"other button", S::Idle, [](auto& e) { return Down(e, kInA, TMouseButton::Other); }, S::Idle,
         ClosesDialog(false)},
        {"hover", S::Idle, Do([](auto& e) { e.MouseMove({84, 13}, false); }), S::Idle,
         [](const TPanelEditor& e, const TEditEffect&) {
             EXPECT_TRUE(e.ShowsHandles(e.Objects()[0].get()));
             EXPECT_EQ(e.Pointer(), TPointerShape::Vertical); // on the top middle handle
         }},
        {"new", S::Idle, Do([](auto& e) { e.NewObject(2, {5, 5}); }), S::Placing,
         [](const TPanelEditor& e, const TEditEffect&) { EXPECT_EQ(e.PlacingOutline(), (TPixelRect{5, 5, 40, 180})); }},
        {"toggle test", S::Idle, Do([](auto& e) { e.ToggleTest(); }), S::Test, kNothing},
        {"delete nothing", S::Idle, Do([](auto& e) { e.Delete(); }), S::Idle, Objects(2)},
        {"duplicate nothing", S::Idle, Do([](auto& e) { e.Duplicate(); }), S::Idle, Objects(2)},

        {"place", S::Placing, [](auto& e) { return Down(e, {30, 31}); }, S::Idle,
         [](const TPanelEditor& e, const TEditEffect&) {
             ASSERT_EQ(e.Objects().size(), 3u);
             EXPECT_EQ(e.Objects()[2]->rect, (TGridRect{4, 4, 19, 8}));
             EXPECT_EQ(e.Objects()[2]->TypeId(), 4);
             EXPECT_EQ(e.Objects()[2]->id, 3u);
         }},
        {"other button cancels", S::Placing, [](auto& e) { return Down(e, {30, 30}, TMouseButton::Other); },
         S::Idle, Objects(2)},
        {"leaving cancels", S::Placing, Do([](auto& e) { e.MouseLeave(); }), S::Idle, Objects(2)},
        {"outline follows", S::Placing, Do([](auto& e) { e.MouseMove({3, 4}, false); }), S::Placing,
         [](const TPanelEditor& e, const TEditEffect&) { EXPECT_EQ(e.PlacingOutline().left, 3); }},

        {"4 pixels", S::PendingMove, Do([](auto& e) { e.MouseMove({kInA.x + 2, kInA.y + 2}, true); }),
         S::PendingMove, RectOfA(a)},
        {"5 pixels", S::PendingMove, Do([](auto& e) { e.MouseMove({kInA.x + 3, kInA.y + 2}, true); }), S::Moving,
         RectOfA(a)},
        {"click selects", S::PendingMove, Do([](auto& e) { e.MouseUp(kInA, L); }), S::Selection, Selected(1)},
        {"new refused", S::PendingMove, Do([](auto& e) { e.NewObject(0, kInA); }), S::PendingMove, kNothing},

        {"drop", S::Moving, Do([](auto& e) { e.MouseUp({kInA.x + 15, kInA.y - 7}, L); }), S::Idle,
         RectOfA({4, 1, 24, 3})},
        {"move without button", S::Moving, Do([](auto& e) { e.MouseMove({kInA.x + 8, kInA.y}, false); }), S::Idle,
         RectOfA({3, 2, 23, 4})},
        {"leave restores", S::Moving, Do([](auto& e) { e.MouseLeave(); }), S::Idle, RectOfA(a)},
        {"resize", S::Resizing, Do([](auto& e) { e.MouseUp({7, 50}, L); }), S::Idle, RectOfA({2, 2, 1, 7})},
        {"leave restores size", S::Resizing,
         Do([](auto& e) {
             e.MouseMove({300, 100}, true);
             e.MouseLeave();
         }),
         S::Idle, RectOfA(a)},

        {"release without drag", S::PendingBand, Do([](auto& e) { e.MouseUp(kEmpty, L); }), S::Idle, Selected(0)},
        {"band starts", S::PendingBand, Do([](auto& e) { e.MouseMove({305, 300}, true); }), S::Band, kNothing},
        {"band selects what it holds", S::Band, Do([](auto& e) { e.MouseUp({200, 40}, L); }), S::Selection,
         [](const TPanelEditor& e, const TEditEffect&) {
             EXPECT_TRUE(e.Selected(e.Objects()[0].get()));
             EXPECT_FALSE(e.Selected(e.Objects()[1].get()));
         }},

        {"double click opens", S::Selection, [](auto& e) { return Down(e, kInA, L, true); }, S::Idle,
         [](const TPanelEditor& e, const TEditEffect& f) {
             EXPECT_EQ(f.openDialog, e.Objects()[0].get());
             EXPECT_EQ(e.SelectionSize(), 0u);
         }},
        {"double click elsewhere", S::Selection, [](auto& e) { return Down(e, kInB, L, true); }, S::PendingMove,
         [](const TPanelEditor& e, const TEditEffect& f) {
             EXPECT_EQ(f.openDialog, nullptr);
             EXPECT_EQ(e.SelectionSize(), 0u);
         }},
        {"down on the selection", S::Selection, [](auto& e) { return Down(e, kInA); }, S::MovingSelection,
         Selected(1)},
        {"down on another", S::Selection, [](auto& e) { return Down(e, kInB); }, S::PendingMove, Selected(0)},
        {"down on nothing", S::Selection, [](auto& e) { return Down(e, kEmpty); }, S::PendingBand, Selected(0)},
        {"new", S::Selection, Do([](auto& e) { e.NewObject(5, kEmpty); }), S::Placing, Selected(0)},
        {"delete", S::Selection, Do([](auto& e) { e.Delete(); }), S::Idle, Objects(1)},
        {"duplicate", S::Selection, Do([](auto& e) { e.Duplicate(); }), S::MovingSelection, Objects(3)},
        {"nudge", S::Selection, Do([](auto& e) { e.Nudge(1, -1, false); }), S::Selection, RectOfA({3, 1, 23, 3})},
        {"shift nudge", S::Selection, Do([](auto& e) { e.Nudge(1, -1, true); }), S::Selection,
         RectOfA({2, 2, 23, 3})},

        {"follows in cells", S::MovingSelection, Do([](auto& e) { e.MouseMove({kInA.x + 7, kInA.y}, true); }),
         S::MovingSelection, RectOfA({3, 2, 23, 4})},
        {"drop", S::MovingSelection, Do([](auto& e) { e.MouseUp({kInA.x + 14, kInA.y}, L); }), S::Selection,
         RectOfA({4, 2, 24, 4})},
        {"down ignored", S::MovingSelection, [](auto& e) { return Down(e, kEmpty); }, S::MovingSelection,
         ClosesDialog(false)},

        {"down ignored", S::Test, [](auto& e) { return Down(e, kInA); }, S::Test, ClosesDialog(false)},
        {"new refused", S::Test, Do([](auto& e) { e.NewObject(0, kInA); }), S::Test, kNothing},
        {"toggle back", S::Test, Do([](auto& e) { e.ToggleTest(); }), S::Idle, kNothing},
        {"test while placing", S::Placing, Do([](auto& e) { e.ToggleTest(); }), S::Test, Objects(2)},

        {"down ignored", S::Runtime, [](auto& e) { return Down(e, kInA); }, S::Runtime, ClosesDialog(false)},
        {"test refused", S::Runtime, Do([](auto& e) { e.ToggleTest(); }), S::Runtime, kNothing},
        {"new refused", S::Runtime, Do([](auto& e) { e.NewObject(0, kInA); }), S::Runtime, kNothing},
        {"undo refused", S::Runtime, Do([](auto& e) { e.Undo(); }), S::Runtime, kNothing},
    };
    for (const TTransition& t : kTable) {
        SCOPED_TRACE(std::string(t.what) + " from state " + std::to_string(static_cast<int>(t.from)));
        TEditObjectList objects = TwoLabels();
        TPanelEditor editor(objects);
        ToState(editor, t.from);
        ASSERT_EQ(editor.State(), t.from);
        const TEditEffect effect = t.event(editor);
        EXPECT_EQ(editor.State(), t.to);
        t.check(editor, effect);
    }
}

TEST(PanelEditorHits, HandlesInsideAndNearOfAnInvertedRectangle) {
    // Right edge dragged past the left one: the edges stay so, the screen sees 7..21.
    const TGridRect inverted{3, 0, 1, 2};
    EXPECT_EQ(ObjectPixels(inverted), (TPixelRect{7, 0, 21, 14}));
    EXPECT_EQ(HitTest(inverted, {14, 7}), kHandleInside);
    EXPECT_EQ(HitTest(inverted, {7, 7}), 4);  // the right edge's handle, where it now is
    EXPECT_EQ(HitTest(inverted, {21, 0}), 0); // the left edge's top corner
    EXPECT_EQ(HitTest(inverted, {30, 7}), kHandleNone);
    EXPECT_TRUE(IsNear(inverted, {23, 7}));
    EXPECT_FALSE(IsNear(inverted, {24, 7}));
    EXPECT_EQ(ShapeOfHandle(HitTest(inverted, {14, 7})), TPointerShape::Move);
}

TEST(PanelEditorIds, NewObjectsTakeTheSmallestFreeId) {
    TEditObjectList objects;
    TPanelEditor e(objects);
    for (int i = 0; i < 3; ++i) {
        e.NewObject(0, {0, 0});
        e.MouseDown({0, 30 * i}, L, false);
    }
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]->id, 1u);
    EXPECT_EQ(objects[1]->id, 2u);
    EXPECT_EQ(objects[2]->id, 3u);
    // Select the second (cells 0..20 x 4..6) and delete it: its id is free again.
    e.MouseDown({10, 35}, L, false);
    e.MouseUp({10, 35}, L);
    e.Delete();
    e.NewObject(5, {0, 0});
    e.MouseDown({0, 200}, L, false);
    EXPECT_EQ(objects.back()->id, 2u);
}

TEST(PanelEditorIds, CopiesFollowTheLargestIdAndLandAtThePointer) {
    TEditObjectList objects = TwoLabels();
    objects[0]->id = 4;
    objects[1]->id = 9;
    static_cast<TLabelObject&>(*objects[1]).text = "Speed";
    TPanelEditor e(objects);
    e.MouseDown({0, 0}, L, false); // a band around both
    e.MouseMove({400, 400}, true);
    e.MouseUp({400, 400}, L);
    ASSERT_EQ(e.SelectionSize(), 2u);
    e.Duplicate();
    ASSERT_EQ(objects.size(), 4u);
    EXPECT_EQ(objects[2]->id, 10u);
    EXPECT_EQ(objects[3]->id, 11u);
    EXPECT_EQ(static_cast<TLabelObject&>(*objects[3]).text, "Speed");
    // Their common top left corner jumps to the pointer's cell and follows it; a click drops.
    e.MouseMove({70, 140}, false);
    EXPECT_EQ(objects[2]->rect, (TGridRect{10, 20, 30, 22}));
    EXPECT_EQ(objects[3]->rect, (TGridRect{10, 28, 25, 32}));
    e.MouseDown({77, 140}, L, false);
    e.MouseUp({77, 140}, L);
    EXPECT_EQ(e.State(), S::Selection);
    EXPECT_EQ(objects[2]->rect.left, 11);
    EXPECT_EQ(objects[0]->rect, (TGridRect{2, 2, 22, 4})); // the originals stay
}

TEST(PanelEditorDrags, MovesGoInWholeCellsTowardZero) {
    TEditObjectList objects = TwoLabels();
    TPanelEditor e(objects);
    e.MouseDown(kInA, L, false);
    e.MouseMove({kInA.x - 6, kInA.y}, true); // 6 pixels: moving, but less than a cell
    EXPECT_EQ(e.State(), S::Moving);
    EXPECT_EQ(objects[0]->rect.left, 2);
    e.MouseMove({kInA.x - 7, kInA.y + 20}, true);
    EXPECT_EQ(objects[0]->rect, (TGridRect{1, 4, 21, 6}));
    e.MouseUp({kInA.x - 13, kInA.y + 20}, L);
    EXPECT_EQ(objects[0]->rect, (TGridRect{1, 4, 21, 6}));
}

// Random edits of every kind, undone completely, give the loaded file byte for byte; redone,
// the last state again.
TEST(PanelEditorHistory, TwoHundredRandomEditsUndoAndRedoExactly) {
    const fs::path path = fs::temp_directory_path() /
        ("varnex_editor_history." + std::to_string(::getpid()) + ".gui");
    TEditObjectList start = TwoLabels();
    for (int t = 1; t < kEditObjectTypes; ++t) {
        TEditObjectPtr o = CreatorOf(t)->create();
        o->id = 10 + t;
        o->rect = {t * 5, 20 + t * 6, t * 5 + CreatorOf(t)->width, 20 + t * 6 + CreatorOf(t)->height};
        start.push_back(std::move(o));
    }
    ASSERT_TRUE(SaveObjects(path.string(), start));
    auto bytes = [&path] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string loaded = bytes();

    TEditObjectList objects;
    ASSERT_TRUE(LoadObjects(path.string(), objects).Ok());
    TPanelEditor e(objects);
    std::mt19937 random(20261209);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto somewhere = [&] { return TPixel{pick(400), pick(400)}; };
    auto selectOne = [&] {
        if (objects.empty()) return false;
        const TEditObject& o = *objects[pick(static_cast<int>(objects.size()))];
        const TPixelRect r = ObjectPixels(o.rect);
        const TPixel p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        e.MouseDown(p, L, false);
        e.MouseUp(p, L);
        return e.State() == S::Selection;
    };
    for (int i = 0; i < 200; ++i) {
        switch (pick(8)) {
        case 0: // place
            e.NewObject(pick(kEditObjectTypes), somewhere());
            e.MouseDown(somewhere(), L, false);
            break;
        case 1: { // move or resize by dragging
            const TPixel from = somewhere(), to = somewhere();
            e.MouseDown(from, L, false);
            e.MouseMove(to, true);
            e.MouseUp(to, L);
            break;
        }
        case 2:
            if (selectOne()) e.Delete();
            break;
        case 3:
            if (selectOne()) {
                e.Duplicate();
                const TPixel to = somewhere();
                e.MouseMove(to, false);
                e.MouseUp(to, L);
            }
            break;
        case 4:
            if (selectOne()) e.Nudge(pick(3) - 1, pick(3) - 1, pick(2) == 0);
            break;
        case 5: // a parameter dialog's change
            if (!objects.empty()) {
                objects[pick(static_cast<int>(objects.size()))]->id = static_cast<std::uint32_t>(pick(50));
                e.Changed();
            }
            break;
        default: // a control changed by the user in the test state
            if (!objects.empty()) {
                e.ToggleTest();
                TReturnValue text;
                text.SetString("text " + std::to_string(i) + ", \"quoted\"");
                objects[pick(static_cast<int>(objects.size()))]->SetProperty(0, pick(2) ? text : TReturnValue(pick(90)));
                e.Changed();
                e.ToggleTest();
            }
            break;
        }
        if (e.State() == S::Selection) e.MouseDown(kEmpty, L, false), e.MouseUp(kEmpty, L);
    }
    ASSERT_TRUE(e.Modified());
    TCSVReadWrite table;
    ObjectsToTable(objects, table);
    const std::string last = table.Format();
    int undone = 0;
    while (e.Undo()) ++undone;
    EXPECT_GT(undone, 80);
    EXPECT_FALSE(e.Modified());
    ASSERT_TRUE(SaveObjects(path.string(), objects));
    EXPECT_EQ(bytes(), loaded);
    while (e.Redo()) --undone;
    EXPECT_EQ(undone, 0);
    ObjectsToTable(objects, table);
    EXPECT_EQ(table.Format(), last);
    fs::remove(path);
}

// A value the file cannot keep (a script's alignment of 7) does not make undo endless: each
// step undoes and redoes once.
TEST(PanelEditorHistory, AValueTheFileCannotKeepStillUndoesStepByStep) {
    TEditObjectList objects = TwoLabels();
    TPanelEditor e(objects);
    auto& label = static_cast<TLabelObject&>(*objects[0]);
    label.alignment = 7;
    e.Changed();
    label.text = "later";
    e.Changed();
    int undone = 0;
    while (e.Undo() && undone < 10) ++undone;
    EXPECT_EQ(undone, 2);
    auto& restored = static_cast<TLabelObject&>(*objects[0]);
    EXPECT_EQ(restored.text, "<no text entered>");
    EXPECT_EQ(restored.alignment, 0);
    EXPECT_FALSE(e.Modified());
    EXPECT_TRUE(e.Redo());
    EXPECT_TRUE(e.Redo());
    EXPECT_EQ(static_cast<TLabelObject&>(*objects[0]).text, "later");
    EXPECT_FALSE(e.Redo());
}

} // namespace
