#include "plot/realcolumn.h"

#include <algorithm>
#include <cmath>

namespace plot {

RealColumn::RealColumn(std::initializer_list<double> values) {
    reserve(values.size());
    for (double v : values) push_back(v);
}

RealColumn::RealColumn(const std::vector<double>& values) {
    reserve(values.size());
    for (double v : values) push_back(v);
}

double RealColumn::nearest(double v) {
    if (std::isnan(v)) return 0.0;
    // The fraction rounded to 39 bits, ties to even; a carry moves into the exponent.
    std::uint64_t b = std::bit_cast<std::uint64_t>(v);
    const std::uint64_t low = b & 0x1FFF, even = (b >> 13) & 1;
    b = (b & ~std::uint64_t(0x1FFF)) + ((low + 0xFFF + even) & 0x2000);
    const double r = std::bit_cast<double>(b);
    constexpr double kLargest = 0x1.fffffffffep126;  // (2 - 2^-39) * 2^126
    if (!(std::fabs(r) <= kLargest)) return std::copysign(kLargest, v);
    if (std::fabs(r) < 0x1p-128) return 0.0;
    return r;
}

std::uint8_t* RealColumn::grow(std::size_t n) {
    if (!store_) {
        store_ = std::make_shared<std::vector<std::uint8_t>>();
        first_ = 0;
    } else if (first_ + count_ != store_->size() / kBytes) {
        auto own = std::make_shared<std::vector<std::uint8_t>>(data(), data() + kBytes * count_);
        store_ = std::move(own);
        first_ = 0;
    }
    store_->resize(store_->size() + kBytes * n);
    count_ += n;
    return store_->data() + store_->size() - kBytes * n;
}

void RealColumn::appendExact(const double* values, std::size_t n, std::size_t stride) {
    if (n == 0) return;
    std::uint8_t* p = grow(n);
    for (std::size_t i = 0; i < n; ++i, p += kBytes) encodeExact(values[i * stride], p);
}

void RealColumn::push_back(double v) { encodeExact(nearest(v), grow()); }

void RealColumn::pushBytes(const std::uint8_t* six) { std::memcpy(grow(), six, kBytes); }

void RealColumn::reserve(std::size_t n) {
    if (!store_) store_ = std::make_shared<std::vector<std::uint8_t>>();
    if (first_ + count_ == store_->size() / kBytes) store_->reserve(kBytes * (first_ + n));
}

void RealColumn::resize(std::size_t n, double value) {
    if (n <= count_) {
        count_ = n;
        return;
    }
    reserve(n);
    while (count_ < n) push_back(value);
}

void RealColumn::clear() {
    store_.reset();
    first_ = count_ = 0;
}

RealColumn RealColumn::slice(std::size_t first, std::size_t count) const {
    RealColumn out;
    if (first >= count_) return out;
    out.store_ = store_;
    out.first_ = first_ + first;
    out.count_ = std::min(count, count_ - first);
    return out;
}

bool operator==(const RealColumn& a, const RealColumn& b) {
    return a.count_ == b.count_ && (a.count_ == 0 || std::memcmp(a.data(), b.data(), RealColumn::kBytes * a.count_) == 0);
}

bool operator==(const RealColumn& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace plot
