#pragma once

class QLabel;
class QString;
class QStatusBar;

namespace korvane {

// The eight panels of the main window's status bar: hints, the mouse
// readout, and six for the document (length, frequency, bits, channels,
// size, state). Each keeps the width its widest text needs; when the bar is
// too narrow the hints panel gives way first, then the panels from the
// right, and the mouse readout always stays.
class TStatusPanels {
public:
    explicit TStatusPanels(QStatusBar* bar);
    QLabel* Panel(int index) const { return index >= 0 && index < 8 ? panels_[index] : nullptr; }
    // Panel 1 shows the text, widened to it (at least to `given`); it only grows.
    void ShowInPanel1(const QString& text, int given);
    // The panels side by side in the width the bar has now.
    void Fit();

private:
    QStatusBar* bar_;
    QLabel* panels_[8] = {};
    int widths_[8] = {};  // each panel's width when there is room
};

}  // namespace korvane
