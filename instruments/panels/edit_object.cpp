// The control objects: reading rules of their file fields, their properties, their creators.
#include "instruments/panels/edit_object.h"

#include <limits>

namespace NuvixParser {

bool ParseFileInteger(std::string_view text, std::int64_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    // Accumulated as a negative number, whose range holds the magnitude of INT64_MIN.
    std::int64_t n = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        const int digit = c - '0';
        if (n < (std::numeric_limits<std::int64_t>::min() + digit) / 10) return false;
        n = n * 10 - digit;
    }
    if (!negative) {
        if (n == std::numeric_limits<std::int64_t>::min()) return false;
        n = -n;
    }
    value = n;
    return true;
}

namespace {

// A type field of a row: empty when the row ends before it.
std::string_view FieldAt(std::span<const std::string> fields, std::size_t i) {
    return i < fields.size() ? std::string_view(fields[i]) : std::string_view();
}

// The rule of every numeric type field: a signed 32-bit integer, else `fallback`.
std::int32_t IntField(std::span<const std::string> fields, std::size_t i, std::int32_t fallback) {
    std::int64_t v = 0;
    if (!ParseFileInteger(FieldAt(fields, i), v) || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return fallback;
    return static_cast<std::int32_t>(v);
}

std::int32_t AlignmentField(std::span<const std::string> fields, std::size_t i) {
    const std::int32_t a = IntField(fields, i, 0);
    return a >= 0 && a <= 2 ? a : 0;
}

bool ValidAlignment(std::int32_t a) {
    return a >= 0 && a <= 2;
}

// Alignment properties keep what a script sets, also a number the screen cannot show:
// reading it back tells the script what it set, and the failure tells it was refused.
bool SetAlignment(std::int32_t& alignment, const TReturnValue& value) {
    alignment = value.GetInt();
    return ValidAlignment(alignment);
}

// Property 0 (the text) and 1 (the alignment) of the controls that show a text: labels,
// displays and edit fields.
bool GetTextOrAlignment(int id, const std::string& text, std::int32_t alignment, TReturnValue& value) {
    switch (id) {
    case 0:
        value.SetString(text);
        return true;
    case 1:
        value.SetNumber(alignment);
        return true;
    default:
        return false;
    }
}

} // namespace

bool TEditObject::SetProperty(int, const TReturnValue&) {
    return false;
}

bool TEditObject::GetProperty(int, TReturnValue&) const {
    return false;
}

// --- label, display ----------------------------------------------------------------------

void TLabelObject::ReadFields(std::span<const std::string> fields) {
    text = std::string(FieldAt(fields, 0));
    alignment = AlignmentField(fields, 1);
}

void TLabelObject::WriteFields(std::vector<std::string>& row) const {
    row.push_back(text);
    row.push_back(std::to_string(alignment));
}

bool TLabelObject::SetProperty(int id, const TReturnValue& value) {
    switch (id) {
    case 0:
        text = value.ToString();
        return true;
    case 1:
        return SetAlignment(alignment, value);
    default:
        return false;
    }
}

bool TLabelObject::GetProperty(int id, TReturnValue& value) const {
    return GetTextOrAlignment(id, text, alignment, value);
}

void TDisplayObject::ReadFields(std::span<const std::string> fields) {
    TLabelObject::ReadFields(fields);
    fontSize = IntField(fields, 2, 16);
}

void TDisplayObject::WriteFields(std::vector<std::string>& row) const {
    TLabelObject::WriteFields(row);
    row.push_back(std::to_string(fontSize));
}

// --- scroll bar ----------------------------------------------------------------------------

void TScrollbarObject::ReadFields(std::span<const std::string> fields) {
    minimum = IntField(fields, 0, 0);
    maximum = IntField(fields, 1, 10);
    pageSize = IntField(fields, 2, 5);
    lineSize = IntField(fields, 3, 1);
    value = IntField(fields, 4, minimum);
    const std::int32_t o = IntField(fields, 5, 0);
    orientation = o == 0 || o == 1 ? o : 0;
}

void TScrollbarObject::WriteFields(std::vector<std::string>& row) const {
    for (std::int32_t v : {minimum, maximum, pageSize, lineSize, value, orientation}) row.push_back(std::to_string(v));
}

bool TScrollbarObject::SetProperty(int id, const TReturnValue& v) {
    const std::int32_t n = v.GetInt();
    switch (id) {
    case 0:
        // Moving the bar is a change the script hears of, whoever moved it.
        if (n != value) {
            value = n;
            NotifyChanged();
        }
        return true;
    case 1:
        minimum = n;
        return true;
    case 2:
        maximum = n;
        return true;
    case 3:
        pageSize = n;
        return true;
    case 4:
        lineSize = n;
        return true;
    default:
        return false;
    }
}

bool TScrollbarObject::GetProperty(int id, TReturnValue& v) const {
    switch (id) {
    case 0:
        v.SetNumber(value);
        break;
    case 1:
        v.SetNumber(minimum);
        break;
    case 2:
        v.SetNumber(maximum);
        break;
    case 3:
        v.SetNumber(pageSize);
        break;
    case 4:
        v.SetNumber(lineSize);
        break;
    default:
        break; // any other id succeeds with the caller's default
    }
    return true;
}

// --- edit field ----------------------------------------------------------------------------

void TEditControlObject::ReadFields(std::span<const std::string> fields) {
    text = std::string(FieldAt(fields, 0));
    alignment = AlignmentField(fields, 1);
}

void TEditControlObject::WriteFields(std::vector<std::string>& row) const {
    row.push_back(text);
    row.push_back(std::to_string(alignment));
}

bool TEditControlObject::SetProperty(int id, const TReturnValue& value) {
    switch (id) {
    case 0:
        // The script's text replaces whatever the user committed before it.
        text = value.ToString();
        SetChanged(false);
        return true;
    case 1:
        return SetAlignment(alignment, value);
    default:
        return false;
    }
}

bool TEditControlObject::GetProperty(int id, TReturnValue& value) const {
    return GetTextOrAlignment(id, text, alignment, value);
}

// --- button --------------------------------------------------------------------------------

void TButtonObject::ReadFields(std::span<const std::string> fields) {
    text = std::string(FieldAt(fields, 0));
}

void TButtonObject::WriteFields(std::vector<std::string>& row) const {
    row.push_back(text);
}

bool TButtonObject::SetProperty(int id, const TReturnValue& value) {
    if (id != 0) return false; // the pressed state belongs to the user's mouse
    text = value.ToString();
    return true;
}

bool TButtonObject::GetProperty(int id, TReturnValue& value) const {
    switch (id) {
    case 0:
        value.SetString(text);
        return true;
    case 1:
        value.SetNumber(pressed ? 1 : 0);
        return true;
    default:
        return false;
    }
}

// --- check box -----------------------------------------------------------------------------

void TCheckboxObject::ReadFields(std::span<const std::string> fields) {
    text = std::string(FieldAt(fields, 0));
    checked = FieldAt(fields, 1) == "checked";
}

void TCheckboxObject::WriteFields(std::vector<std::string>& row) const {
    row.push_back(text);
    row.push_back(checked ? "checked" : "unchecked");
}

bool TCheckboxObject::SetProperty(int id, const TReturnValue& value) {
    switch (id) {
    case 0:
        text = value.ToString();
        return true;
    case 1: {
        const bool now = value.GetInt() != 0;
        if (now != checked) {
            checked = now;
            NotifyChanged();
        }
        return true;
    }
    default:
        return false;
    }
}

bool TCheckboxObject::GetProperty(int id, TReturnValue& value) const {
    switch (id) {
    case 0:
        value.SetString(text);
        return true;
    case 1:
        value.SetNumber(checked ? -1 : 0);
        return true;
    default:
        return false;
    }
}

// --- creators ------------------------------------------------------------------------------

namespace {

template <class T> TEditObjectPtr Create() {
    return std::make_unique<T>();
}

// Indexed by type id.
constexpr TEditObjectCreator kCreators[kEditObjectTypes] = {
    {20, 2, &Create<TLabelObject>},       {20, 5, &Create<TDisplayObject>},
    {5, 25, &Create<TScrollbarObject>},   {30, 3, &Create<TEditControlObject>},
    {15, 4, &Create<TButtonObject>},      {15, 2, &Create<TCheckboxObject>},
};

} // namespace

const TEditObjectCreator* CreatorOf(int typeId) {
    return typeId >= 0 && typeId < kEditObjectTypes ? &kCreators[typeId] : nullptr;
}

} // namespace NuvixParser
