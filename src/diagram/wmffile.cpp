#include "diagram/wmffile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "common/ioerror.h"
#include "common/textfile.h"

namespace pal {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kHeaderSize = 18;

std::uint16_t rd16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}
std::uint32_t rd32(std::string_view b, std::size_t at) {
    return rd16(b, at) | (static_cast<std::uint32_t>(rd16(b, at + 2)) << 16);
}
std::int32_t rds32(std::string_view b, std::size_t at) { return static_cast<std::int32_t>(rd32(b, at)); }

bool standardHeaderAt(std::string_view b, std::size_t at) {
    if (b.size() < at + kHeaderSize) return false;
    const std::uint16_t type = rd16(b, at), headerWords = rd16(b, at + 2), version = rd16(b, at + 4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
    throw IoError(0, path, "Invalid metafile: " + what);
}

void put16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(s, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

bool WmfFile::looksLikeWmf(std::string_view head) {
    if (head.size() >= 4 && rd32(head, 0) == kPlaceableKey) return true;
    return standardHeaderAt(head, 0);
}

WmfFile WmfFile::read(const std::string& path) {
    return parse(readFileBytes(path), path);
}

WmfFile WmfFile::parse(std::string bytes, const std::string& path) {
    WmfFile f;
    f.path_ = path;
    if (bytes.size() > kMaxFileBytes) damaged(path, "the file is too large");
    std::string_view b(bytes);
    std::size_t at = 0;
    if (b.size() >= 4 && rd32(b, 0) == kPlaceableKey) {
        if (b.size() < kPlaceableSize) damaged(path, "truncated placeable header");
        f.placeable_ = true;
        const auto s = [&](std::size_t o) { return static_cast<std::int16_t>(rd16(b, o)); };
        f.frame_ = {s(6), s(8), s(10), s(12)};
        f.inch_ = rd16(b, 14);
        if (f.inch_ == 0) damaged(path, "zero units per inch");
        if (f.frame_.width() == 0 || f.frame_.height() == 0) damaged(path, "the picture has no size");
        at = kPlaceableSize;
    }
    if (b.size() < at + kHeaderSize) damaged(path, "truncated header");
    if (!standardHeaderAt(b, at)) damaged(path, "bad header");
    f.objects_ = rd16(b, at + 10);
    at += kHeaderSize;

    bool sawEnd = false;
    bool haveOrg = false, haveExt = false;
    WmfFrame windowFrame;
    while (at < b.size()) {
        if (b.size() - at < 6) damaged(path, "truncated record");
        const std::uint32_t words = rd32(b, at);
        const std::uint16_t fn = rd16(b, at + 4);
        if (words < 3) damaged(path, "record of size " + std::to_string(words) + " at byte " + std::to_string(at));
        if (words > (b.size() - at) / 2)
            damaged(path, "record at byte " + std::to_string(at) + " runs past the end of the file");
        if (fn == wmf::Eof) {
            sawEnd = true;
            break;
        }
        if (f.records_.size() >= kMaxRecords) damaged(path, "too many records");
        WmfRecord r;
        r.function = fn;
        r.offset = static_cast<std::uint32_t>(at + 6);
        r.size = static_cast<std::uint32_t>(words * 2 - 6);
        r.words = words;
        f.records_.push_back(r);
        if (!f.placeable_ && r.size >= 4) {
            const auto y = static_cast<std::int16_t>(rd16(b, r.offset)), x = static_cast<std::int16_t>(rd16(b, r.offset + 2));
            if (fn == wmf::SetWindowOrg && !haveOrg) {
                windowFrame.left = x;
                windowFrame.top = y;
                haveOrg = true;
            } else if (fn == wmf::SetWindowExt && !haveExt) {
                windowFrame.right = x;  // extent for now
                windowFrame.bottom = y;
                haveExt = true;
            }
        }
        at += static_cast<std::size_t>(words) * 2;
    }
    if (!sawEnd) damaged(path, "truncated (no end record)");
    if (!f.placeable_) {
        if (!haveExt || windowFrame.right == 0 || windowFrame.bottom == 0)
            damaged(path, "the picture has no size");
        f.frame_ = {windowFrame.left, windowFrame.top, windowFrame.left + windowFrame.right,
                    windowFrame.top + windowFrame.bottom};
    }
    f.bytes_ = std::move(bytes);
    return f;
}

WmfFile::Size WmfFile::pixelSize(int ppi) const {
    long double w = std::abs(frame_.width()), h = std::abs(frame_.height());
    if (placeable_) {
        w = w * ppi / inch_;
        h = h * ppi / inch_;
    } else {
        // Logical units taken as pixels of a 96 ppi screen; a large frame is
        // fitted into a reasonable window.
        w = w * ppi / 96;
        h = h * ppi / 96;
        const long double longest = std::max(w, h);
        if (longest > kNonPlaceableMax) {
            w = w * kNonPlaceableMax / longest;
            h = h * kNonPlaceableMax / longest;
        }
    }
    Size s{static_cast<int>(std::max(1.0L, std::nearbyint(std::min(w, 1e9L)))),
           static_cast<int>(std::max(1.0L, std::nearbyint(std::min(h, 1e9L))))};
    if (s.width > kMaxPixels || s.height > kMaxPixels)
        throw IoError(0, path_, "Invalid metafile: the picture is too large (" + std::to_string(s.width) + " x " +
                                    std::to_string(s.height) + " pixels)");
    return s;
}

std::optional<std::string> dibToBmp(std::string_view dib) {
    if (dib.size() < 12) return std::nullopt;
    const std::uint32_t headerSize = rd32(dib, 0);
    std::int64_t width, height;
    std::uint32_t bits, compression = 0, colorsUsed = 0, entryBytes;
    std::uint64_t extra = 0;
    if (headerSize == 12) {
        width = rd16(dib, 4);
        height = static_cast<std::int16_t>(rd16(dib, 6));
        bits = rd16(dib, 10);
        entryBytes = 3;
    } else if (headerSize >= 40 && headerSize <= 124) {
        if (dib.size() < headerSize) return std::nullopt;
        width = rds32(dib, 4);
        height = rds32(dib, 8);
        bits = rd16(dib, 14);
        compression = rd32(dib, 16);
        colorsUsed = rd32(dib, 32);
        entryBytes = 4;
        if (headerSize == 40 && compression == 3) extra = 12;  // BI_BITFIELDS masks
        if (headerSize == 40 && compression == 6) extra = 16;  // BI_ALPHABITFIELDS masks
    } else {
        return std::nullopt;
    }
    if (width <= 0 || height == 0 || width > WmfFile::kMaxPixels || std::llabs(height) > WmfFile::kMaxPixels)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
    std::uint64_t colors = colorsUsed;
    if (colors == 0 && bits <= 8) colors = 1u << bits;
    if (colors > 256 && bits <= 8) return std::nullopt;
    if (colors > 65536) return std::nullopt;
    const std::uint64_t bitsOffset = headerSize + extra + colors * entryBytes;
    if (bitsOffset > dib.size()) return std::nullopt;
    if (compression == 0 || compression == 3 || compression == 6) {
        const std::uint64_t row = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
        if (row * static_cast<std::uint64_t>(std::llabs(height)) > dib.size() - bitsOffset) return std::nullopt;
    }
    std::string bmp;
    bmp.reserve(14 + dib.size());
    bmp += "BM";
    put32(bmp, static_cast<std::uint32_t>(14 + dib.size()));
    put32(bmp, 0);
    put32(bmp, static_cast<std::uint32_t>(14 + bitsOffset));
    bmp.append(dib);
    return bmp;
}

}  // namespace pal
