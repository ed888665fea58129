#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace korvane {

class TMDIChildWave;

// "Select and Zoom": sets the cursor or the selected part, and the zoom, of
// the active wave window by typed times. Modeless.
class TDlgSelZoom : public QDialog {
    Q_OBJECT
public:
    explicit TDlgSelZoom(QWidget* parent, std::function<TMDIChildWave*()> activeWave);

    // Shows the active window's cursor, selection and zoom.
    void FillFromWindow();
    // The "Apply" button.
    void Apply();

    QRadioButton* rbCursor;
    QRadioButton* rbPart;
    QLineEdit* editCursor;
    QLineEdit* editPartBegin;
    QLineEdit* editPartEnd;
    QCheckBox* chkZoomed;
    QLineEdit* editZoomBegin;
    QLineEdit* editZoomEnd;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::function<TMDIChildWave*()> activeWave_;
};

}  // namespace korvane
