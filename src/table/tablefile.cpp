#include "table/tablefile.h"

#include <cstring>
#include <vector>

#include "common/bytes.h"
#include "common/codecs.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace table {

namespace {

void put16(std::uint8_t* p, std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    p[0] = static_cast<std::uint8_t>(u & 0xFF);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}

void put32(std::uint8_t* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>((u >> (8 * i)) & 0xFF);
}

std::int16_t get16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }

[[noreturn]] void damaged(const std::string& path, const std::string& why) {
    throw pal::IoError(0, path, "The table file is damaged: " + why + ".");
}

}  // namespace

std::string encodeTableFile(const TableData& t, const TablePlacement& pl) {
    const auto R = static_cast<std::size_t>(t.rows());
    const std::size_t C = t.columns.size() + 1;
    std::vector<std::uint8_t> out(kTableHeaderSize + R * kRunDeckNameSlot + (C - 1) * (kColumnRecordSize + 10 * R) + 2, 0);
    std::uint8_t* p = out.data();
    pal::writeShortString(p, 255, t.deckPath);
    put32(p + 256, static_cast<std::int32_t>(C));
    put32(p + 260, static_cast<std::int32_t>(R));
    put16(p + 264, pl.originX);
    put16(p + 266, pl.originY);
    put16(p + 268, pl.left);
    put16(p + 270, pl.top);
    put16(p + 272, pl.right);
    put16(p + 274, pl.bottom);
    p += kTableHeaderSize;
    for (std::size_t r = 1; r <= R; ++r, p += kRunDeckNameSlot)
        pal::writeShortString(p, kRunDeckNameSlot - 1, r < t.runDeckNames.size() ? t.runDeckNames[r] : std::string());
    for (const TableColumn& c : t.columns) {
        put16(p + 0, c.index);
        put16(p + 2, c.reserved);
        pal::writeShortString(p + 6, kMaxName, c.name);
        p[44] = c.format.style;
        put16(p + 46, c.format.digits);
        put16(p + 52, c.scratch);
        p += kColumnRecordSize;
        for (std::size_t r = 0; r < R; ++r, p += 10) {
            const long double v = r < c.values.size() ? c.values[r] : pal::kUndefinedValue;
            const pal::Extended10 e = pal::encodeExtended(v);
            std::memcpy(p, e.data(), e.size());
        }
    }
    // The closing word is 0.
    return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

TableFileContent decodeTableFile(const std::string& bytes, const std::string& path) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t size = bytes.size();
    if (size < kTableHeaderSize + 2) damaged(path, "it is too short");
    TableFileContent out;
    TableData& t = out.table;
    t.deckPath = pal::readShortString(b, 255);
    const std::int32_t C = pal::readInt32(b + 256);
    const std::int32_t R = pal::readInt32(b + 260);
    if (R < 1 || R > kMaxRuns + 1) damaged(path, "it gives " + std::to_string(R) + " rows");
    if (C < 1) damaged(path, "it gives " + std::to_string(C) + " columns");
    const std::size_t rows = static_cast<std::size_t>(R);
    const std::size_t block = kColumnRecordSize + 10 * rows;
    const std::size_t fixed = kTableHeaderSize + rows * kRunDeckNameSlot + 2;
    if (size < fixed || static_cast<std::size_t>(C - 1) > (size - fixed) / block)
        damaged(path, "it is shorter than its " + std::to_string(C - 1) + " columns of " + std::to_string(R - 1) +
                          " runs need");
    TablePlacement& pl = out.placement;
    pl.originX = get16(b + 264);
    pl.originY = get16(b + 266);
    pl.left = get16(b + 268);
    pl.top = get16(b + 270);
    pl.right = get16(b + 272);
    pl.bottom = get16(b + 274);
    const std::uint8_t* p = b + kTableHeaderSize;
    t.setRows(R);
    for (std::size_t r = 1; r <= rows; ++r, p += kRunDeckNameSlot) t.runDeckNames[r] = pal::readShortString(p, kRunDeckNameSlot - 1);
    for (std::int32_t i = 1; i < C; ++i) {
        TableColumn c;
        c.index = get16(p + 0);
        c.reserved = get16(p + 2);
        c.name = pal::readShortString(p + 6, kMaxName);
        c.format.style = p[44];
        c.format.digits = get16(p + 46);
        c.scratch = get16(p + 52);
        p += kColumnRecordSize;
        c.values.resize(rows);
        for (std::size_t r = 0; r < rows; ++r, p += 10) c.values[r] = pal::decodeExtended(p);
        t.columns.push_back(std::move(c));
    }
    return out;
}

TableFileContent readTableFile(const std::string& path) { return decodeTableFile(pal::readFileBytes(path), path); }

void writeTableFile(const std::string& path, const TableData& table, const TablePlacement& placement) {
    pal::replaceFile(path, encodeTableFile(table, placement));
}

std::string resolveTableDeck(const std::string& stored, const std::string& tablePath, const std::string& programDir) {
    std::string p = stored;
    for (char& c : p)
        if (c == '\\') c = '/';
    const bool rooted = p.empty() || p.front() == '/' || (p.size() >= 2 && p[1] == ':');
    if (rooted) return pal::resolveDataPath(stored, programDir);
    const std::string candidate = pal::joinPath(pal::directoryPart(tablePath), p);
    return pal::findFile(candidate).value_or(candidate);
}

std::string besideTableDeck(const std::string& stored, const std::string& tablePath) {
    const std::string ext =
        pal::extensionTest(pal::fileNamePart(stored)).empty() ? std::string() : stored.substr(stored.rfind('.')).substr(0, 4);
    return pal::baseName(tablePath) + ext;
}

}  // namespace table
