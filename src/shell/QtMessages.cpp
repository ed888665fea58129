#include "shell/QtMessages.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <type_traits>

namespace korvane {

namespace {
// A box goes over the window the user works in: a dialog that stays on top
// would hide a box that belongs to the main window.
QWidget* ownerOf(QWidget* parent) {
    QWidget* active = QApplication::activeWindow();
    return active ? active : parent;
}

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}
// Texts name documents, files and labels as the user typed them: what looks
// like markup is shown as it is, never rendered (nor an image loaded).
void plainTexts(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    for (QLabel* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
}

// Work running beside the event loop (a long command) may need a box: it is
// shown by the window's thread while the work waits for the answer.
template <class F>
auto onWindowThread(F&& f) {
    if (!qApp || QThread::currentThread() == qApp->thread()) return f();
    using Result = decltype(f());
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(qApp, [&] { f(); }, Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(qApp, [&] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}
}  // namespace

void TQtMessages::show(const std::string& title, const std::string& text, MessageIcon icon) {
    onWindowThread([&] {
        QMessageBox box(iconOf(icon), QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                        ownerOf(parent_));
        plainTexts(box);
        box.exec();
    });
}

MessageAnswer TQtMessages::askYesNoCancel(const std::string& title, const std::string& text) {
    return onWindowThread([&] { return askYesNoCancelHere(title, text); });
}

MessageAnswer TQtMessages::askYesNoCancel(const std::string& title, const std::string& text,
                                          const std::string& about) {
    return onWindowThread([&] { return askYesNoCancelHere(title, text, about); });
}

MessageAnswer TQtMessages::askYesNoCancelHere(const std::string& title, const std::string& text,
                                              const std::string& about) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, ownerOf(parent_));
    box.setDefaultButton(QMessageBox::Yes);
    if (!about.empty()) box.setInformativeText(QString::fromStdString(about));
    plainTexts(box);
    const int b = box.exec();
    if (b == QMessageBox::Yes) return MessageAnswer::Yes;
    if (b == QMessageBox::No) return MessageAnswer::No;
    return MessageAnswer::Cancel;
}

MessageAnswer TQtMessages::askOkCancel(const std::string& title, const std::string& text) {
    return onWindowThread([&] { return askOkCancelHere(title, text); });
}

MessageAnswer TQtMessages::askOkCancelHere(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, ownerOf(parent_));
    box.setDefaultButton(QMessageBox::Ok);
    plainTexts(box);
    const int b = box.exec();
    return b == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

}  // namespace korvane
