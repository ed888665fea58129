#include "core/Wave.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "core/Allocation.h"
#include "core/Assert.h"
#include "core/Sample.h"
#include "core/ScaledAdd.h"
#include "platform/Messages.h"

namespace korvane {

Wave::Wave(int32_t count, bool& failed) {
    if (count <= 0) return;
    wave = allocateSamples(static_cast<std::size_t>(count));
    if (!wave) {
        failed = true;
        reportOutOfMemory();
        return;
    }
    values = count;
}

Wave::Wave(int16_t* buffer, int32_t count) : wave(count > 0 ? buffer : nullptr), values(count > 0 ? count : 0) {
    if (count <= 0 && buffer) freeSamples(buffer);
}

Wave::~Wave() {
    if (values > 0) freeSamples(wave);
}

const WavePeaks& Wave::peaks() const {
    std::lock_guard<std::mutex> hold(peaksLock_);
    if (!peaks_) peaks_ = std::make_unique<WavePeaks>(wave, values);
    return *peaks_;
}

void Wave::forgetPeaks() {
    std::lock_guard<std::mutex> hold(peaksLock_);
    peaks_.reset();
}

std::unique_ptr<Wave> Wave::create(bool& failed, int32_t count) {
    if (failed) return nullptr;
    KORVANE_ASSERT(count >= 0);
    auto w = std::unique_ptr<Wave>(new (std::nothrow) Wave());
    if (!w) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    if (count == 0) return w;
    w->wave = allocateSamples(static_cast<std::size_t>(count));
    if (!w->wave) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    w->values = count;
    return w;
}

std::unique_ptr<Wave> Wave::copy(bool& failed, const Wave& other) {
    auto w = create(failed, other.values);
    if (!w) return nullptr;
    forChunks(failed, 0, other.values, [&](int64_t a, int64_t b) {
        std::memcpy(w->wave + a, other.wave + a, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    return w;
}

double Wave::readAt(double position) const {
    if (values <= 0) return 0;
    if (!(position > 0)) return wave[0];  // also NaN
    if (position >= values - 1) return wave[values - 1];
    int32_t i = static_cast<int32_t>(position);
    double f = position - i;
    if (f == 0) return wave[i];
    return (1 - f) * wave[i] + f * wave[i + 1];
}

double Wave::readAtOrZero(double position) const {
    if (!(position >= 0) || position > values - 1) return 0;
    return readAt(position);
}

void Wave::copyFrom(const Wave& from, int32_t begin, int32_t end, int32_t to) {
    forgetPeaks();
    KORVANE_ASSERT_RANGE(begin, end, from.values);
    KORVANE_ASSERT(end >= begin);
    KORVANE_ASSERT(to + end - begin <= values);
    KORVANE_ASSERT(to >= 0);
    if (end > begin) std::memmove(wave + to, from.wave + begin, static_cast<std::size_t>(end - begin) * sizeof(int16_t));
}

void Wave::zero(int32_t begin, int32_t end) {
    forgetPeaks();
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(end >= begin);
    if (end > begin) std::memset(wave + begin, 0, static_cast<std::size_t>(end - begin) * sizeof(int16_t));
}

void Wave::addFrom(const Wave& from, int32_t begin, int32_t end, int32_t to) {
    forgetPeaks();
    KORVANE_ASSERT_RANGE(begin, end, from.values);
    KORVANE_ASSERT(end >= begin);
    KORVANE_ASSERT(to + end - begin <= values);
    KORVANE_ASSERT(to >= 0);
    int16_t* d = wave + to;
    const int16_t* s = from.wave + begin;
    for (int32_t i = 0; i < end - begin; ++i) d[i] = addWrap(d[i], s[i]);
}

void Wave::drawLine(int32_t begin, double a, int32_t end, double b) {
    forgetPeaks();
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(end > begin);
    if (end == begin + 1) {
        wave[begin] = toSample((a + b) * 0.5);
        return;
    }
    double acc = a;
    double step = (b - a) / (end - begin - 1);
    for (int32_t i = begin; i < end; ++i) {
        wave[i] = toSample(acc);
        acc += step;
    }
}

void Wave::mixCycleAfter(bool& failed, const Wave& other, int32_t after) {
    forgetPeaks();
    KORVANE_ASSERT(values != 0);
    KORVANE_ASSERT(after < values);
    int64_t pos = after;
    forChunks(failed, 0, other.values, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) {
            wave[pos] = addWrap(wave[pos], other.wave[k]);
            if (++pos == values) pos = 0;
        }
    });
}

bool forChunksSideBySide(bool& failed, int64_t begin, int64_t end, const std::function<void(int64_t, int64_t)>& f) {
    // Below this a thread's start costs about what it saves.
    constexpr int64_t kWorthAThread = 1 << 20;
    const int64_t length = end - begin;
    if (length < 2 * kWorthAThread) return forChunks(failed, begin, end, f);
    const int parts = static_cast<int>(
        std::clamp<int64_t>(std::min<int64_t>(std::thread::hardware_concurrency(), length / kWorthAThread), 1, 4));
    if (parts == 1) return forChunks(failed, begin, end, f);
    runPartsSideBySide(parts, [&](int k) {
        forChunks(failed, begin + length * k / parts, begin + length * (k + 1) / parts, f);
    });
    return !flagSet(failed);
}

void runPartsSideBySide(int parts, const std::function<void(int)>& part) {
    std::vector<std::thread> helpers;
    int started = 1;
    for (; started < parts; ++started) {
        try {
            helpers.emplace_back(part, started);
        } catch (const std::system_error&) {
            break;
        }
    }
    part(0);
    for (auto& h : helpers) h.join();
    for (int k = started; k < parts; ++k) part(k);  // parts no thread could take
}

namespace {

// Below this factor every sum lies within 32 bits, where toSample is the
// plain truncation that the compiler turns into vector instructions.
constexpr double kPlainFactor = 65000;

// The plain truncation of to[k] + from[k] * factor for |factor| < kPlainFactor.
inline void addScaledPlain(int16_t* to, const int16_t* from, int64_t n, double factor) {
    for (int64_t k = 0; k < n; ++k)
        to[k] = static_cast<int16_t>(
            static_cast<uint16_t>(static_cast<uint32_t>(static_cast<int32_t>(to[k] + from[k] * factor))));
}

void addScaledPlainBasic(int16_t* to, const int16_t* from, int64_t n, double factor) {
    addScaledPlain(to, from, n, factor);
}

#if defined(__x86_64__) || defined(__i386__)
// Four doubles a step instead of two; the same operations in the same order,
// so the same samples (no fused multiply-add: the build forbids contraction).
__attribute__((target("avx2"))) void addScaledPlainWide(int16_t* to, const int16_t* from, int64_t n, double factor) {
    addScaledPlain(to, from, n, factor);
}
bool haveWideVectors() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}
#else
void addScaledPlainWide(int16_t* to, const int16_t* from, int64_t n, double factor) {
    addScaledPlain(to, from, n, factor);
}
bool haveWideVectors() { return false; }
#endif

}  // namespace

void addScaledSamples(int16_t* to, const int16_t* from, int64_t n, double factor) {
    if (std::fabs(factor) < kPlainFactor) {
        (haveWideVectors() ? addScaledPlainWide : addScaledPlainBasic)(to, from, n, factor);
        return;
    }
    for (int64_t k = 0; k < n; ++k) to[k] = toSample(to[k] + from[k] * factor);
}

void Wave::addScaledAfter(bool& failed, const Wave& other, int32_t after, double factor) {
    forgetPeaks();
    KORVANE_ASSERT(values != 0);
    KORVANE_ASSERT(after < values);
    KORVANE_ASSERT(after >= 0);
    int64_t n = std::min<int64_t>(other.values, values - after);
    forChunks(failed, 0, n, [&](int64_t a, int64_t b) {
        addScaledSamples(wave + after + a, other.wave + a, b - a, factor);
    });
}

int32_t Wave::addAfter(bool& failed, const Wave& other, int32_t after) {
    forgetPeaks();
    KORVANE_ASSERT(values != 0);
    KORVANE_ASSERT(after < values);
    KORVANE_ASSERT(after >= 0);
    int64_t n = std::min<int64_t>(other.values, values - after);
    int64_t done = 0;
    forChunks(failed, 0, n, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) wave[after + k] = addWrap(wave[after + k], other.wave[k]);
        done = b;
    });
    return static_cast<int32_t>(done);
}

