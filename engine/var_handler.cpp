// TVarHandler: name lookup, global sharing and the frame stack of user function calls.
#include "engine/var_handler.h"

#include <algorithm>

namespace NuvixParser {

TVarEntryBase* TVarHandler::Find(std::string_view name) {
    if (IsGlobalName(name)) {
        for (auto& e : globals_.entries) {
            if (e->Name() == name) {
                e->AddUser(this);
                return e.get();
            }
        }
        return nullptr;
    }
    auto it = localIndex_.find(name);
    return it == localIndex_.end() ? nullptr : it->second;
}

// Find-or-create of one kind of entry: a new global joins the program-wide list with this
// store as its user, a new local the store's own list.
template <class TEntry> TEntry* TVarHandler::GetEntry(std::string_view name) {
    if (TVarEntryBase* e = Find(name)) return e->Kind() == TEntry::kKind ? static_cast<TEntry*>(e) : nullptr;
    auto entry = std::make_unique<TEntry>(std::string(name));
    TEntry* raw = entry.get();
    if (IsGlobalName(name)) {
        raw->AddUser(this);
        globals_.entries.push_back(std::move(entry));
    } else {
        AddLocal(std::move(entry));
    }
    return raw;
}

TVarEntry* TVarHandler::GetScalar(std::string_view name) {
    return GetEntry<TVarEntry>(name);
}

TArrayEntry* TVarHandler::GetArray(std::string_view name) {
    return GetEntry<TArrayEntry>(name);
}

void TVarHandler::ReleaseAll() {
    localIndex_.clear();
    locals_.clear();
    auto& g = globals_.entries;
    for (auto& e : g) {
        if (!e->HasUser(this)) continue;
        e->RemoveUser(this);
        if (e->users.empty()) e.reset();
    }
    g.erase(std::remove(g.begin(), g.end(), nullptr), g.end());
    frames_.clear();
    frameSlots_ = 0;
    frameTop_ = 0;
    scalarLocals_ = true;
    ++generation_;
}

void TVarHandler::GrowFrames(std::size_t need) {
    frames_.resize(std::max(need, frames_.size() * 2));
    frameSlots_ = frames_.size();
}

void TVarHandler::AddLocal(std::unique_ptr<TVarEntryBase> entry) {
    IndexLocal(entry.get());
    scalarLocals_ = scalarLocals_ && entry->IsScalar();
    locals_.push_back(std::move(entry));
    ++generation_;
}

void TVarHandler::IndexLocal(TVarEntryBase* entry) {
    localIndex_.try_emplace(std::string_view(entry->Name()), entry);
}

std::unique_ptr<TVarEntryBase> TVarHandler::RemoveLocal(const TVarEntryBase* entry) {
    auto it = std::find_if(locals_.begin(), locals_.end(), [&](const auto& e) { return e.get() == entry; });
    if (it == locals_.end()) return nullptr;
    std::unique_ptr<TVarEntryBase> owned = std::move(*it);
    locals_.erase(it);
    // Rebuild the index: another local of the same name may now be the first.
    localIndex_.clear();
    scalarLocals_ = true;
    for (auto& e : locals_) {
        IndexLocal(e.get());
        scalarLocals_ = scalarLocals_ && e->IsScalar();
    }
    ++generation_;
    return owned;
}

} // namespace NuvixParser
