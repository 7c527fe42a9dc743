// Helpers for text functions that evaluate their own arguments, to work on texts in place.
#pragma once

#include <string>
#include <string_view>

#include "engine/calc_info.h"
#include "engine/conversions.h"
#include "engine/function.h"
#include "engine/return_value.h"

namespace NuvixParser {

// Turns a value into its text reading in place (a number becomes its 15-digit text), so a
// function can cut or extend the text where it already lies.
inline void MakeText(TReturnValue& v) {
    if (v.isString) return;
    v.text.clear();
    AppendNumber(v.text, v.number);
    v.isString = true;
}

// The text reading of a value without copying a text: a number is formatted into `buffer`.
inline std::string_view TextView(const TReturnValue& v, std::string& buffer) {
    if (v.isString) return v.text;
    buffer.clear();
    AppendNumber(buffer, v.number);
    return buffer;
}

// The slot to evaluate a later argument into. A call can be reached again from inside its
// own argument (a recursive user function), and the inner evaluation may even write its
// result into the very slot the outer one is filling; so a re-entered evaluation gets a
// slot of its own, and the function's value slot (whose text capacity is reused from call
// to call) serves the outermost one. Counts as an evaluation in progress while it lives.
class TArgumentSlot {
public:
    TArgumentSlot(int& filling, TReturnValue& slot) : value_(filling > 0 ? own_ : slot), count_(filling) {}
    TArgumentSlot(const TArgumentSlot&) = delete;
    TArgumentSlot& operator=(const TArgumentSlot&) = delete;

    TReturnValue& Value() { return value_; }

private:
    TReturnValue own_;
    TReturnValue& value_;
    TFillCount count_;
};

// The first argument read as text into `result`, where the step cuts or extends it in
// place, then the second argument into `slot`; false after an error.
inline bool ReadTextAndNext(const TFunction& f, TCalcInfo& ci, TReturnValue& result, TArgumentSlot& slot) {
    f.Arg(0)->Evaluate(ci, result);
    if (ci.error) return false;
    MakeText(result);
    f.Arg(1)->Evaluate(ci, slot.Value());
    return !ci.error;
}

} // namespace NuvixParser