void Wave::fillBalanceCurve(int32_t sampleFreq) {
    forgetPeaks();
    KORVANE_ASSERT(values == 150);
    static const int divisors[5] = {20000, 3500, 2500, 1000, 350};
    double anchor[5];
    for (int k = 0; k < 5; ++k) {
        int32_t q = sampleFreq / divisors[k];
        if (q <= 0) {
            // The formula divides by zero here; full scale is the value it tends to.
            anchor[k] = 32767;
            continue;
        }
        double v = std::log10(static_cast<double>(sampleFreq) / q * 0.05) * 21845 - 32768;
        v = std::clamp(v, -32768.0, 32767.0);
        anchor[k] = static_cast<int32_t>(v);
    }
    drawLine(0, anchor[0], 59, anchor[1]);
    drawLine(59, anchor[1], 75, anchor[2]);
    drawLine(75, anchor[2], 90, anchor[3]);
    drawLine(90, anchor[3], 149, anchor[4]);
    // The four lines are half-open and leave the last sample unwritten.
    wave[149] = static_cast<int16_t>(anchor[4]);
}

int32_t Wave::peak(bool& failed, int32_t begin, int32_t end) const {
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin <= end);
    int32_t best = 0;
    bool completed = forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
        int32_t m = best;
        for (int64_t i = a; i < b; ++i) {
            int32_t v = wave[i] < 0 ? -static_cast<int32_t>(wave[i]) : wave[i];
            m = v > m ? v : m;
        }
        best = m;
    });
    return completed ? best : 0;
}

