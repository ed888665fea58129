#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "core/Sound.h"
#include "platform/Canvas.h"
#include "wavewindow/VolumeDiagram.h"

namespace korvane {

// One painted column of a range: after which sample (counted from the
// range's first) its loudest values are taken, and which column it is.
struct TVoldColumnEvent {
    int64_t sample;
    int column;
    bool operator==(const TVoldColumnEvent&) const = default;
};

// The columns that `count` samples over `columns` pixel columns paint: the
// diagram's accumulator starts at -1 and grows by columns / count a sample,
// and a column is painted whenever its integer part passes the last painted
// one. The reference runs the accumulator sample by sample; the fast one
// steps from column to column with the same arithmetic and gives the same
// list in a few steps a column.
std::vector<TVoldColumnEvent> VoldColumnEventsReference(int64_t count, int columns);
std::vector<TVoldColumnEvent> VoldColumnEvents(int64_t count, int columns);

// What the columns of one view of the diagram depend on: the samples in
// view, the number of columns, and per diagram (a track) the channel it
// listens to and its bands. Colours, Strength, Sensitivity, the selection
// and the exact height (as long as the number of bands stays) only change
// how the columns are painted.
struct TVoldTrack {
    int Channel = 0;
    TVoldBands Bands;
};

struct TVoldLayout {
    int64_t First = 0;  // the first sample of the view
    int64_t Count = 0;  // samples in view
    int Columns = 0;
    std::vector<TVoldTrack> Tracks;  // mono: one; stereo: left, then right

    // The same columns: range, column count and every track's bands.
    bool SameColumns(const TVoldLayout& other) const;
};

// The layout of the whole view of `args` (from Map.Left to Map.Right); the
// resonators start from rest at the view's first sample, whatever part of
// it is painted.
TVoldLayout VoldLayoutOf(const TVoldPaintArgs& args);

// The loudest value of every band in every column of a view, computed on
// worker threads. The tracks' bands are laid side by side in vector lanes
// (both channels of a stereo sound share vectors) and split over the
// threads; each thread walks the samples in short segments, so that the
// columns are ready in order from the left and a cancel is seen at once.
// Every lane does the reference's arithmetic statement for statement, so the
// values are the reference's bit for bit. After every column the resonators'
// state is kept too: a computation for a changed sound can take over the
// columns before the first changed sample and go on from there.
class TVoldComputation {
public:
    // `threads` 0: as many as the machine has. `vectorWidth` 0 picks the
    // widest the processor offers; 4, 8 or 16 ask for one (a width the
    // processor lacks falls back to a narrower one).
    TVoldComputation(std::shared_ptr<const Sound> sound, TVoldLayout layout, int threads = 0, int vectorWidth = 0);
    // The same over samples the caller keeps alive: `samples` holds each
    // track's samples from the layout's first one (at most two tracks).
    TVoldComputation(std::vector<const int16_t*> samples, TVoldLayout layout, int threads = 0, int vectorWidth = 0);
    ~TVoldComputation();
    TVoldComputation(const TVoldComputation&) = delete;
    TVoldComputation& operator=(const TVoldComputation&) = delete;

    // Takes over the columns `before` has ready that are still right: those
    // of the same layout whose samples up to them did not change. Only before
    // Start or Run.
    void TakeOver(const TVoldComputation& before);
    // Computes in the background.
    void Start();
    // Computes everything before it returns; this thread works too. Where
    // one thread's vectors are too few to keep it busy, a long view is cut in
    // time instead of in lanes: each thread walks every lane over a part of
    // the samples, the parts after the first starting from rest. Then, part
    // after part, the columns are computed again from the exact state before
    // them until the state after a column equals the one the part found bit
    // for bit; from there on the part's columns are the exact ones already.
    void Run();
    // Returns when everything is computed: waits for the background work,
    // or runs it here when none was started.
    void Wait();
    // Stops the workers at their next segment; what is ready stays ready.
    void Cancel();

    // The columns ready so far, from the left, in event order.
    size_t Ready() const;
    bool Done() const { return Ready() == events_.size(); }
    // Lane-samples left to compute, a measure of the work still to do.
    double Work() const;

