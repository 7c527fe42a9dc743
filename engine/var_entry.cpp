// Variable entries and the growth rules of arrays.
#include "engine/var_entry.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/conversions.h"

namespace NuvixParser {
namespace {

std::int64_t RoundUp128(std::int64_t n) {
    return (n + 127) / 128 * 128;
}

} // namespace

// ---- user set of global entries -------------------------------------------------------

void TVarEntryBase::AddUser(const TVarHandler* store) {
    auto it = std::lower_bound(users.begin(), users.end(), store);
    if (it == users.end() || *it != store) users.insert(it, store);
}

void TVarEntryBase::RemoveUser(const TVarHandler* store) {
    auto it = std::lower_bound(users.begin(), users.end(), store);
    if (it != users.end() && *it == store) users.erase(it);
}

bool TVarEntryBase::HasUser(const TVarHandler* store) const {
    return std::binary_search(users.begin(), users.end(), store);
}

// ---- TVarEntry --------------------------------------------------------------------------

void TVarEntry::SetString(std::string_view s) {
    text.assign(s.data(), s.size());
    number = TextToNumber(text);
    isString = true;
    hasValue = true;
}

void TVarEntry::SetString(std::string&& s) {
    text = std::move(s);
    number = TextToNumber(text);
    isString = true;
    hasValue = true;
}

void TVarEntry::AppendString(std::string_view s) {
    text.append(s.data(), s.size());
    // The numeric reading stops at the first byte that cannot continue a number, so this
    // is short unless the text is all digits.
    number = TextToNumber(text);
}

std::unique_ptr<TVarEntryBase> TVarEntry::TakeValue() {
    auto saved = std::make_unique<TVarEntry>(Name());
    saved->number = number;
    saved->text = std::move(text);
    saved->hasValue = hasValue;
    saved->isString = isString;
    Clear();
    return saved;
}

std::unique_ptr<TVarEntryBase> TVarEntry::Clone() const {
    auto copy = std::make_unique<TVarEntry>(Name());
    copy->number = number;
    copy->text = text;
    copy->hasValue = hasValue;
    copy->isString = isString;
    return copy;
}

void TVarEntry::Clear() {
    number = 0;
    text.clear();
    hasValue = false;
    isString = false;
}

bool TVarEntry::Assign(std::unique_ptr<TVarEntryBase> other) {
    if (!other || other->Kind() != kKind) return false;
    auto& o = static_cast<TVarEntry&>(*other);
    number = o.number;
    text = std::move(o.text);
    hasValue = o.hasValue;
    isString = o.isString;
    return true;
}

void TVarEntry::SaveTo(TFrameSlot& slot) {
    SaveScalar(slot);
}

void TVarEntry::RestoreFrom(TFrameSlot& slot) {
    RestoreScalar(slot);
}

// ---- TArrayEntry ------------------------------------------------------------------------

bool TArrayEntry::Reserve(std::int64_t n) {
    if (n < 0 || n > kMaxElements) return false;
    const std::int64_t c = RoundUp128(n);
    if (c == capacity_) return true;
    // Shrinking below the length drops the elements beyond the capacity, so the length
    // never exceeds the storage that exists.
    if (length_ > c) length_ = static_cast<std::int32_t>(c);
    if (c == 0) {
        elements_.reset();
        capacity_ = 0;
        return true;
    }
    double* grown;
    if (!elements_) {
        grown = static_cast<double*>(std::calloc(static_cast<std::size_t>(c), sizeof(double)));
        if (!grown) throw std::bad_alloc();
    } else {
        grown =
            static_cast<double*>(std::realloc(elements_.get(), static_cast<std::size_t>(c) * sizeof(double)));
        if (!grown) throw std::bad_alloc(); // the old storage is still owned and intact
        (void)elements_.release();
        if (c > capacity_)
            std::memset(grown + capacity_, 0, static_cast<std::size_t>(c - capacity_) * sizeof(double));
    }
    elements_.reset(grown);
    capacity_ = static_cast<std::int32_t>(c);
    return true;
}

bool TArrayEntry::SetLength(std::int64_t n) {
    if (!Reserve(n)) return false;
    length_ = static_cast<std::int32_t>(n);
    return true;
}

bool TArrayEntry::Grow(std::int64_t n) {
    if (n <= capacity_) return true;
    if (n > kMaxElements) return false;
    const std::int64_t wanted =
        std::min<std::int64_t>(std::max<std::int64_t>(n, capacity_ + capacity_ / 2), kMaxElements);
    return Reserve(wanted);
}

bool TArrayEntry::SetElementSlow(std::int32_t i, double v) {
    if (i < 0) return false;
    if (i >= length_) {
        // Slots between the old length and i that were allocated before keep their old
        // contents; newly allocated ones are 0.
        if (!Grow(std::int64_t{i} + 1)) return false;
        length_ = i + 1;
    }
    elements_[i] = v;
    return true;
}

std::int32_t TArrayEntry::Append(const TArrayEntry& other) {
    if (other.length_ <= 0) return length_;
    const std::int64_t total = std::int64_t{length_} + other.length_;
    // Appending an array to itself: the source moves with a realloc, so copy by index.
    const bool self = &other == this;
    if (!Grow(total)) return length_;
    std::memmove(elements_.get() + length_, self ? elements_.get() : other.elements_.get(),
                 static_cast<std::size_t>(other.length_) * sizeof(double));
    length_ = static_cast<std::int32_t>(total);
    return length_;
}

void TArrayEntry::MoveFrom(TArrayEntry& other) {
    if (&other == this) return;
    elements_ = std::move(other.elements_);
    length_ = other.length_;
    capacity_ = other.capacity_;
    other.length_ = 0;
    other.capacity_ = 0;
}

void TArrayEntry::CopyFrom(const TArrayEntry& other) {
    if (&other == this) return;
    Clear();
    if (other.capacity_ == 0) return;
    double* copy =
        static_cast<double*>(std::calloc(static_cast<std::size_t>(other.capacity_), sizeof(double)));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, other.elements_.get(), static_cast<std::size_t>(other.length_) * sizeof(double));
    elements_.reset(copy);
    length_ = other.length_;
    capacity_ = other.capacity_;
}

std::unique_ptr<TVarEntryBase> TArrayEntry::TakeValue() {
    auto saved = std::make_unique<TArrayEntry>(Name());
    saved->MoveFrom(*this);
    return saved;
}

std::unique_ptr<TVarEntryBase> TArrayEntry::Clone() const {
    auto copy = std::make_unique<TArrayEntry>(Name());
    copy->CopyFrom(*this);
    return copy;
}

void TArrayEntry::Clear() {
    elements_.reset();
    length_ = 0;
    capacity_ = 0;
}

bool TArrayEntry::Assign(std::unique_ptr<TVarEntryBase> other) {
    if (!other || other->Kind() != kKind) return false;
    MoveFrom(static_cast<TArrayEntry&>(*other));
    return true;
}

void TArrayEntry::SaveTo(TFrameSlot& slot) {
    slot.kind = kKind;
    slot.elements = std::move(elements_);
    slot.length = length_;
    slot.capacity = capacity_;
    length_ = 0;
    capacity_ = 0;
}

void TArrayEntry::RestoreFrom(TFrameSlot& slot) {
    if (slot.kind != kKind) return;
    elements_ = std::move(slot.elements);
    length_ = slot.length;
    capacity_ = slot.capacity;
    slot.length = 0;
    slot.capacity = 0;
}

} // namespace NuvixParser
