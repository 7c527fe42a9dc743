// TEditObject and its six control classes: the data, file fields and property rules of the
// controls of a user GUI panel, shared by the GUI file reader, runtime panels and the editor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/return_value.h"

namespace NuvixParser {

// Grid cells of an object's rectangle; a cell is kGridPixels x kGridPixels pixels.
constexpr int kGridPixels = 7;

struct TGridRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

class TEditObject {
public:
    // Called after every change of the control that a script should notice (a user's, or
    // a set property that moves a scroll bar or flips a check box).
    using TChangeHook = std::function<void(TEditObject&)>;

    virtual ~TEditObject() = default;

    // 0 label, 1 display, 2 scroll bar, 3 edit field, 4 button, 5 check box.
    virtual int TypeId() const = 0;
    // Reads the type's own fields of a GUI file row; a field the row lacks reads as empty,
    // so the reading defaults apply.
    virtual void ReadFields(std::span<const std::string> fields) = 0;
    virtual void WriteFields(std::vector<std::string>& row) const = 0;
    // Numbered properties of the script functions; false for an id the type lacks or a
    // value it refuses.
    virtual bool SetProperty(int id, const TReturnValue& value);
    // `value` arrives holding the caller's default, which a scroll bar keeps for ids it
    // does not know.
    virtual bool GetProperty(int id, TReturnValue& value) const;
    // What the editor writes into the object's outline after "<id>: ".
    virtual std::string EditorText() const = 0;

    TGridRect rect;
    std::uint32_t id = 0;

    void SetChangeHook(TChangeHook hook) { hook_ = std::move(hook); }
    // The control was changed: runs the hook (a runtime panel's sets the changed flag and
    // signals the run's GUI event).
    void NotifyChanged() {
        if (hook_) hook_(*this);
    }
    void SetChanged(bool changed) { changed_ = changed; }
    // True once per change: reading it clears it.
    bool TakeChanged() {
        const bool was = changed_;
        changed_ = false;
        return was;
    }
    bool Changed() const { return changed_; }

private:
    TChangeHook hook_;
    bool changed_ = false;
};

using TEditObjectPtr = std::unique_ptr<TEditObject>;
using TEditObjectList = std::vector<TEditObjectPtr>;

class TLabelObject : public TEditObject {
public:
    TLabelObject() : text("<no text entered>") {}
    int TypeId() const override { return 0; }
    void ReadFields(std::span<const std::string> fields) override;
    void WriteFields(std::vector<std::string>& row) const override;
    bool SetProperty(int id, const TReturnValue& value) override;
    bool GetProperty(int id, TReturnValue& value) const override;
    std::string EditorText() const override { return text; }

    std::string text;
    // 0 left, 1 centre, 2 right; a script may store any integer, but only these reach
    // the screen.
    std::int32_t alignment = 0;
};

class TDisplayObject final : public TLabelObject {
public:
    int TypeId() const override { return 1; }
    void ReadFields(std::span<const std::string> fields) override;
    void WriteFields(std::vector<std::string>& row) const override;

    std::int32_t fontSize = 20; // points
};

class TScrollbarObject final : public TEditObject {
public:
    int TypeId() const override { return 2; }
    void ReadFields(std::span<const std::string> fields) override;
    void WriteFields(std::vector<std::string>& row) const override;
    bool SetProperty(int id, const TReturnValue& value) override;
    bool GetProperty(int id, TReturnValue& value) const override;
    std::string EditorText() const override { return "Bar"; }

    std::int32_t minimum = 0, maximum = 100, pageSize = 10, lineSize = 1, value = 50;
    std::int32_t orientation = 0; // 0 vertical, 1 horizontal
};

class TEditControlObject final : public TEditObject {
public:
    TEditControlObject() : text("<no text>") {}
    int TypeId() const override { return 3; }
    void ReadFields(std::span<const std::string> fields) override;
    void WriteFields(std::vector<std::string>& row) const override;
    bool SetProperty(int id, const TReturnValue& value) override;
    bool GetProperty(int id, TReturnValue& value) const override;
    std::string EditorText() const override { return text; }

    std::string text;
    std::int32_t alignment = 0; // as a label's
};

class TButtonObject final : public TEditObject {
public:
    TButtonObject() : text("Button") {}
    int TypeId() const override { return 4; }
    void ReadFields(std::span<const std::string> fields) override;
    void WriteFields(std::vector<std::string>& row) const override;
    bool SetProperty(int id, const TReturnValue& value) override;
    bool GetProperty(int id, TReturnValue& value) const override;
    std::string EditorText() const override { return text; }

    std::string text;
    bool pressed = false; // while the mouse button is held down on it
};

class TCheckboxObject final : public TEditObject {
public:
    TCheckboxObject() : text("CheckBox") {}
    int TypeId() const override { return 5; }
    void ReadFields(std::span<const std::string> fields) override;
    void WriteFields(std::vector<std::string>& row) const override;
    bool SetProperty(int id, const TReturnValue& value) override;
    bool GetProperty(int id, TReturnValue& value) const override;
    std::string EditorText() const override { return text; }

    std::string text;
    bool checked = false;
};

// How objects of one type are made: the GUI file reader and the editor create objects
// only through the table of these, indexed by type id.
struct TEditObjectCreator {
    int width;  // default size in grid cells
    int height;
    TEditObjectPtr (*create)();
};

constexpr int kEditObjectTypes = 6;
// The creator of a type id, or none for an id outside 0..5.
const TEditObjectCreator* CreatorOf(int typeId);

// Integer fields of GUI files: optional leading blanks, an optional sign and decimal
// digits, nothing after them, within the 64-bit range. False when the text is not one.
bool ParseFileInteger(std::string_view text, std::int64_t& value);

} // namespace NuvixParser
