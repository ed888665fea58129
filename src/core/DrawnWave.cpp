#include "core/DrawnWave.h"

#include <cstddef>

#include "core/Assert.h"
#include "core/Sample.h"

namespace korvane {

std::unique_ptr<Wave> drawnWave(bool& failed, std::span<const DrawnPoint> points, double left, double top, double right,
                                double bottom, int mode, int32_t freq) {
    if (failed || points.size() < 2) return nullptr;
    if (mode != drawnWaveLinear && mode != drawnWaveSmooth) KORVANE_ASSERT(false);
    auto w = Wave::create(failed, freq > 0 ? freq : 0);
    if (!w) return nullptr;
    const DrawnPoint* last = points.data() + points.size() - 1;
    const DrawnPoint* node = points.data();
    const DrawnPoint* nextNode = node + 1;
    forChunks(failed, 0, w->values, [&](int64_t a, int64_t b) {
        for (int64_t i = a; i < b; ++i) {
            double x = left + static_cast<double>(i) / freq * (right - left);
            // x only grows, so the search goes on from the segment before.
            while (nextNode->x < x) {
                node = nextNode;
                nextNode = nextNode == last ? NULL : nextNode + 1;
                KORVANE_ASSERT(nextNode != NULL);
            }
            double x0 = node->x, y0 = node->y, x1 = nextNode->x, y1 = nextNode->y;
            double d = x - x0;
            double y;
            if (mode == drawnWaveLinear) {
                y = y0 + d / (x1 - x0) * (y1 - y0);
            } else {
                double dx = x1 - x0;
                y = y0 + 3 * (y1 - y0) / (dx * dx) * (d * d) - 2 * (y1 - y0) / (dx * dx * dx) * (d * d * d);
            }
            w->wave[i] = toSample(32767 - (y - top) / (bottom - top) * 65534);
        }
    });
    return w;
}

}  // namespace korvane
