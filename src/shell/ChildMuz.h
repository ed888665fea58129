#pragma once

#include <QWidget>
#include <functional>

#include "music/TUnitMuz.h"
#include "shell/ChildWin.h"

class QScrollBar;

namespace korvane {

// The window of one music document: its staves and symbols as a score,
// edited with the mouse and the keys.
class TMDIChildMuz : public TMDIChildKorvane {
    Q_OBJECT
public:
    explicit TMDIChildMuz(TUnitMuz& doc, QWidget* parent = nullptr);
    ~TMDIChildMuz() override;

    int Kind() const override { return unitKindMuz; }
    TUnit* Unit() const override { return doc_; }
    TUnitMuz* Doc() const { return doc_; }
    void Detach() override;

    // Draws the score anew after the document changed.
    void Repaint();

    // Told after every change the window made to the document (the main
    // window refreshes its status and the open music dialogs).
    std::function<void()> Changed;
    // Ctrl+D and Shift+Ctrl+D: shows or hides the music dialog.
    std::function<void()> ToggleMusicDialog;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TUnitMuz* doc_;
};

}  // namespace korvane
