#include "mainwindow/recentfiles.h"

#include "common/bytes.h"
#include "common/ioerror.h"
#include "common/textfile.h"

void RecentFiles::add(const std::string& path) {
    // Every earlier entry of the file goes, also twins a hand-edited list holds.
    std::erase_if(entries_, [&path](const std::string& e) { return pal::equalsNoCase(e, path); });
    if (path.size() > 3) {
        entries_.push_back(path);
        while (entries_.size() > kMax) entries_.erase(entries_.begin());
    }
}

void RecentFiles::removeAt(std::size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<long>(index));
}

void RecentFiles::load(const std::string& path) {
    entries_.clear();
    try {
        for (auto& line : pal::readLines(path))
            if (!line.empty()) entries_.push_back(line);
    } catch (const pal::IoError&) {
        entries_.clear();
    }
    while (entries_.size() > kMax) entries_.erase(entries_.begin());
}

void RecentFiles::save(const std::string& path) const { pal::writeLinesCRLF(path, entries_); }
