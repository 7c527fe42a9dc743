// TPanelEditor: hit tests, the state machine of the mouse, duplicate and delete, and the
// history of snapshots.
#include "instruments/panels/panel_editor.h"

#include <algorithm>
#include <cstdlib>

#include "instruments/panels/csv_read_write.h"
#include "instruments/panels/gui_file.h"

namespace NuvixParser {

namespace {

constexpr int kHandleHalf = 3;    // handles are 6 x 6 pixels
constexpr int kNearPixels = 3;    // handles show this close to an object
constexpr int kDragPixels = 5;    // a drag starts this far (x plus y) from where it began
// Steps kept for undo; the oldest are dropped beyond it.
constexpr std::size_t kHistorySteps = 1000;

int Cell(int pixel) {
    return pixel / kGridPixels; // toward zero, as the grid's rule has it
}

// Which edges a handle moves: left, top, right, bottom.
struct THandleEdges {
    bool left, top, right, bottom;
};
constexpr THandleEdges kHandleEdges[8] = {
    {true, true, false, false},  {false, true, false, false}, {false, true, true, false},
    {true, false, false, false}, {false, false, true, false}, {true, false, false, true},
    {false, false, false, true}, {false, false, true, true},
};

} // namespace

TPixelRect ObjectPixels(const TGridRect& cells) {
    return {std::min(cells.left, cells.right) * kGridPixels, std::min(cells.top, cells.bottom) * kGridPixels,
            std::max(cells.left, cells.right) * kGridPixels, std::max(cells.top, cells.bottom) * kGridPixels};
}

TPixelRect HandleSquare(const TGridRect& cells, int handle) {
    const int l = cells.left * kGridPixels, t = cells.top * kGridPixels;
    const int r = cells.right * kGridPixels, b = cells.bottom * kGridPixels;
    const int xs[3] = {l, (l + r) / 2, r}, ys[3] = {t, (t + b) / 2, b};
    // Handle number -> column and row of the 3 x 3 points (the middle one has none).
    constexpr int kColumn[8] = {0, 1, 2, 0, 2, 0, 1, 2}, kRow[8] = {0, 0, 0, 1, 1, 2, 2, 2};
    const int x = xs[kColumn[handle]], y = ys[kRow[handle]];
    return {x - kHandleHalf, y - kHandleHalf, x + kHandleHalf, y + kHandleHalf};
}

int HitTest(const TGridRect& cells, TPixel p) {
    for (int h = 0; h < 8; ++h)
        if (HandleSquare(cells, h).Contains(p)) return h;
    return ObjectPixels(cells).Contains(p) ? kHandleInside : kHandleNone;
}

bool IsNear(const TGridRect& cells, TPixel p) {
    TPixelRect r = ObjectPixels(cells);
    r = {r.left - kNearPixels, r.top - kNearPixels, r.right + kNearPixels, r.bottom + kNearPixels};
    return r.Contains(p);
}

TPointerShape ShapeOfHandle(int handle) {
    constexpr TPointerShape kShapes[10] = {
        TPointerShape::NwSe,       TPointerShape::Vertical, TPointerShape::NeSw, TPointerShape::Horizontal,
        TPointerShape::Horizontal, TPointerShape::NeSw,     TPointerShape::Vertical, TPointerShape::NwSe,
        TPointerShape::Move,       TPointerShape::Normal,
    };
    return handle >= 0 && handle <= kHandleNone ? kShapes[handle] : TPointerShape::Normal;
}

TPanelEditor::TPanelEditor(TEditObjectList& objects) : objects_(objects) {
    Reset();
}

void TPanelEditor::Reset() {
    state_ = TEditState::Idle;
    ClearMarks();
    placing_ = nullptr;
    undo_.clear();
    redo_.clear();
    current_ = saved_ = Snapshot();
}

void TPanelEditor::ClearMarks() {
    selection_.clear();
    band_.clear();
    near_.clear();
    dragged_ = nullptr;
}

std::uint32_t TPanelEditor::FreeId() const {
    std::unordered_set<std::uint32_t> used;
    for (const TEditObjectPtr& o : objects_) used.insert(o->id);
    std::uint32_t id = 1;
    while (used.count(id)) ++id;
    return id;
}

TPixelRect TPanelEditor::PlacingOutline() const {
    if (!placing_) return {};
    return {pointerAt_.x, pointerAt_.y, pointerAt_.x + placing_->width * kGridPixels,
            pointerAt_.y + placing_->height * kGridPixels};
}

TPixelRect TPanelEditor::BandRect() const {
    return {std::min(anchor_.x, pointerAt_.x), std::min(anchor_.y, pointerAt_.y), std::max(anchor_.x, pointerAt_.x),
            std::max(anchor_.y, pointerAt_.y)};
}

// ---- events -----------------------------------------------------------------------------

void TPanelEditor::NewObject(int typeId, TPixel pointer) {
    const TEditObjectCreator* creator = CreatorOf(typeId);
    if (!creator || (state_ != TEditState::Idle && state_ != TEditState::Selection)) return;
    ClearMarks();
    placing_ = creator;
    pointerAt_ = pointer;
    state_ = TEditState::Placing;
}

// Idle: the first object hit (in list order) is moved by its inside or resized by a
// handle; empty space starts a band.
void TPanelEditor::DownAsIdle(TPixel p) {
    for (const TEditObjectPtr& o : objects_) {
        const int hit = HitTest(o->rect, p);
        if (hit == kHandleNone) continue;
        dragged_ = o.get();
        startRect_ = o->rect;
        dragHandle_ = hit;
        anchor_ = p;
        state_ = hit == kHandleInside ? TEditState::PendingMove : TEditState::Resizing;
        return;
    }
    selection_.clear();
    anchor_ = p;
    pointerAt_ = p;
    state_ = TEditState::PendingBand;
}

TEditEffect TPanelEditor::MouseDown(TPixel p, TMouseButton button, bool doubleClick) {
    TEditEffect effect;
    if (state_ == TEditState::Placing) {
        if (button == TMouseButton::Left) {
            TEditObjectPtr o = placing_->create();
            o->id = FreeId();
            o->rect = {Cell(p.x), Cell(p.y), Cell(p.x) + placing_->width, Cell(p.y) + placing_->height};
            objects_.push_back(std::move(o));
        }
        placing_ = nullptr;
        state_ = TEditState::Idle;
        Checkpoint();
        return effect;
    }
    if (button != TMouseButton::Left || state_ == TEditState::Test || state_ == TEditState::Runtime) return effect;
    // The copies of a duplicate follow the mouse until the button comes up again.
    if (state_ == TEditState::MovingSelection) return effect;
    effect.closeDialog = true;
    if (state_ == TEditState::Selection) {
        TEditObject* single = nullptr;
        if (selection_.size() == 1)
            for (const TEditObjectPtr& o : objects_)
                if (Selected(o.get())) single = o.get();
        if (doubleClick && single && HitTest(single->rect, p) != kHandleNone) {
            effect.openDialog = single;
            selection_.clear();
            state_ = TEditState::Idle;
            return effect;
        }
        for (const TEditObjectPtr& o : objects_) {
            if (Selected(o.get()) && ObjectPixels(o->rect).Contains(p)) {
                anchor_ = {Cell(p.x), Cell(p.y)};
                pointer_ = TPointerShape::Move;
                state_ = TEditState::MovingSelection;
                return effect;
            }
        }
        selection_.clear();
        state_ = TEditState::Idle;
    }
    if (state_ == TEditState::Idle) DownAsIdle(p);
    return effect;
}

void TPanelEditor::HoverAt(TPixel p) {
    near_.clear();
    pointer_ = TPointerShape::Normal;
    for (const TEditObjectPtr& o : objects_) {
        if (!IsNear(o->rect, p)) continue;
        if (near_.empty()) pointer_ = ShapeOfHandle(HitTest(o->rect, p));
        near_.insert(o.get());
    }
}

void TPanelEditor::DragTo(TPixel p) {
    TGridRect r = startRect_;
    if (dragHandle_ == kHandleInside) {
        const int dx = (p.x - anchor_.x) / kGridPixels, dy = (p.y - anchor_.y) / kGridPixels;
        r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    } else {
        // The edges go to the cell under the pointer: no minimum size, no reordering.
        const THandleEdges& e = kHandleEdges[dragHandle_];
        if (e.left) r.left = Cell(p.x);
        if (e.top) r.top = Cell(p.y);
        if (e.right) r.right = Cell(p.x);
        if (e.bottom) r.bottom = Cell(p.y);
    }
    dragged_->rect = r;
}

void TPanelEditor::ShiftSelectionTo(TPixel p) {
    const TPixel cell{Cell(p.x), Cell(p.y)};
    const int dx = cell.x - anchor_.x, dy = cell.y - anchor_.y;
    if (dx == 0 && dy == 0) return;
    for (const TEditObjectPtr& o : objects_) {
        if (!Selected(o.get())) continue;
        o->rect = {o->rect.left + dx, o->rect.top + dy, o->rect.right + dx, o->rect.bottom + dy};
    }
    anchor_ = cell;
}

void TPanelEditor::MouseMove(TPixel p, bool leftHeld) {
    switch (state_) {
    case TEditState::Placing:
        pointerAt_ = p;
        break;
    case TEditState::Idle:
        HoverAt(p);
        break;
    case TEditState::PendingMove:
        if (std::abs(p.x - anchor_.x) + std::abs(p.y - anchor_.y) >= kDragPixels) {
            state_ = TEditState::Moving;
            DragTo(p);
        }
        break;
    case TEditState::Moving:
    case TEditState::Resizing:
        if (leftHeld)
            DragTo(p);
        else
            MouseUp(p, TMouseButton::Left);
        break;
    case TEditState::PendingBand:
    case TEditState::Band: {
        pointerAt_ = p;
        if (state_ == TEditState::PendingBand &&
            std::abs(p.x - anchor_.x) + std::abs(p.y - anchor_.y) < kDragPixels)
            break;
        state_ = TEditState::Band;
        // Objects wholly inside the band, in whole cells.
        const TPixelRect band = BandRect();
        const int l = Cell(band.left), t = Cell(band.top), r = Cell(band.right), b = Cell(band.bottom);
        band_.clear();
        for (const TEditObjectPtr& o : objects_) {
            const TPixelRect cells = ObjectPixels(o->rect);
            if (cells.left / kGridPixels >= l && cells.top / kGridPixels >= t && cells.right / kGridPixels <= r &&
                cells.bottom / kGridPixels <= b)
                band_.insert(o.get());
        }
        break;
    }
    case TEditState::MovingSelection:
        ShiftSelectionTo(p);
        break;
    default:
        break;
    }
}

void TPanelEditor::MouseUp(TPixel p, TMouseButton button) {
    if (button != TMouseButton::Left) return;
    switch (state_) {
    case TEditState::PendingMove:
        state_ = TEditState::Idle;
        for (const TEditObjectPtr& o : objects_) {
            if (HitTest(o->rect, p) == kHandleNone) continue;
            selection_.insert(o.get());
            state_ = TEditState::Selection;
            near_.clear();
            break;
        }
        dragged_ = nullptr;
        break;
    case TEditState::Moving:
    case TEditState::Resizing:
        DragTo(p);
        dragged_ = nullptr;
        state_ = TEditState::Idle;
        Checkpoint();
        break;
    case TEditState::PendingBand:
        state_ = TEditState::Idle;
        break;
    case TEditState::Band:
        selection_ = std::move(band_);
        band_.clear();
        state_ = TEditState::Selection;
        break;
    case TEditState::MovingSelection:
        ShiftSelectionTo(p);
        state_ = TEditState::Selection;
        pointer_ = TPointerShape::Normal;
        Checkpoint();
        break;
    default:
        break;
    }
}

void TPanelEditor::MouseLeave() {
    if (state_ == TEditState::Moving || state_ == TEditState::Resizing) {
        dragged_->rect = startRect_;
        dragged_ = nullptr;
        state_ = TEditState::Idle;
    } else {
        CancelPlacing();
    }
}

void TPanelEditor::CancelPlacing() {
    if (state_ != TEditState::Placing) return;
    placing_ = nullptr;
    state_ = TEditState::Idle;
}

void TPanelEditor::Duplicate() {
    if (state_ != TEditState::Selection) return;
    std::uint32_t id = 1;
    for (const TEditObjectPtr& o : objects_) id = std::max(id, o->id);
    TEditObjectList copies;
    for (const TEditObjectPtr& o : objects_) {
        if (!Selected(o.get())) continue;
        TEditObjectPtr copy = CreatorOf(o->TypeId())->create();
        copy->rect = o->rect;
        copy->id = ++id;
        std::vector<std::string> fields;
        o->WriteFields(fields);
        copy->ReadFields(fields);
        copies.push_back(std::move(copy));
    }
    if (copies.empty()) return; // a band that caught nothing
    selection_.clear();
    anchor_ = {copies.front()->rect.left, copies.front()->rect.top};
    for (TEditObjectPtr& copy : copies) {
        anchor_ = {std::min(anchor_.x, copy->rect.left), std::min(anchor_.y, copy->rect.top)};
        selection_.insert(copy.get());
        objects_.push_back(std::move(copy));
    }
    pointer_ = TPointerShape::Move;
    state_ = TEditState::MovingSelection;
}

void TPanelEditor::Delete() {
    if (state_ != TEditState::Selection) return;
    std::erase_if(objects_, [this](const TEditObjectPtr& o) { return Selected(o.get()); });
    ClearMarks();
    state_ = TEditState::Idle;
    Checkpoint();
}

void TPanelEditor::ToggleTest() {
    if (state_ == TEditState::Runtime) return;
    if (state_ == TEditState::Test) {
        state_ = TEditState::Idle;
        return;
    }
    // A drag in progress ends where it is now.
    if (state_ == TEditState::Moving || state_ == TEditState::Resizing || state_ == TEditState::MovingSelection)
        Checkpoint();
    ClearMarks();
    placing_ = nullptr;
    state_ = TEditState::Test;
}

void TPanelEditor::Nudge(int dx, int dy, bool resize) {
    if (state_ != TEditState::Selection) return;
    for (const TEditObjectPtr& o : objects_) {
        if (!Selected(o.get())) continue;
        TGridRect& r = o->rect;
        if (!resize) r.left += dx, r.top += dy;
        r.right += dx;
        r.bottom += dy;
    }
    Checkpoint();
}

// ---- history ------------------------------------------------------------------------------

// A snapshot is the GUI file the objects would be saved as: restoring one gives the same
// bytes on the next save.
std::string TPanelEditor::Snapshot() const {
    TCSVReadWrite table;
    ObjectsToTable(objects_, table);
    return table.Format();
}

void TPanelEditor::Checkpoint() {
    std::string now = Snapshot();
    if (now == current_) return;
    undo_.push_back(std::move(current_));
    if (undo_.size() > kHistorySteps) undo_.erase(undo_.begin());
    redo_.clear();
    current_ = std::move(now);
}

void TPanelEditor::Restore(const std::string& snapshot) {
    TCSVReadWrite table;
    table.Parse(snapshot);
    ObjectsFromTable(table, "", objects_);
    // What the objects now write, which is the snapshot unless it held a value the file
    // cannot keep (a script's alignment of 7 reads back as 0).
    current_ = Snapshot();
    ClearMarks();
    placing_ = nullptr;
    if (state_ != TEditState::Test) state_ = TEditState::Idle;
    ++generation_;
}

bool TPanelEditor::Undo() {
    if (state_ == TEditState::Runtime) return false;
    // A change in progress (a drag) is finished first, so it is what is undone.
    Checkpoint();
    if (undo_.empty()) return false;
    redo_.push_back(current_);
    std::string back = std::move(undo_.back());
    undo_.pop_back();
    Restore(back);
    return true;
}

bool TPanelEditor::Redo() {
    if (redo_.empty() || state_ == TEditState::Runtime) return false;
    undo_.push_back(current_);
    std::string forward = std::move(redo_.back());
    redo_.pop_back();
    Restore(forward);
    return true;
}

} // namespace NuvixParser
