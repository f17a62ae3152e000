#include "web/line_count_cache.h"

namespace VN_Sample {

bool LineCountCache::Find(const std::string& name, const FileVersion_T& version, int64_t* lines) const {
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = entries.find(name);
    if (found == entries.end() || !(found->second.version == version)) return false;
    *lines = found->second.lines;
    return true;
}

void LineCountCache::Store(const std::string& name, const FileVersion_T& version, int64_t lines) {
    std::lock_guard<std::mutex> lock(mutex);
    entries[name] = Entry_T{version, lines};
}

void LineCountCache::KeepOnly(const std::set<std::string>& names) {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto entry = entries.begin(); entry != entries.end();)
        entry = names.count(entry->first) != 0 ? std::next(entry) : entries.erase(entry);
}

}  // namespace VN_Sample
