#include "shell/ui/qt_user_seam.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace vellorin {
namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None:
            return QMessageBox::NoIcon;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The buttons of each set, in the order the default-button index counts them.
std::vector<QMessageBox::StandardButton> ButtonsOf(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::OK:
            return {QMessageBox::Ok};
        case MsgButtons::OKCancel:
            return {QMessageBox::Ok, QMessageBox::Cancel};
        case MsgButtons::YesNo:
            return {QMessageBox::Yes, QMessageBox::No};
        case MsgButtons::YesNoCancel:
            return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    }
    return {QMessageBox::Ok};
}

MsgAnswer ToAnswer(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        default:
            return MsgAnswer::OK;
    }
}

// What a box closed without pressing a button means: its Cancel button if it has one, else No,
// else OK.
MsgAnswer EscapeAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::OK:
            return MsgAnswer::OK;
        case MsgButtons::YesNo:
            return MsgAnswer::No;
        case MsgButtons::OKCancel:
        case MsgButtons::YesNoCancel:
            return MsgAnswer::Cancel;
    }
    return MsgAnswer::OK;
}

std::size_t DefaultIndex(MsgDefault defaultButton) {
    switch (defaultButton) {
        case MsgDefault::First:
            return 0;
        case MsgDefault::Second:
            return 1;
        case MsgDefault::Third:
            return 2;
    }
    return 0;
}

// Stored texts end their lines with CR LF; a lone CR would show as a stray glyph in the box.
QString DisplayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

// The window that asks: the modal window the user answers, else the program's active window.
// Popups (a menu closing), tool tips (a balloon) and windows that never take the focus (the drop
// box, the notification popups) ask nothing.
QWidget* AskingWindow() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr)
        window = QApplication::activeWindow();
    if (window == nullptr || !window->isVisible())
        return nullptr;
    const Qt::WindowType type = window->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen ||
        window->testAttribute(Qt::WA_ShowWithoutActivating) ||
        window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
        return nullptr;
    return window;
}

}  // namespace

MsgAnswer DefaultAnswer(const MessageBoxRequest& request) {
    std::vector<QMessageBox::StandardButton> buttons = ButtonsOf(request.buttons);
    std::size_t index = DefaultIndex(request.defaultButton);
    // A default beyond the last button falls back to the first, as the box itself does.
    return ToAnswer(index < buttons.size() ? buttons[index] : buttons.front());
}

std::optional<MsgAnswer> AnswerOnStandardError(const MessageBoxRequest& request) {
    std::string line = request.caption + ": " + request.text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return DefaultAnswer(request);
}

MsgAnswer QtUserSeam::messageBox(const MessageBoxRequest& request) {
    if (autoAnswer_) {
        if (std::optional<MsgAnswer> answer = autoAnswer_(request)) {
            return *answer;
        }
    }

    // Owned, the box centres on its owner; on top, the drop box (always on top) cannot hide it.
    QMessageBox box(owner_ != nullptr ? owner_ : AskingWindow());
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setText(DisplayText(request.text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(ToQtIcon(request.icon));

    std::vector<QMessageBox::StandardButton> buttons = ButtonsOf(request.buttons);
    QMessageBox::StandardButtons set;
    for (QMessageBox::StandardButton b : buttons)
        set |= b;
    box.setStandardButtons(set);
    std::size_t index = DefaultIndex(request.defaultButton);
    box.setDefaultButton(index < buttons.size() ? buttons[index] : buttons.front());

    // The box's own event loop runs timers: the work that must not stand still while the user
    // reads the box (a check run's transfers) goes on from there.
    QTimer waitWork;
    waitWork.setInterval(kWaitWorkIntervalMs);
    QObject::connect(&waitWork, &QTimer::timeout, &waitWork, [this] { runWaitWork(); });
    waitWork.start();
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked == nullptr)
        return EscapeAnswer(request.buttons);
    return ToAnswer(box.standardButton(clicked));
}

void QtUserSeam::processEvents() {
    QCoreApplication::processEvents();
}

}  // namespace vellorin
