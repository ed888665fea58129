#include "render/NoteMixer.h"

#include <algorithm>
#include <functional>
#include <system_error>
#include <thread>

#include "core/Sample.h"
#include "core/ScaledAdd.h"

namespace korvane {

namespace {

// Sounds held for sharing and for pending notes stay within this part of the
// result's memory (and at least this many bytes, for short results).
constexpr std::size_t kHeldShare = 20;
constexpr std::size_t kHeldFloor = 256 * 1024;
// A batch smaller than this many sample additions is not worth a thread.
constexpr int64_t kThreadedWork = 1 << 20;
// The stop flag is read between pieces of this many samples.
constexpr int64_t kPiece = 1 << 16;

std::size_t waveBytes(const Wave& w) { return static_cast<std::size_t>(w.values) * sizeof(int16_t); }

}  // namespace

std::size_t TNoteMixer::KeyHash::operator()(const Key& k) const {
    std::size_t h = std::hash<const void*>()(k.Player);
    for (uint64_t v : {k.Period, k.Length, k.Tempo}) h = h * 1000003u ^ std::hash<uint64_t>()(v);
    return h;
}

TNoteMixer::TNoteMixer(Sound& result, bool& stop) : result_(result), stop_(stop) {
    std::size_t bytes = 0;
    for (int i = 0; i < result.Channels(); ++i) bytes += waveBytes(result.Channel(i));
    budget_ = std::max(bytes / kHeldShare, kHeldFloor);
}

TNoteMixer::~TNoteMixer() = default;

std::shared_ptr<const TMixedNote> TNoteMixer::Find(const Key& key) const {
    auto it = shared_.find(key);
    return it == shared_.end() ? nullptr : it->second;
}

std::shared_ptr<const TMixedNote> TNoteMixer::Keep(const Key& key, std::unique_ptr<Sound> made, double volume,
                                                   double start) {
    auto note = std::make_shared<TMixedNote>();
    note->Volume = volume;
    note->Start = start;
    if (made && made->GetValues() > 0) {
        for (int i = 0; i < made->Channels(); ++i) note->Bytes += waveBytes(made->Channel(i));
        for (int i = 0; i < result_.Channels(); ++i) {
            note->Channels[i] = result_.OtherChannelAt(stop_, *made, i);
            if (stop_) return nullptr;
            if (note->Channels[i].copy()) note->Bytes += waveBytes(*note->Channels[i]);
        }
    }
    // An empty sound adds nothing: it is kept as silence.
    if (note->Bytes > 0) note->Made = std::move(made);
    if (held_ + note->Bytes > budget_) {
        // What is pending holds the sounds it needs; once it is added they go.
        if (!Flush()) return nullptr;
        shared_.clear();
        held_ = 0;
    }
    held_ += note->Bytes;
    shared_[key] = note;
    return note;
}

bool TNoteMixer::Add(std::shared_ptr<const TMixedNote> note, int32_t position, double factor) {
    if (flagSet(stop_)) return false;
    if (!note || !note->Made || position < 0 || position >= result_.GetValues()) return true;
    pending_.push_back({std::move(note), position, factor});
    return true;
}

void TNoteMixer::AddSlice(int64_t begin, int64_t end, bool& stop) const {
    for (const Pending& p : pending_) {
        for (int c = 0; c < result_.Channels(); ++c) {
            const Wave& from = *p.Note->Channels[c];
            Wave& to = result_.Channel(c);
            const int64_t first = std::max<int64_t>(begin, p.Position);
            const int64_t last = std::min<int64_t>({end, int64_t{p.Position} + from.values, to.values});
            for (int64_t at = first; at < last; at += kPiece) {
                if (flagSet(stop)) return;
                const int64_t n = std::min(kPiece, last - at);
                addScaledSamples(to.wave + at, from.wave + (at - p.Position), n, p.Factor);
            }
        }
    }
}

bool TNoteMixer::Flush() {
    if (flagSet(stop_)) return false;
    if (pending_.empty()) return true;
    for (int c = 0; c < result_.Channels(); ++c) result_.Channel(c).forgetPeaks();
    int64_t lo = result_.GetValues(), hi = 0, work = 0;
    for (const Pending& p : pending_) {
        const int64_t end = std::min<int64_t>(int64_t{p.Position} + p.Note->Channels[0]->values, result_.GetValues());
        lo = std::min<int64_t>(lo, p.Position);
        hi = std::max(hi, end);
        work += (end - p.Position) * result_.Channels();
    }
    int threads = threads_ > 0 ? threads_ : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, 8);
    if (work < kThreadedWork || hi - lo < threads * kPiece) threads = 1;
    std::vector<std::thread> workers;
    const int64_t span = hi - lo;
    int64_t done = lo;
    for (int t = 1; t < threads; ++t) {
        const int64_t begin = lo + span * (t - 1) / threads, end = lo + span * t / threads;
        try {
            workers.emplace_back([this, begin, end] { AddSlice(begin, end, stop_); });
        } catch (const std::system_error&) {
            break;  // no thread to be had: this one does the rest
        }
        done = end;
    }
    AddSlice(done, hi, stop_);
    for (auto& w : workers) w.join();
    pending_.clear();
    return !flagSet(stop_);
}

}  // namespace korvane
