#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "core/TUnit.h"

namespace korvane {

// The common base of the child windows: it shows one document and says of
// which kind it is (1 wave, 2 music).
class TMDIChildKorvane : public QWidget {
    Q_OBJECT
public:
    explicit TMDIChildKorvane(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual int Kind() const = 0;
    // The document; null once the window let go of it.
    virtual TUnit* Unit() const = 0;
    // The document is about to be released: the window must not touch it any more.
    virtual void Detach() = 0;

    // The caption: the file name, or the document's name while it has no
    // file; and the icon of what the window shows.
    void RefreshCaption();
    // The name of the window's icon (CommandIcon): a wave window's says its
    // view kind and channel count.
    virtual QString IconName() const = 0;
    // Shows the icon of IconName on the window and its frame, when it changed.
    void RefreshIcon();

    // Asked when the window is about to close; false keeps it open (the save
    // question was cancelled).
    std::function<bool(TMDIChildKorvane&)> QueryClose;
    // Told once the close is decided.
    std::function<void(TMDIChildKorvane&)> Closed;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool closed_ = false;
    QString iconName_;
    QPointer<QWidget> iconFrame_;
};

}  // namespace korvane
