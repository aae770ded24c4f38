#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextEdit;

namespace vellorin {

// The find bar of the built-in message view (objectName "findBar"): a field for the text to
// find (txtFind), "Previous" and "Next" buttons, the number of matches and a close button.
// Every match in the view is highlighted while the bar is open, the current one selected and
// scrolled into view. Enter finds the next match, Shift+Enter the previous one (also F3 and
// Shift+F3), Esc closes the bar and gives the focus back to the view.
class FindBar : public QWidget {
    Q_OBJECT

public:
    // The bar finds in `view`, which is also its parent.
    explicit FindBar(QTextEdit* view);

    // Shows the bar with its field focused and its text selected.
    void open();
    // Hides the bar and takes the highlights off.
    void close();

    // The most matches highlighted at once; the rest are still found by Next and Previous.
    static constexpr int kMaxHighlights = 1000;

signals:
    // Shown or hidden.
    void visibilityChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void highlight();
    void find(bool backward);

    QTextEdit* view_;
    QLineEdit* field_;
    QLabel* count_;
};

}  // namespace vellorin