    const TVoldLayout& Layout() const { return layout_; }
    const std::shared_ptr<const Sound>& TheSound() const { return sound_; }
    const std::vector<TVoldColumnEvent>& Events() const { return events_; }
    // The loudest values of track `t` at event `e`, one a band (e < Ready()).
    const float* Row(size_t t, size_t e) const { return max_[t].data() + e * layout_.Tracks[t].Bands.N; }

    // How the lanes are laid out and what they hold between segments.
    struct Plan;

private:
    void work(int share);
    // Walks the samples [from, to) with the vectors [v0, v1) of `p` (and the
    // tail vector) in segments; false when cancelled.
    bool walk(Plan& p, int v0, int v1, bool tail, int64_t from, int64_t to, std::atomic<size_t>* progress);
    // Run with the samples cut in time instead of the lanes; false when it
    // does not pay, and then nothing is done.
    bool runCutInTime();
    // Makes the columns [first, last) of a part that started from rest
    // exact, given exact columns before `first`; false when cancelled.
    bool settle(size_t first, size_t last);
    // Sets the lanes' state of `p` to the one kept after column `event`.
    void loadStateAfter(size_t event, Plan& p) const;
    void spawn(int from, bool background);
    void join();

    std::shared_ptr<const Sound> sound_;
    std::vector<const int16_t*> samples_;
    TVoldLayout layout_;
    std::vector<TVoldColumnEvent> events_;
    std::unique_ptr<Plan> plan_;
    int threads_ = 1;
    int cores_ = 1;  // the threads asked for, or the machine's
    // Per track: the column values and the resonators' state after each
    // event, one row of bands an event.
    std::vector<std::vector<float>> max_, a_, q_;
    size_t resumed_ = 0;  // events taken over
    std::vector<std::atomic<size_t>> progress_;
    std::atomic<bool> cancel_{false};
    std::vector<std::thread> workers_;
};

namespace vold_testing {
// Parts of a run cut in time are at least this many samples (0 restores the
// normal length), so that tests can cut short sounds.
void setShortestTimePart(int64_t samples);
}  // namespace vold_testing

// The diagram of one window: the columns of its present view, kept for
// repaints and computed again only when the view's columns change (a zoom, a
// resize that changes the columns or bands, a change of the bands' settings,
// a new sound); a newer view cancels the work for the older one and takes
// over what is still right. Small views are computed at once; larger ones in
// the background, painted as their columns arrive.
class TVoldDiagram {
public:
    // Below this much work (lane-samples, some 10 ms) a view is computed at
    // once, so that short waves never show a diagram half drawn.
    static constexpr double kAtOnce = 3e7;

    explicit TVoldDiagram(int threads = 0) : threads_(threads) {}

    // Makes the columns of this view available (args.TheSound must be
    // `sound`, which does not change while it is shown).
    void Update(const std::shared_ptr<const Sound>& sound, const TVoldPaintArgs& args);
    // Paints [clipLeft, clipRight) as PaintVoldView does, from the columns
    // ready; those still to come show as silence. Update first.
    void Paint(Canvas& canvas, const TVoldPaintArgs& args, int clipLeft, int clipRight) const;
    bool Computing() const { return current_ && !current_->Done(); }
    // The pixel columns [from, to) that became ready since the last call;
    // false when none did.
    bool NewlyReady(int& from, int& to);
    // Returns when the present view's columns are all there.
    void Wait();
    // Drops the columns and stops any work.
    void Clear();
    const TVoldComputation* Current() const { return current_.get(); }

private:
    int threads_;
    std::unique_ptr<TVoldComputation> current_;
    size_t reported_ = 0;
};

// Paints the columns [clipLeft, clipRight) of a view from a computation's
// ready columns (or, for the reference, from `reference`, one TVoldColumns
// a track): the parts outside the selection normally, the selection
// inverted, then the cursor line.
void PaintVoldColumns(Canvas& canvas, const TVoldPaintArgs& args, const TVoldComputation* columns,
                      const std::vector<TVoldColumns>* reference, int clipLeft, int clipRight);

}  // namespace korvane
