#include "view/ui/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>

namespace vellorin {
namespace {

QToolButton* Button(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setAccessibleName(text);
    button->setAutoRaise(true);
    return button;
}

}  // namespace

FindBar::FindBar(QTextEdit* view) : QWidget(view), view_(view) {
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("txtFind"));
    field_->setAccessibleName(QStringLiteral("Find"));
    field_->setPlaceholderText(QStringLiteral("Find in message"));
    field_->setClearButtonEnabled(true);
    field_->installEventFilter(this);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("lblMatches"));
    QToolButton* previous = Button(QStringLiteral("btnPrevious"), QStringLiteral("Previous"), this);
    QToolButton* next = Button(QStringLiteral("btnNext"), QStringLiteral("Next"), this);
    QToolButton* close = Button(QStringLiteral("btnCloseFind"), QStringLiteral("Close"), this);
    close->setText(QStringLiteral("\u2715"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(field_, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(count_);
    layout->addWidget(close);
    hide();

    connect(field_, &QLineEdit::textChanged, this, [this] {
        // A new text is looked for from the top of the page.
        QTextCursor start = view_->textCursor();
        start.movePosition(QTextCursor::Start);
        view_->setTextCursor(start);
        highlight();
        find(false);
    });
    connect(previous, &QToolButton::clicked, this, [this] { find(true); });
    connect(next, &QToolButton::clicked, this, [this] { find(false); });
    connect(close, &QToolButton::clicked, this, &FindBar::close);
}

void FindBar::open() {
    show();
    raise();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
    highlight();
    emit visibilityChanged();
}

void FindBar::close() {
    if (isHidden())
        return;
    hide();
    view_->setExtraSelections({});
    view_->setFocus(Qt::OtherFocusReason);
    emit visibilityChanged();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool shift = key->modifiers().testFlag(Qt::ShiftModifier);
        switch (key->key()) {
            case Qt::Key_Escape:
                close();
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_F3:
                find(shift);
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::highlight() {
    QList<QTextEdit::ExtraSelection> selections;
    const QString text = field_->text();
    int matches = 0;
    if (!text.isEmpty()) {
        QTextCharFormat marked;
        marked.setBackground(QColor(0xff, 0xe5, 0x6b));
        marked.setForeground(Qt::black);
        QTextDocument* document = view_->document();
        for (QTextCursor found = document->find(text); !found.isNull();
             found = document->find(text, found)) {
            // Counting every match of one letter in a very long page would take long.
            if (++matches > kMaxHighlights)
                break;
            selections.append({found, marked});
        }
    }
    view_->setExtraSelections(selections);
    count_->setText(text.isEmpty() ? QString()
                    : matches > kMaxHighlights
                        ? QStringLiteral("over %1 matches").arg(kMaxHighlights)
                    : matches == 1 ? QStringLiteral("1 match")
                                   : QStringLiteral("%1 matches").arg(matches));
    QPalette palette = field_->palette();
    palette.setColor(QPalette::Base, !text.isEmpty() && matches == 0
                                         ? QColor(0xff, 0xdd, 0xdd)
                                         : QPalette().color(QPalette::Base));
    field_->setPalette(palette);
}

void FindBar::find(bool backward) {
    const QString text = field_->text();
    if (text.isEmpty())
        return;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (view_->find(text, flags))
        return;
    // Past the last match, round to the first one (and back from the first to the last).
    QTextCursor wrap = view_->textCursor();
    wrap.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    view_->setTextCursor(wrap);
    view_->find(text, flags);
}

}  // namespace vellorin
