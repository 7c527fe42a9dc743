// TVarHandler: a parser's variable store, with the program-wide list of '$' globals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/var_entry.h"

namespace NuvixParser {

// The program-wide list of global entries (names starting with '$'). All parsers of a
// program are created over the same list; an entry lives while some store uses it.
class TGlobalVarList {
public:
    TGlobalVarList() = default;
    TGlobalVarList(const TGlobalVarList&) = delete;
    TGlobalVarList& operator=(const TGlobalVarList&) = delete;

    std::vector<std::unique_ptr<TVarEntryBase>> entries;
};

class TVarHandler {
public:
    explicit TVarHandler(TGlobalVarList& globals) : globals_(globals) {}
    TVarHandler(const TVarHandler&) = delete;
    TVarHandler& operator=(const TVarHandler&) = delete;
    ~TVarHandler() { ReleaseAll(); }

    static bool IsGlobalName(std::string_view name) { return !name.empty() && name[0] == '$'; }

    // The entry of that name (a global one gains this store as a user), or none.
    TVarEntryBase* Find(std::string_view name);
    // Find-or-create used when a tree is bound: none when the name has the other kind.
    TVarEntry* GetScalar(std::string_view name);
    TArrayEntry* GetArray(std::string_view name);

    // Forgets every entry this store uses: locals are destroyed, globals lose this user
    // (and are destroyed with their last one), saved frames are dropped.
    void ReleaseAll();

    // The quick frame of a call: a store of at most kQuickLocals locals, all scalars and
    // none holding a text when the call starts (a function of a few numbers), saves them
    // on the caller's machine stack instead of in the frame stack. The saved values are
    // plain numbers and flags, so nothing is moved or allocated.
    static constexpr std::size_t kQuickLocals = 4;
    struct TQuickSave {
        double number;
        bool hasValue;
        bool isString;
    };
    struct TQuickFrame {
        TQuickSave saves[kQuickLocals]; // uninitialised until used
        std::uint64_t generation;
    };
    // Saves and empties every local into `frame` (true), or does nothing (false) when the
    // quick way does not apply; PushFrame is then the way.
    bool PushQuickFrame(TQuickFrame& frame) {
        const std::size_t n = locals_.size();
        if (!scalarLocals_ || n > kQuickLocals) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (!Scalar(i).text.empty()) return false;
        for (std::size_t i = 0; i < n; ++i) {
            TVarEntry& e = Scalar(i);
            frame.saves[i] = {e.number, e.hasValue, e.isString};
            e.number = 0;
            e.hasValue = false;
            e.isString = false;
        }
        frame.generation = generation_;
        return true;
    }
    // Brings the locals back; a text the body left in one is dropped (its buffer kept).
    // Nothing is restored when the locals were replaced meanwhile.
    void PopQuickFrame(const TQuickFrame& frame) {
        if (frame.generation != generation_) [[unlikely]]
            return;
        const std::size_t n = locals_.size();
        for (std::size_t i = 0; i < n; ++i) {
            TVarEntry& e = Scalar(i);
            if (!e.text.empty()) e.text.clear();
            e.number = frame.saves[i].number;
            e.hasValue = frame.saves[i].hasValue;
            e.isString = frame.saves[i].isString;
        }
    }

    // Save and empty every local around a user function call, and bring them back. Inline:
    // every user function call runs them.
    void PushFrame() {
        const std::size_t need = frameTop_ + locals_.size();
        if (frameSlots_ < need) [[unlikely]]
            GrowFrames(need);
        TFrameSlot* slot = frames_.data() + frameTop_;
        for (auto& e : locals_) {
            if (e->IsScalar())
                static_cast<TVarEntry&>(*e).SaveScalar(*slot++);
            else
                e->SaveTo(*slot++);
        }
        frameTop_ = need;
    }
    void PopFrame() {
        if (frameTop_ < locals_.size()) return;
        TFrameSlot* slot = frames_.data() + frameTop_;
        for (auto it = locals_.rbegin(); it != locals_.rend(); ++it) {
            --slot;
            if ((*it)->IsScalar())
                static_cast<TVarEntry&>(**it).RestoreScalar(*slot);
            else
                (*it)->RestoreFrom(*slot);
            // An array slot gives its buffer back; a text slot keeps the entry's old buffer
            // (swapped in) for reuse, but not its contents.
            if (!slot->text.empty()) slot->text.clear();
            if (slot->elements) slot->elements.reset();
        }
        frameTop_ -= locals_.size();
    }

    // Local list access for user function definitions, whose parameters are locals of the
    // body's store.
    void AddLocal(std::unique_ptr<TVarEntryBase> entry);
    std::unique_ptr<TVarEntryBase> RemoveLocal(const TVarEntryBase* entry);
    const std::vector<std::unique_ptr<TVarEntryBase>>& Locals() const { return locals_; }
    TGlobalVarList& Globals() { return globals_; }
    std::size_t FrameDepth() const { return frameTop_; }

private:
    template <class TEntry> TEntry* GetEntry(std::string_view name);
    // Local i of a store whose locals are all scalars.
    TVarEntry& Scalar(std::size_t i) const { return static_cast<TVarEntry&>(*locals_[i]); }
    void IndexLocal(TVarEntryBase* entry);
    [[gnu::noinline]] void GrowFrames(std::size_t need);
    TGlobalVarList& globals_;
    std::vector<std::unique_ptr<TVarEntryBase>> locals_;
    // Name index of the locals; the first entry of a name wins, as a front-to-back search would.
    std::unordered_map<std::string_view, TVarEntryBase*> localIndex_;
    // Saved locals; slots above frameTop_ are kept for reuse.
    std::vector<TFrameSlot> frames_;
    std::size_t frameSlots_ = 0; // frames_.size(), kept at hand for the push
    std::size_t frameTop_ = 0;
    bool scalarLocals_ = true;     // every local is a TVarEntry
    std::uint64_t generation_ = 0; // changes whenever the local list does
};

} // namespace NuvixParser