std::unique_ptr<Wave> Wave::withGap(bool& failed, int32_t length, int32_t begin, int32_t end) const {
    end = resolveEnd(end);
    int64_t total = static_cast<int64_t>(values) - (end - begin) + length;
    if (total > INT32_MAX) {
        if (!failed) {
            failed = true;
            reportOutOfMemory();
        }
        return nullptr;
    }
    auto w = create(failed, static_cast<int32_t>(total));
    if (!w) return nullptr;
    forChunks(failed, 0, begin, [&](int64_t a, int64_t b) {
        std::memcpy(w->wave + a, wave + a, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    int64_t shift = static_cast<int64_t>(begin) + length - end;
    forChunks(failed, end, values, [&](int64_t a, int64_t b) {
        std::memcpy(w->wave + a + shift, wave + a, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    return w;
}

std::unique_ptr<Wave> Wave::extract(bool& failed, int32_t begin, int32_t end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin < end);
    auto w = create(failed, end - begin);
    if (!w) return nullptr;
    forChunks(failed, 0, end - begin, [&](int64_t a, int64_t b) {
        std::memcpy(w->wave + a, wave + begin + a, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    return w;
}

std::unique_ptr<Wave> Wave::remove(bool& failed, int32_t begin, int32_t end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin < end);
    return withGap(failed, 0, begin, end);
}

std::unique_ptr<Wave> Wave::replace(bool& failed, const Wave& other, int32_t begin, int32_t end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin <= end);
    auto w = withGap(failed, other.values, begin, end);
    if (!w) return nullptr;
    forChunks(failed, 0, other.values, [&](int64_t a, int64_t b) {
        std::memcpy(w->wave + begin + a, other.wave + a, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    return w;
}

std::unique_ptr<Wave> Wave::append(bool& failed, const Wave& other) const {
    if (failed) return nullptr;
    return replace(failed, other, values, values);
}

std::unique_ptr<Wave> Wave::insertSilence(bool& failed, int32_t length, int32_t& begin, int32_t& end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin <= end);
    KORVANE_ASSERT(length >= 0);
    auto w = withGap(failed, length, begin, end);
    if (!w) return nullptr;
    forChunks(failed, begin, static_cast<int64_t>(begin) + length, [&](int64_t a, int64_t b) {
        std::memset(w->wave + a, 0, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    end = begin + length;
    return w;
}

std::unique_ptr<Wave> Wave::stretch(bool& failed, int32_t length, bool reversed, int32_t& begin, int32_t& end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin < end);
    KORVANE_ASSERT(length > 0);
    auto w = withGap(failed, length, begin, end);
    if (!w) return nullptr;
    double step = static_cast<double>(end - begin) / length;
    double pos = 0;
    int16_t* out = w->wave + begin;
    forChunks(failed, 0, length, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) {
            out[k] = toSample(readAt(begin + pos));
            pos += step;
        }
    });
    if (reversed && !failed) std::reverse(out, out + length);
    end = begin + length;
    return w;
}

std::unique_ptr<Wave> Wave::stretchBy(bool& failed, double factor, int32_t& begin, int32_t& end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin < end);
    double len = std::fabs(factor) * (end - begin);
    if (!(len < 2147483647.0)) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    int32_t length = static_cast<int32_t>(len);
    if (length == 0) {
        end = begin;
        return create(failed, 0);
    }
    return stretch(failed, length, factor < 0, begin, end);
}

std::unique_ptr<Wave> Wave::resample(bool& failed, double factor) const {
    if (failed) return nullptr;
    if (values == 0) return create(failed, 0);
    int32_t begin = 0, end = values;
    return stretchBy(failed, factor, begin, end);
}

std::unique_ptr<Wave> Wave::weightedSum(bool& failed, double factor, const Wave& other, double otherFactor,
                                        int32_t begin, int32_t end) const {
    if (failed) return nullptr;
    end = resolveEnd(end);
    KORVANE_ASSERT(begin >= 0);
    KORVANE_ASSERT(end >= 0);
    KORVANE_ASSERT(begin <= end);
    KORVANE_ASSERT(end <= values);
    const Wave* daar = &other;
    KORVANE_ASSERT(values == daar->values);
    auto w = copy(failed, *this);
    if (!w) return nullptr;
    forChunks(failed, begin, end, [&](int64_t a, int64_t b) {
        for (int64_t i = a; i < b; ++i) w->wave[i] = toSample(factor * wave[i] + otherFactor * other.wave[i]);
    });
    return w;
}

std::unique_ptr<Wave> Wave::average(bool& failed, const Wave& otherWave) const {
    if (failed) return nullptr;
    const Wave* other = &otherWave;
    KORVANE_ASSERT(values == other->values);
    return weightedSum(failed, 0.5, otherWave, 0.5, 0, values);
}

std::unique_ptr<Wave> Wave::mixAt(bool& failed, const Wave& other, int64_t position, int32_t count, bool fromEnd) const {
    if (failed) return nullptr;
    int32_t taken = (count < 0 || count > other.values) ? other.values : count;
    int32_t takenFrom = fromEnd ? other.values - taken : 0;
    int64_t front = position < 0 ? -position : 0;
    int64_t back = position + taken - values;
    if (back < 0) back = 0;
    int64_t total = front + values + back;
    if (total > INT32_MAX) {
        failed = true;
        reportOutOfMemory();
        return nullptr;
    }
    auto w = create(failed, static_cast<int32_t>(total));
    if (!w) return nullptr;
    if (front > 0) std::memset(w->wave, 0, static_cast<std::size_t>(front) * sizeof(int16_t));
    forChunks(failed, 0, values, [&](int64_t a, int64_t b) {
        std::memcpy(w->wave + front + a, wave + a, static_cast<std::size_t>(b - a) * sizeof(int16_t));
    });
    if (back > 0) std::memset(w->wave + front + values, 0, static_cast<std::size_t>(back) * sizeof(int16_t));
    int64_t to = position + front;
    forChunks(failed, 0, taken, [&](int64_t a, int64_t b) {
        for (int64_t k = a; k < b; ++k) w->wave[to + k] = addWrap(w->wave[to + k], other.wave[takenFrom + k]);
    });
    return w;
}

std::unique_ptr<Wave> Wave::mixEndingAt(bool& failed, const Wave& other, int64_t position, int32_t count,
                                        bool fromEnd) const {
    if (failed) return nullptr;
    int32_t taken = (count < 0 || count > other.values) ? other.values : count;
    return mixAt(failed, other, position - taken, count, fromEnd);
}

namespace {
std::unique_ptr<Wave> sineTable;
}

const Wave* sinus() { return sineTable.get(); }

bool createSinus() {
    if (sineTable) return true;
    int16_t* buffer = allocateSamples(9000);
    if (!buffer) {
        messages().show(kSystemErrorTitle, "Could not create sinus.", MessageIcon::Error);
        return false;
    }
    for (int i = 0; i < 9000; ++i) buffer[i] = toSample(std::sin(2 * kPi * i / 9000) * 32767);
    sineTable = std::make_unique<Wave>(buffer, 9000);
    return true;
}

void destroySinus() { sineTable.reset(); }

}  // namespace korvane
