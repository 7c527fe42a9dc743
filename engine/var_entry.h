// Variable entries: TVarEntry holds one value, TArrayEntry an array of doubles.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace NuvixParser {

class TVarHandler;

// What a variable entry holds: one value (TVarEntry) or an array of doubles (TArrayEntry).
enum class TEntryKind : unsigned char { Scalar, Array };

// One saved local of a user function frame (PushFrame/PopFrame). Slots are reused from
// call to call, so saving and restoring moves strings and buffers without allocating.
struct TFrameSlot;

class TVarEntryBase {
public:
    TVarEntryBase(std::string name, TEntryKind kind) : name_(std::move(name)), kind_(kind) {}
    TVarEntryBase(const TVarEntryBase&) = delete;
    TVarEntryBase& operator=(const TVarEntryBase&) = delete;
    virtual ~TVarEntryBase() = default;

    // Fixed by the entry's class, and known without a virtual call (the frame path asks).
    TEntryKind Kind() const { return kind_; }
    bool IsScalar() const { return kind_ == TEntryKind::Scalar; }
    // A new entry of the same name that holds this entry's value; this one is left empty.
    virtual std::unique_ptr<TVarEntryBase> TakeValue() = 0;
    virtual std::unique_ptr<TVarEntryBase> Clone() const = 0;
    virtual void Clear() = 0;
    // Takes over the value of an entry of the same kind (true); another kind gives false
    // and leaves this entry as it was. `other` is consumed either way.
    virtual bool Assign(std::unique_ptr<TVarEntryBase> other) = 0;

    virtual void SaveTo(TFrameSlot& slot) = 0;      // like TakeValue, into a reusable slot
    virtual void RestoreFrom(TFrameSlot& slot) = 0; // like Assign from that slot

    const std::string& Name() const { return name_; }

    // The stores that use a global entry; ordered, no duplicates.
    std::vector<const TVarHandler*> users;
    void AddUser(const TVarHandler* store);
    void RemoveUser(const TVarHandler* store);
    bool HasUser(const TVarHandler* store) const;

private:
    std::string name_;
    TEntryKind kind_;
};

class TVarEntry final : public TVarEntryBase {
public:
    static constexpr TEntryKind kKind = TEntryKind::Scalar;
    explicit TVarEntry(std::string name) : TVarEntryBase(std::move(name), kKind) {}

    double number = 0;
    std::string text;
    bool hasValue = false;
    bool isString = false;

    std::unique_ptr<TVarEntryBase> TakeValue() override;
    std::unique_ptr<TVarEntryBase> Clone() const override;
    void Clear() override;
    bool Assign(std::unique_ptr<TVarEntryBase> other) override;
    void SaveTo(TFrameSlot& slot) override;
    void RestoreFrom(TFrameSlot& slot) override;
    // The bodies of SaveTo and RestoreFrom, for callers that know the kind.
    inline void SaveScalar(TFrameSlot& slot);
    inline void RestoreScalar(TFrameSlot& slot);

    void SetNumber(double v) {
        number = v;
        if (!text.empty()) text.clear();
        isString = false;
        hasValue = true;
    }
    // Also stores the numeric reading of the text as the number.
    void SetString(std::string_view s);
    void SetString(std::string&& s);
    // Appends to the text this entry holds (call only when isString).
    void AppendString(std::string_view s);
};

// Owned storage of an array: malloc'ed so that growth can realloc in place.
struct TFreeDeleter {
    void operator()(double* p) const { std::free(p); }
};
using TElementBuffer = std::unique_ptr<double[], TFreeDeleter>;

class TArrayEntry final : public TVarEntryBase {
public:
    static constexpr TEntryKind kKind = TEntryKind::Array;
    explicit TArrayEntry(std::string name) : TVarEntryBase(std::move(name), kKind) {}

    // The element count above which an array does not grow (2 GiB of doubles); a store
    // beyond it fails like a store at a negative index instead of exhausting memory.
    static constexpr std::int64_t kMaxElements = std::int64_t{1} << 28;

    std::unique_ptr<TVarEntryBase> TakeValue() override;
    std::unique_ptr<TVarEntryBase> Clone() const override;
    void Clear() override;
    bool Assign(std::unique_ptr<TVarEntryBase> other) override;
    void SaveTo(TFrameSlot& slot) override;
    void RestoreFrom(TFrameSlot& slot) override;

    // Capacity becomes the smallest multiple of 128 that is at least n (0 releases the
    // storage; a length above the new capacity is cut to it). False, changing nothing,
    // when n is negative or above kMaxElements.
    // An allocation failure throws std::bad_alloc, which ends the run with an error.
    bool Reserve(std::int64_t n);
    bool SetLength(std::int64_t n);
    // False for a negative index or one beyond kMaxElements; grows the array as needed.
    bool SetElement(std::int32_t i, double v) {
        if (i >= 0 && i < length_) {
            elements_[i] = v;
            return true;
        }
        return SetElementSlow(i, v);
    }
    double GetElement(std::int32_t i) const { return (i >= 0 && i < length_) ? elements_[i] : 0.0; }
    // Appends other's elements; returns the new length (unchanged when it would exceed
    // kMaxElements).
    std::int32_t Append(const TArrayEntry& other);
    // Takes over other's storage, leaving other empty.
    void MoveFrom(TArrayEntry& other);
    void CopyFrom(const TArrayEntry& other);

    std::int32_t Length() const { return length_; }
    std::int32_t Capacity() const { return capacity_; }
    double* Data() { return elements_.get(); }
    const double* Data() const { return elements_.get(); }

private:
    bool SetElementSlow(std::int32_t i, double v);
    // Grows the capacity for at least n elements, by half again at least, so that filling
    // an array element by element costs linear time.
    bool Grow(std::int64_t n);
    TElementBuffer elements_;
    std::int32_t length_ = 0;
    std::int32_t capacity_ = 0;
};

struct TFrameSlot {
    double number = 0;
    std::string text;
    bool hasValue = false;
    bool isString = false;
    TElementBuffer elements;
    std::int32_t length = 0;
    std::int32_t capacity = 0;
    TEntryKind kind = TEntryKind::Scalar; // of the entry saved here
};

// A slot's text is always empty when it is saved to (PopFrame empties it), so texts are
// swapped only when there is one: a number parameter saves and restores without touching
// either string.
inline void TVarEntry::SaveScalar(TFrameSlot& slot) {
    slot.kind = kKind;
    slot.number = number;
    if (!text.empty()) slot.text.swap(text); // the entry gets the slot's empty buffer
    slot.hasValue = hasValue;
    slot.isString = isString;
    number = 0;
    hasValue = false;
    isString = false;
}

inline void TVarEntry::RestoreScalar(TFrameSlot& slot) {
    if (slot.kind != kKind) return;
    number = slot.number;
    if (!text.empty() || !slot.text.empty()) text.swap(slot.text);
    hasValue = slot.hasValue;
    isString = slot.isString;
}

} // namespace NuvixParser
