// TPanelEditor: the GUI editor's states, its mouse and key rules and its undo history, over
// a panel's object list, in pixels of the drawing area (no Qt).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "instruments/panels/edit_object.h"

namespace NuvixParser {

struct TPixel {
    int x = 0, y = 0;
    friend bool operator==(const TPixel&, const TPixel&) = default;
};

// A rectangle of pixels, right and bottom exclusive.
struct TPixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(TPixel p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

// The pixels of a grid rectangle, normalised: an object whose right edge was dragged past
// its left keeps its edges, but is drawn and hit where it covers the screen.
TPixelRect ObjectPixels(const TGridRect& cells);

// Handles: 0 top left, 1 top middle, 2 top right, 3 middle left, 4 middle right,
// 5 bottom left, 6 bottom middle, 7 bottom right; 6 x 6 pixel squares centred on the
// points of the object's edges (where each edge is, also when the rectangle is inverted).
constexpr int kHandleInside = 8;
constexpr int kHandleNone = 9;
TPixelRect HandleSquare(const TGridRect& cells, int handle);
// The first handle whose square holds `p`, else kHandleInside inside the object, else
// kHandleNone.
int HitTest(const TGridRect& cells, TPixel p);
// Within 3 pixels of the object: its handles show.
bool IsNear(const TGridRect& cells, TPixel p);

enum class TEditState {
    Idle,            // nothing in progress; hovering shows handles
    Placing,         // a new object's outline follows the mouse
    PendingMove,     // the button went down on an object, not yet dragged
    Moving,          // one object is dragged
    Resizing,        // one object is resized by a handle
    Test,            // the objects are live controls
    PendingBand,     // the button went down on empty space
    Band,            // a rubber band is drawn
    Selection,       // objects are selected
    MovingSelection, // the selected objects follow the mouse
    Runtime,         // a runtime panel: no editing, for good
};

// The pointer's shape over the drawing area.
enum class TPointerShape { Normal, Move, NwSe, NeSw, Vertical, Horizontal };
TPointerShape ShapeOfHandle(int handle);

enum class TMouseButton { Left, Other };

// Every event answers what the view must do besides redrawing.
struct TEditEffect {
    bool closeDialog = false;           // destroy an open parameter dialog first
    TEditObject* openDialog = nullptr;  // open this object's parameter dialog
};

class TPanelEditor {
public:
    // `objects` (the panel's, owned by its holder) is what the editor edits; it must
    // outlive the editor.
    explicit TPanelEditor(TEditObjectList& objects);

    // After the objects were loaded: state idle, nothing selected, no history, saved.
    void Reset();
    // The runtime panel's state, which no event leaves.
    void EnterRuntime() { state_ = TEditState::Runtime; }

    // ---- events ----
    // One of the six New buttons (type id), in states idle and selection.
    void NewObject(int typeId, TPixel pointer);
    TEditEffect MouseDown(TPixel p, TMouseButton button, bool doubleClick);
    void MouseMove(TPixel p, bool leftHeld);
    void MouseUp(TPixel p, TMouseButton button);
    void MouseLeave();
    // The New button that is down was clicked again: placing ends without an object.
    void CancelPlacing();
    // Copies of the selection with new ids that then follow the mouse until a click.
    void Duplicate();
    void Delete();
    // Into the test state and out of it (the view realises and unrealises the objects).
    void ToggleTest();
    // Moves the selection by whole cells; with `resize` moves its right and bottom edges.
    void Nudge(int dx, int dy, bool resize);
    // The objects changed outside the editor's events (a parameter dialog, a live control
    // in the test state): one step of the history.
    void Changed() { Checkpoint(); }

    // ---- history ----
    // Each completed edit is one step. Undo and redo replace the objects (the old
    // pointers die): the selection is emptied and Generation() counts up.
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    bool Undo();
    bool Redo();
    unsigned Generation() const { return generation_; }
    // Whether the objects differ from the file as last loaded or saved.
    bool Modified() const { return current_ != saved_; }
    void MarkSaved() { saved_ = current_; }

    // ---- what the view shows ----
    TEditState State() const { return state_; }
    bool Selected(const TEditObject* o) const { return selection_.count(o) != 0; }
    bool InBand(const TEditObject* o) const { return band_.count(o) != 0; }
    bool ShowsHandles(const TEditObject* o) const { return near_.count(o) != 0; }
    std::size_t SelectionSize() const { return selection_.size(); }
    // State placing: the type id being placed; else -1.
    int PlacingType() const { return placing_ ? static_cast<int>(placing_ - CreatorOf(0)) : -1; }
    // State placing: the outline of the new object (pixels).
    TPixelRect PlacingOutline() const;
    // State band: the band, normalised (pixels).
    TPixelRect BandRect() const;
    TPointerShape Pointer() const { return pointer_; }
    const TEditObjectList& Objects() const { return objects_; }

    // The smallest positive id no object has.
    std::uint32_t FreeId() const;

private:
    void Checkpoint();
    void Restore(const std::string& snapshot);
    std::string Snapshot() const;
    void ClearMarks();
    void DragTo(TPixel p);
    void ShiftSelectionTo(TPixel p);
    void HoverAt(TPixel p);
    void DownAsIdle(TPixel p);

    TEditObjectList& objects_;
    TEditState state_ = TEditState::Idle;
    std::unordered_set<const TEditObject*> selection_, band_, near_;
    const TEditObjectCreator* placing_ = nullptr;
    TPixel pointerAt_;   // last pointer position (placing outline, band end)
    TPixel anchor_;      // drag start in pixels; grid cell while moving a selection
    TGridRect startRect_;
    TEditObject* dragged_ = nullptr;
    int dragHandle_ = kHandleNone;
    TPointerShape pointer_ = TPointerShape::Normal;

    std::vector<std::string> undo_, redo_;
    std::string current_, saved_;
    unsigned generation_ = 0;
};

} // namespace NuvixParser
