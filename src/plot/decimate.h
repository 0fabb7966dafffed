// Reduction of a curve to what a raster can show: of each run of consecutive
// points in one pixel column only the first, the lowest, the highest and the
// last are kept (in data order), so a polyline through the kept points touches
// the same pixels as one through all of them.
#pragma once
#include <cstddef>

namespace plot {

// Feed points with add(); kept points go to out(x, y) in data order. Call
// finish() after the last point.
template <class Out>
class ColumnReducer {
public:
    explicit ColumnReducer(Out out) : out_(out) {}

    void add(int x, int y) {
        if (count_ > 0 && x == x_) {
            if (y < minY_) {
                minY_ = y;
                minAt_ = count_;
            }
            if (y > maxY_) {
                maxY_ = y;
                maxAt_ = count_;
            }
            lastY_ = y;
            ++count_;
            return;
        }
        flush();
        x_ = x;
        firstY_ = minY_ = maxY_ = lastY_ = y;
        minAt_ = maxAt_ = 0;
        count_ = 1;
    }
    // Ends the polyline: points added afterwards start a new one.
    void finish() {
        flush();
        count_ = 0;
        emitted_ = false;
    }

private:
    void put(int y) {
        if (emitted_ && y == lastOutY_ && x_ == lastOutX_) return;
        out_(x_, y);
        emitted_ = true;
        lastOutX_ = x_;
        lastOutY_ = y;
    }
    void flush() {
        if (count_ == 0) return;
        put(firstY_);
        if (minAt_ <= maxAt_) {
            put(minY_);
            put(maxY_);
        } else {
            put(maxY_);
            put(minY_);
        }
        put(lastY_);
    }

    Out out_;
    int x_ = 0, firstY_ = 0, minY_ = 0, maxY_ = 0, lastY_ = 0;
    std::size_t count_ = 0, minAt_ = 0, maxAt_ = 0;
    bool emitted_ = false;
    int lastOutX_ = 0, lastOutY_ = 0;
};

}  // namespace plot
