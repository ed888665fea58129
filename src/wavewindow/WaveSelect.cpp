#include "wavewindow/WaveSelect.h"

#include <algorithm>
#include <cmath>

#include "values/ValueField.h"

namespace korvane {

namespace {

int32_t clampPos(int64_t p, int32_t values) { return static_cast<int32_t>(std::clamp<int64_t>(p, 0, values)); }

// The position `pixels` columns from `pos`.
int32_t movePixels(int32_t pos, int pixels, int32_t values, const TWaveMapping& map) {
    int32_t moved = clampPos(map.SampleAt(map.PixelOf(pos) + pixels), values);
    if (moved == pos) moved = clampPos(static_cast<int64_t>(pos) + (pixels < 0 ? -1 : 1), values);
    return moved;
}

}  // namespace

bool KeySelection(TSelectionEnds& sel, TSelKey key, bool shift, bool ctrl, int32_t values, const TWaveMapping& map) {
    int pixels = 0;
    switch (key) {
        case TSelKey::Left: pixels = -1; break;
        case TSelKey::Right: pixels = 1; break;
        case TSelKey::Up: pixels = -10; break;
        case TSelKey::Down: pixels = 10; break;
        default: break;
    }
    if (pixels != 0) {
        if (!shift && !ctrl) {
            sel.Cursor = movePixels(sel.Cursor, pixels, values, map);
            sel.Anchor = sel.Cursor;
        } else if (shift && !ctrl) {
            sel.Cursor = movePixels(sel.Cursor, pixels, values, map);
        } else if (ctrl && !shift) {
            sel.Anchor = movePixels(sel.Anchor, pixels, values, map);
        } else {
            sel.Cursor = movePixels(sel.Cursor, pixels, values, map);
            sel.Anchor = movePixels(sel.Anchor, pixels, values, map);
        }
        return true;
    }
    int32_t lo = std::min(sel.Cursor, sel.Anchor), hi = std::max(sel.Cursor, sel.Anchor);
    auto shiftBoth = [&](int64_t by) {
        sel.Cursor = clampPos(sel.Cursor + by, values);
        sel.Anchor = clampPos(sel.Anchor + by, values);
    };
    switch (key) {
        case TSelKey::Home:
            if (!shift && !ctrl) sel.Cursor = sel.Anchor = 0;
            else if (shift && !ctrl) sel.Cursor = 0;
            else if (ctrl && !shift) sel.Anchor = 0;
            else shiftBoth(-static_cast<int64_t>(lo));
            return true;
        case TSelKey::End:
            if (!shift && !ctrl) sel.Cursor = sel.Anchor = values;
            else if (shift && !ctrl) sel.Cursor = values;
            else if (ctrl && !shift) sel.Anchor = values;
            else shiftBoth(static_cast<int64_t>(values) - hi);
            return true;
        case TSelKey::PageUp:
        case TSelKey::PageDown: {
            if (!ctrl || shift) return false;
            // The whole selection moves by its own length, as far as the wave allows.
            int64_t length = hi - lo;
            if (key == TSelKey::PageUp) shiftBoth(-std::min<int64_t>(length, lo));
            else shiftBoth(std::min<int64_t>(length, static_cast<int64_t>(values) - hi));
            return true;
        }
        default: return false;
    }
}

bool MouseDownSelection(TSelectionEnds& sel, int x, bool shift, bool ctrl, int32_t values, const TWaveMapping& map) {
    if (values < 2) return false;
    int32_t s = static_cast<int32_t>(std::clamp<int64_t>(map.SampleAt(x), 0, values - 1));
    if (shift) {
        sel.Cursor = s;
    } else if (ctrl) {
        int64_t toCursor = std::llabs(static_cast<int64_t>(sel.Cursor) - s);
        int64_t toAnchor = std::llabs(static_cast<int64_t>(sel.Anchor) - s);
        sel.Anchor = toCursor < toAnchor ? sel.Cursor : sel.Anchor;
        sel.Cursor = s;
    } else {
        sel.Cursor = sel.Anchor = s;
    }
    return true;
}

int32_t DragCursor(int x, int32_t values, const TWaveMapping& map) {
    x = std::clamp(x, map.Left, std::max(map.Left, map.Right - 1));
    return static_cast<int32_t>(std::clamp<int64_t>(map.SampleAt(x), 0, std::max(0, values - 1)));
}

TZoomBar ZoomBarFor(double begin, double end, int32_t values, int width) {
    TZoomBar bar;
    if (values <= 0 || width <= 0) return bar;
    constexpr double kMaxRange = 1 << 30;
    double length = std::max(end - begin, 1.0);
    double range = static_cast<double>(width) * values / length;
    if (range > kMaxRange) range = kMaxRange;
    bar.Range = static_cast<int64_t>(range);
    bar.Position = static_cast<int64_t>(begin / values * bar.Range);
    bar.Position = std::clamp<int64_t>(bar.Position, 0, std::max<int64_t>(0, bar.Range - width));
    bar.PageStep = std::max(1, width / 10);
    return bar;
}

void ZoomFromBar(int64_t position, int64_t range, int32_t values, int width, double& begin, double& end) {
    if (range <= 0) {
        begin = 0;
        end = values;
        return;
    }
    begin = static_cast<double>(values) * position / range;
    end = static_cast<double>(values) * (width + position) / range;
}

namespace {

// Reads a time field of the dialog into samples; false with the message.
bool readSamples(const std::string& text, const std::string& caption, int32_t freq, int64_t& samples,
                 std::string& error) {
    unitTimePos field;
    if (!field.FromText(text, caption, error)) return false;
    double s = field.GetValue() * freq + 0.5;
    samples = static_cast<int64_t>(std::min(s, 4e18));
    return true;
}

bool beforeEnd(int64_t samples, int32_t values, const std::string& caption, std::string& error) {
    if (samples <= values) return true;
    error = "In " + caption + ": Must be prior before the end of the wave.";
    return false;
}

}  // namespace

TSelZoomResult ReadSelZoom(const TSelZoomInput& in, int32_t values, int32_t freq) {
    TSelZoomResult r;
    int64_t a = 0, b = 0;
    if (!in.Part) {
        if (!readSamples(in.CursorAt, "Selected Cursor", freq, a, r.Error)) return r;
        if (!beforeEnd(a, values, "Selected Cursor", r.Error)) return r;
        r.SelBegin = r.SelEnd = static_cast<int32_t>(a);
    } else {
        if (!readSamples(in.PartBegin, "Part Begin", freq, a, r.Error)) return r;
        if (!readSamples(in.PartEnd, "Part End", freq, b, r.Error)) return r;
        if (a >= b) {
            r.Error = "Part Begin must be prior before Part End.";
            return r;
        }
        if (!beforeEnd(a, values, "Part Begin", r.Error) || !beforeEnd(b, values, "Part End", r.Error)) return r;
        r.SelBegin = static_cast<int32_t>(a);
        r.SelEnd = static_cast<int32_t>(b);
    }
    r.Zoomed = in.Zoomed;
    if (in.Zoomed) {
        if (!readSamples(in.ZoomBegin, "Zoom Begin", freq, a, r.Error)) return r;
        if (!readSamples(in.ZoomEnd, "Zoom End", freq, b, r.Error)) return r;
        if (a >= b) {
            r.Error = "Zoom Begin must be prior before Zoom End.";
            return r;
        }
        if (!beforeEnd(a, values, "Zoom Begin", r.Error) || !beforeEnd(b, values, "Zoom End", r.Error)) return r;
        r.ZoomBegin = static_cast<int32_t>(a);
        r.ZoomEnd = static_cast<int32_t>(b);
    }
    return r;
}

}  // namespace korvane
