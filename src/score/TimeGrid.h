#pragma once

#include <cstddef>
#include <vector>

namespace korvane {

// The horizontal spacing of one bar of a single part: every onset in any
// stave is a column, and every stave puts the heads starting then at the
// column's x. A column asks for room before its heads (accidentals, a clef
// or key change, in whichever stave has them) and after them (the head,
// dots, flags); the gap to the next column grows with the time between them.
class TTimeGrid {
public:
    // Forgets the columns of the last bar.
    void Clear() { columns_.clear(), placed_ = false; }
    // The column at `time` needs `before` pixels before its heads and
    // `after` pixels from its heads' x to the next column's room.
    void Need(double time, int before, int after);
    // Places the columns from startX (the first room before a head starts
    // there) and returns the x at which the bar ends. `shortest` is the
    // duration that gets the base width.
    int Place(int startX, double barEnd, double shortest);
    // The head x of the column at `time` (the nearest column when there is
    // none within rounding); startX before any column was asked for.
    int HeadX(double time) const;
    // The room before the heads of the column at `time`.
    int Before(double time) const;
    std::size_t Size() const { return columns_.size(); }

private:
    struct TColumn {
        double Time;
        int Before, After, X;
    };
    std::vector<TColumn> columns_;
    bool placed_ = false;
    int startX_ = 0;
    const TColumn* find(double time) const;
};

// The room after a column whose next column comes `duration` later: the
// base width for `shortest`, about 40 % more per doubling.
int IdealGap(double duration, double shortest);

// The duration the base width goes to: the shortest note or silence value
// of the part, kept between a thirty-second and an eighth.
double ClampedShortest(double shortest);

}  // namespace korvane
