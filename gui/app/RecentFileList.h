#pragma once
// The list of recently loaded data files: at most ten full paths, most recent
// first, no two equal (exact comparison).
#include <string>
#include <vector>

#include "core/data/MainSettings.h"

namespace kurvex::gui {

class RecentFileList {
public:
    static constexpr int kCapacity = kRecentFileCapacity;

    // Puts `path` first: unchanged when it already is first, otherwise every
    // equal entry is removed and the oldest entry drops out when the list is full.
    void Enter(const std::string& path);
    // Removes entry `index`; later entries move up.
    void Remove(int index);
    void Clear() { entries_.clear(); }
    // Appends an entry read from the settings file (no reordering, capacity kept).
    void AppendStored(const std::string& path);

    int Count() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    const std::string& At(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Entries() const { return entries_; }

    // The menu caption of entry `index`: "&" + index + ":" + file name without folder.
    std::string MenuCaption(int index) const;

private:
    std::vector<std::string> entries_;
};

}  // namespace kurvex::gui
