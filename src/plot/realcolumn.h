// RealColumn: plot values held as 6-byte reals, six bytes a value (the precision
// of the plot data and of saved plots, in the byte layout saved plots store),
// read back as the exact doubles they are. Copies and row ranges share one
// storage; appending to a column that ends where its storage ends grows that
// storage in place, so the rows a followed file adds reach every curve drawn
// from it without a copy.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <vector>

namespace plot {

static_assert(std::endian::native == std::endian::little, "the 6-byte values are read as little-endian words");

class RealColumn {
public:
    static constexpr std::size_t kBytes = 6;

    RealColumn() = default;
    RealColumn(std::initializer_list<double> values);
    // Values computed elsewhere (a comparison's band): each the nearest 6-byte real.
    RealColumn(const std::vector<double>& values);  // NOLINT: a curve takes plain values as well

    // The value stored in 6 bytes at p.
    static double decode(const std::uint8_t* p) {
        std::uint64_t w = 0;
        std::memcpy(&w, p, kBytes);
        const std::uint64_t e = w & 0xFF;
        const std::uint64_t bits = ((w >> 47) << 63) | ((e + 894) << 52) | (((w >> 8) & kFraction) << 13);
        return e ? std::bit_cast<double>(bits) : 0.0;
    }
    // A value that is exactly a 6-byte real within its range (as the plot data
    // reader makes them) into 6 bytes at p.
    static void encodeExact(double v, std::uint8_t* p) {
        const std::uint64_t b = std::bit_cast<std::uint64_t>(v);
        const std::uint64_t exponent = (b >> 52) & 0x7FF;
        const std::uint64_t w = exponent ? (exponent - 894) | (((b >> 13) & kFraction) << 8) | ((b >> 63) << 47) : 0;
        std::memcpy(p, &w, kBytes);
    }
    // Any double as the 6-byte real nearest to it: the fraction rounded to 39
    // bits, magnitudes below the format's smallest value are 0, beyond its
    // largest the largest, and NaN is 0.
    static double nearest(double v);

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    double operator[](std::size_t i) const { return decode(data() + kBytes * i); }
    double front() const { return (*this)[0]; }
    double back() const { return (*this)[count_ - 1]; }
    // The values' bytes, kBytes each (valid until the column changes).
    const std::uint8_t* data() const { return store_ ? store_->data() + kBytes * first_ : nullptr; }

    // Appends nearest(v).
    void push_back(double v);
    // Appends a value already in the 6-byte layout.
    void pushBytes(const std::uint8_t* six);
    // Appends n values, stride apart, that are exactly 6-byte reals within range
    // (encodeExact).
    void appendExact(const double* values, std::size_t n, std::size_t stride = 1);
    // Room for n values in all without moving the storage.
    void reserve(std::size_t n);
    void resize(std::size_t n, double value = 0.0);
    void clear();
    // Rows first .. first+count-1 (cut to the column), sharing the storage.
    RealColumn slice(std::size_t first, std::size_t count) const;
    // Heap bytes of the storage this column holds a share of.
    std::size_t storageBytes() const { return store_ ? store_->capacity() : 0; }

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = double;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = double;

        const_iterator() = default;
        explicit const_iterator(const std::uint8_t* p) : p_(p) {}
        double operator*() const { return decode(p_); }
        double operator[](difference_type n) const { return decode(p_ + n * static_cast<difference_type>(kBytes)); }
        const_iterator& operator++() { p_ += kBytes; return *this; }
        const_iterator operator++(int) { auto t = *this; p_ += kBytes; return t; }
        const_iterator& operator--() { p_ -= kBytes; return *this; }
        const_iterator operator--(int) { auto t = *this; p_ -= kBytes; return t; }
        const_iterator& operator+=(difference_type n) { p_ += n * static_cast<difference_type>(kBytes); return *this; }
        const_iterator& operator-=(difference_type n) { p_ -= n * static_cast<difference_type>(kBytes); return *this; }
        friend const_iterator operator+(const_iterator a, difference_type n) { return a += n; }
        friend const_iterator operator+(difference_type n, const_iterator a) { return a += n; }
        friend const_iterator operator-(const_iterator a, difference_type n) { return a -= n; }
        friend difference_type operator-(const_iterator a, const_iterator b) {
            return (a.p_ - b.p_) / static_cast<difference_type>(kBytes);
        }
        friend bool operator==(const_iterator a, const_iterator b) { return a.p_ == b.p_; }
        friend auto operator<=>(const_iterator a, const_iterator b) { return a.p_ <=> b.p_; }

    private:
        const std::uint8_t* p_ = nullptr;
    };
    const_iterator begin() const { return const_iterator(data()); }
    const_iterator end() const { return const_iterator(data() + kBytes * count_); }

    std::vector<double> toVector() const { return std::vector<double>(begin(), end()); }
    friend bool operator==(const RealColumn& a, const RealColumn& b);
    friend bool operator==(const RealColumn& a, const std::vector<double>& b);

private:
    static constexpr std::uint64_t kFraction = (std::uint64_t(1) << 39) - 1;
    // Room for one more value at the end, the storage made this column's own
    // first when another column's rows lie beyond its end.
    std::uint8_t* grow(std::size_t n = 1);

    std::shared_ptr<std::vector<std::uint8_t>> store_;
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};

}  // namespace plot
