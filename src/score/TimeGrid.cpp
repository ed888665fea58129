#include "score/TimeGrid.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {
constexpr double kSameTime = 1e-7;
constexpr double kBaseWidth = 24;
// 2^0.5 = 1.41: each doubling of the duration adds about 40 %.
constexpr double kGrowth = 0.5;
}  // namespace

int IdealGap(double duration, double shortest) {
    if (duration <= 0 || shortest <= 0) return 0;
    return static_cast<int>(std::lround(kBaseWidth * std::pow(duration / shortest, kGrowth)));
}

double ClampedShortest(double shortest) { return std::clamp(shortest, 1.0 / 32, 1.0 / 8); }

void TTimeGrid::Need(double time, int before, int after) {
    columns_.push_back({time, before, after, 0});
    placed_ = false;
}

int TTimeGrid::Place(int startX, double barEnd, double shortest) {
    startX_ = startX;
    std::sort(columns_.begin(), columns_.end(), [](const TColumn& a, const TColumn& b) { return a.Time < b.Time; });
    // One column per onset, with the largest needs of all who start then.
    size_t n = 0;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (n > 0 && columns_[i].Time - columns_[n - 1].Time < kSameTime) {
            columns_[n - 1].Before = std::max(columns_[n - 1].Before, columns_[i].Before);
            columns_[n - 1].After = std::max(columns_[n - 1].After, columns_[i].After);
        } else {
            columns_[n++] = columns_[i];
        }
    }
    columns_.resize(n);
    placed_ = true;
    int x = startX;
    for (size_t i = 0; i < n; ++i) {
        TColumn& c = columns_[i];
        c.X = x + c.Before;
        const double next = i + 1 < n ? columns_[i + 1].Time : barEnd;
        x = c.X + std::max(IdealGap(next - c.Time, shortest), c.After);
    }
    return x;
}

const TTimeGrid::TColumn* TTimeGrid::find(double time) const {
    if (columns_.empty()) return nullptr;
    auto it = std::lower_bound(columns_.begin(), columns_.end(), time - kSameTime,
                               [](const TColumn& c, double t) { return c.Time < t; });
    if (it == columns_.end()) return &columns_.back();
    if (it != columns_.begin() && time - std::prev(it)->Time < it->Time - time) --it;
    return &*it;
}

int TTimeGrid::HeadX(double time) const {
    const TColumn* c = placed_ ? find(time) : nullptr;
    return c ? c->X : startX_;
}

int TTimeGrid::Before(double time) const {
    const TColumn* c = placed_ ? find(time) : nullptr;
    return c ? c->Before : 0;
}

}  // namespace korvane
