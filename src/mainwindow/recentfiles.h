// The recent-file list (PALUMARO.FNL): full paths, oldest first, at most eight.
#pragma once
#include <string>
#include <vector>

class RecentFiles {
public:
    static constexpr std::size_t kMax = 8;

    // Removes path (ignoring case) and, when it is longer than 3 characters,
    // appends it as the newest entry, dropping the oldest beyond eight.
    void add(const std::string& path);
    void removeAt(std::size_t index);
    const std::vector<std::string>& entries() const { return entries_; }
    void setEntries(std::vector<std::string> e) { entries_ = std::move(e); }

    // Reads the list; an absent or unreadable file gives an empty list.
    void load(const std::string& path);
    // Writes one path per line with CR LF. Throws IoError.
    void save(const std::string& path) const;

private:
    std::vector<std::string> entries_;
};
