// Windows metafile (WMF) reading: the optional placeable header, the standard
// header and the record list, every length checked against the file. A damaged
// file is refused with an IoError naming what is wrong; the records are played
// by TWmfPlayer.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pal {

namespace wmf {
// Record functions the player understands (the rest are skipped).
enum Function : std::uint16_t {
    Eof = 0x0000,
    SaveDC = 0x001E,
    RealizePalette = 0x0035,
    CreatePalette = 0x00F7,
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetRop2 = 0x0104,
    SetPolyFillMode = 0x0106,
    SetStretchBltMode = 0x0107,
    SetTextCharExtra = 0x0108,
    CreateBrush = 0x00F8,
    RestoreDC = 0x0127,
    SelectClipRegion = 0x012C,
    SelectObject = 0x012D,
    SetTextAlign = 0x012E,
    DibCreatePatternBrush = 0x0142,
    DeleteObject = 0x01F0,
    CreatePatternBrush = 0x01F9,
    SetBkColor = 0x0201,
    SetTextColor = 0x0209,
    SetTextJustification = 0x020A,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    SetViewportOrg = 0x020D,
    SetViewportExt = 0x020E,
    OffsetWindowOrg = 0x020F,
    OffsetViewportOrg = 0x0211,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    CreateBitmapIndirect = 0x02FD,
    CreateBitmap = 0x06FE,
    Polygon = 0x0324,
    Polyline = 0x0325,
    ScaleWindowExt = 0x0410,
    ScaleViewportExt = 0x0412,
    ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416,
    Ellipse = 0x0418,
    Rectangle = 0x041B,
    SetPixel = 0x041F,
    TextOut = 0x0521,
    PolyPolygon = 0x0538,
    RoundRect = 0x061C,
    PatBlt = 0x061D,
    CreateRegion = 0x06FF,
    Arc = 0x0817,
    Pie = 0x081A,
    Chord = 0x0830,
    BitBlt = 0x0922,
    StretchBlt = 0x0B23,
    DibBitBlt = 0x0940,
    ExtTextOut = 0x0A32,
    DibStretchBlt = 0x0B41,
    SetDibToDev = 0x0D33,
    StretchDib = 0x0F43,
};
}  // namespace wmf

struct WmfRecord {
    std::uint16_t function = 0;
    std::uint32_t offset = 0;  // of the parameters, in the file's bytes
    std::uint32_t size = 0;    // bytes of parameters
    std::uint32_t words = 0;   // the record's size field (words, header included)
};

// Bounds-checked reading of one record's parameters (little-endian); a read past
// the record gives 0, so callers test has() for what they need.
class WmfParams {
public:
    WmfParams(std::string_view bytes, const WmfRecord& r) : p_(bytes.substr(r.offset, r.size)) {}
    std::size_t size() const { return p_.size(); }
    bool has(std::size_t n) const { return n <= p_.size(); }
    std::uint8_t u8(std::size_t at) const { return at < p_.size() ? static_cast<std::uint8_t>(p_[at]) : 0; }
    std::uint16_t u16(std::size_t at) const { return static_cast<std::uint16_t>(u8(at) | (u8(at + 1) << 8)); }
    std::int16_t s16(std::size_t at) const { return static_cast<std::int16_t>(u16(at)); }
    std::uint32_t u32(std::size_t at) const { return u16(at) | (static_cast<std::uint32_t>(u16(at + 2)) << 16); }
    // Up to n bytes from at (fewer at the record's end).
    std::string_view bytes(std::size_t at, std::size_t n) const {
        return at < p_.size() ? p_.substr(at, n) : std::string_view();
    }

private:
    std::string_view p_;
};

struct WmfFrame {
    int left = 0, top = 0, right = 0, bottom = 0;  // logical units
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

class WmfFile {
public:
    static constexpr std::size_t kMaxFileBytes = 32u << 20;
    static constexpr std::size_t kMaxRecords = 1u << 20;
    static constexpr int kMaxPixels = 32767;       // longest side of the shown picture
    static constexpr int kNonPlaceableMax = 4096;  // a frame-less file is fitted into this

    // Parses the bytes; throws IoError("Invalid metafile: ...", path) when damaged.
    static WmfFile parse(std::string bytes, const std::string& path = {});
    static WmfFile read(const std::string& path);  // throws IoError
    // True when the first bytes start a placeable or a standard metafile.
    static bool looksLikeWmf(std::string_view head);

    bool placeable() const { return placeable_; }
    // The picture's frame in logical units: the placeable bounding box, else the
    // first window origin and extent of the records.
    const WmfFrame& frame() const { return frame_; }
    int unitsPerInch() const { return inch_; }    // placeable only
    int objectCount() const { return objects_; }  // the header's object-table size
    const std::vector<WmfRecord>& records() const { return records_; }
    const std::string& bytes() const { return bytes_; }
    WmfParams params(const WmfRecord& r) const { return WmfParams(bytes_, r); }

    // The picture's size in pixels on a screen of ppi pixels per inch.
    // Throws IoError when it exceeds kMaxPixels.
    struct Size {
        int width = 0, height = 0;
    };
    Size pixelSize(int ppi) const;

private:
    std::string bytes_;
    std::string path_;
    bool placeable_ = false;
    WmfFrame frame_;
    int inch_ = 0;
    int objects_ = 0;
    std::vector<WmfRecord> records_;
};

// A device-independent bitmap as stored in a metafile record, made into the bytes
// of a BMP file (a file header put in front); empty when its header is damaged
// or its pixel data is shorter than the header says.
std::optional<std::string> dibToBmp(std::string_view dib);

}  // namespace pal
