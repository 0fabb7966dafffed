// The copies a save keeps so that no crash loses a file. A file written in place
// (several hard links, a folder that takes no new files, another user's file in a
// shared folder) gets a complete backup of its old content first, beside it or in
// the user's cache folder, removed only once the new content is complete and
// synced; a killed save leaves it behind for the next open to offer. The hidden
// temporary file of a replacement is locked while the save runs, so the next save
// of the same file can tell a killed save's leftover and remove it.
// replaceFile itself is declared in textfile.h.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace pal {

// The user's cache folder of the program: $XDG_CACHE_HOME/palumaro, else
// $HOME/.cache/palumaro (made when a backup needs it).
std::string userCacheDir();

// The name pattern of a save's temporary file beside target (".NAME.palumaro-XXXXXX").
std::string temporaryTemplate(const std::string& target);
// Removes the temporary files of saves of target that no running save holds any
// more (a killed save's leftovers), and those of older versions of the program.
void removeStaleTemporaries(const std::string& target);

// Where the backup of target is kept: ".NAME.palumaro-backup" beside it, or a
// file in <cache>/backups named after the file's full path.
std::string backupBeside(const std::string& target);
std::string backupInCache(const std::string& target);

// The backup a killed in-place save of path left behind, when the file now
// differs from it (an identical backup is removed: that save was complete).
std::optional<std::string> leftBackup(const std::string& path);
// Writes the backup's content over path (in place where the file needs it, with
// no new backup), then removes the backup. Throws IoError.
void restoreBackup(const std::string& path, const std::string& backup);
// Removes a backup the user does not want.
void discardBackup(const std::string& backup);

}  // namespace pal
