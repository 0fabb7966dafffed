// Builds Windows metafiles byte by byte for the tests: a placeable header, the
// standard header, records with their parameters and the end record.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

namespace wmftest {

class Builder {
public:
    // A placeable metafile with the given frame and units per inch.
    static Builder placeable(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t inch,
                             uint16_t objects = 8) {
        Builder b;
        b.u32(0x9AC6CDD7);
        b.u16(0);
        for (int16_t v : {left, top, right, bottom}) b.u16(static_cast<uint16_t>(v));
        b.u16(inch);
        b.u32(0);
        uint16_t sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= static_cast<uint16_t>(static_cast<unsigned char>(b.s_[i]) | (static_cast<unsigned char>(b.s_[i + 1]) << 8));
        b.u16(sum);
        b.header(objects);
        return b;
    }
    static Builder plain(uint16_t objects = 8) {
        Builder b;
        b.header(objects);
        return b;
    }

    // A record: function, then 16-bit parameters.
    Builder& rec(uint16_t function, std::initializer_list<int> words) {
        u32(static_cast<uint32_t>(3 + words.size()));
        u16(function);
        for (int w : words) u16(static_cast<uint16_t>(w));
        return *this;
    }
    // A record whose parameters are given as raw bytes (padded to whole words).
    Builder& recBytes(uint16_t function, std::string params) {
        if (params.size() % 2) params.push_back('\0');
        u32(static_cast<uint32_t>(3 + params.size() / 2));
        u16(function);
        s_ += params;
        return *this;
    }
    Builder& eof() { return rec(0, {}); }

    // Helpers for parameter bytes.
    static std::string w16(int v) {
        std::string s;
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>((v >> 8) & 0xFF));
        return s;
    }
    static std::string w32(uint32_t v) { return w16(static_cast<int>(v & 0xFFFF)) + w16(static_cast<int>(v >> 16)); }
    static std::string color(int r, int g, int b) {
        std::string s;
        for (int v : {r, g, b, 0}) s.push_back(static_cast<char>(v));
        return s;
    }
    // A bottom-up 24-bit DIB of w x h pixels, every pixel the given colour.
    static std::string dib24(int w, int h, int r, int g, int b) {
        std::string s = w32(40) + w32(static_cast<uint32_t>(w)) + w32(static_cast<uint32_t>(h)) + w16(1) + w16(24) +
                        w32(0) + w32(0) + w32(2835) + w32(2835) + w32(0) + w32(0);
        const int row = ((w * 24 + 31) / 32) * 4;
        for (int y = 0; y < h; ++y) {
            std::string line;
            for (int x = 0; x < w; ++x) {
                line.push_back(static_cast<char>(b));
                line.push_back(static_cast<char>(g));
                line.push_back(static_cast<char>(r));
            }
            line.resize(static_cast<std::size_t>(row), '\0');
            s += line;
        }
        return s;
    }

    const std::string& bytes() const { return s_; }
    std::string& mutableBytes() { return s_; }

    void u16(uint16_t v) {
        s_.push_back(static_cast<char>(v & 0xFF));
        s_.push_back(static_cast<char>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v & 0xFFFF));
        u16(static_cast<uint16_t>(v >> 16));
    }

private:
    void header(uint16_t objects) {
        u16(1);       // in memory
        u16(9);       // header words
        u16(0x0300);  // version
        u32(0);       // size in words (not checked by readers)
        u16(objects);
        u32(0);       // largest record
        u16(0);
    }
    std::string s_;
};

}  // namespace wmftest
