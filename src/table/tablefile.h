// The run table file (".TBL"): a binary little-endian image of the table, its
// window placement, the run deck names and one block per column.
#pragma once
#include <cstdint>
#include <string>

#include "table/tabledata.h"

namespace table {

// The window geometry stored with a table (client origin on the screen and the
// client rectangle).
struct TablePlacement {
    std::int16_t originX = 0, originY = 0;
    std::int16_t left = 0, top = 0, right = 0, bottom = 0;
};

struct TableFileContent {
    TableData table;
    TablePlacement placement;
};

constexpr std::size_t kTableHeaderSize = 276;
constexpr std::size_t kRunDeckNameSlot = 97;  // 1 length byte + 96 characters
constexpr std::size_t kColumnRecordSize = 60;

// The exact bytes of the file. Paths longer than the slots are cut (255 for
// the deck, 96 for a run deck name, 30 for a column name).
std::string encodeTableFile(const TableData& table, const TablePlacement& placement);

// Reads the image; throws pal::IoError naming path when it is shorter than its
// own counts say or holds counts no table can have (more than 99 runs).
TableFileContent decodeTableFile(const std::string& bytes, const std::string& path);

TableFileContent readTableFile(const std::string& path);  // throws pal::IoError
// Replaces the file through a complete temporary file. Throws pal::IoError.
void writeTableFile(const std::string& path, const TableData& table, const TablePlacement& placement);

// The deck a table file names: a relative path is taken from the table file's
// directory, never from the working directory; a rooted one ("\\WORK\\X.DCK",
// "C:\\...") follows the data-path rules (pal::resolveDataPath).
std::string resolveTableDeck(const std::string& stored, const std::string& tablePath, const std::string& programDir);

// The deck of the table's own base name beside the table, with the stored deck's
// extension (cut to 4 characters): where a table moved together with its deck
// finds it when the stored deck cannot be read.
std::string besideTableDeck(const std::string& stored, const std::string& tablePath);

}  // namespace table
