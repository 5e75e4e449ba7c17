#include "gui/app/RecentFileList.h"

#include <algorithm>
#include <filesystem>

namespace kurvex::gui {

void RecentFileList::Enter(const std::string& path) {
    if (!entries_.empty() && entries_.front() == path) return;
    std::erase(entries_, path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > static_cast<std::size_t>(kCapacity)) entries_.resize(kCapacity);
}

void RecentFileList::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    entries_.erase(entries_.begin() + index);
}

void RecentFileList::AppendStored(const std::string& path) {
    if (Count() < kCapacity) entries_.push_back(path);
}

std::string RecentFileList::MenuCaption(int index) const {
    return "&" + std::to_string(index) + ":" + std::filesystem::path(At(index)).filename().string();
}

}  // namespace kurvex::gui
