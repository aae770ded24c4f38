#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "view/ui/message_view.h"

class QPrinter;
class QTemporaryFile;

namespace vellorin {

class UserSeam;

// frmDoc: the window of one open message. Its view ucBrowser shows the message page as it was
// when the window opened: the page file is read whole at once, and a copy that only this window
// knows is what the view loads, so the next message written over the page file, and the view's
// own reloads, leave this window's page as it is. The page runs no script and reaches no other
// file or address; a link the user clicks opens in the desktop's browser or mail program
// (MessageView).
//
// The view comes from the factory the window is made with: the built-in view unless told
// otherwise (MessageViewChoice picks the one the user chose).
class frmDoc : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString ItemID READ ItemID WRITE setItemID)
    Q_PROPERTY(QString SourceID READ SourceID WRITE setSourceID)

public:
    using UrlOpener = MessageView::LinkOpener;
    // Asks where to save the page, proposing `proposedPath`; an empty text when cancelled. The
    // chooser does not ask before a file is replaced: savePageAs does, about the final name.
    using SavePathChooser = std::function<QString(QWidget* parent, const QString& proposedPath)>;
    // Lets the user set the printer up; false when cancelled.
    using PrintSetup = std::function<bool(QPrinter& printer, QWidget* parent)>;

    // Opens the page at `pagePath` with the caption `caption`. A page file that cannot be read
    // is reported through `seam` (ReadTextFile's box) and shows as an empty page. The seam must
    // outlive the window. The view comes from `views` (BuiltInMessageViewFactory when none).
    frmDoc(UserSeam& seam, const QString& caption, const QString& pagePath,
           QWidget* parent = nullptr, MessageViewFactory* views = nullptr);
    ~frmDoc() override;

    // The guid of the message shown.
    QString ItemID() const { return itemId_; }
    void setItemID(const QString& sItemID) { itemId_ = sItemID; }
    // The identifier of the message's source: guids are unique only within one source.
    QString SourceID() const { return sourceId_; }
    void setSourceID(const QString& sSourceID) { sourceId_ = sSourceID; }

    // The view's widget (objectName "ucBrowser").
    QWidget* ucBrowser() const { return view_ ? view_->widget() : nullptr; }
    // The page as read when the window opened.
    const QByteArray& pageContent() const { return content_; }

    // Who opens a clicked link: the desktop (QDesktopServices::openUrl) unless replaced.
    void setUrlOpener(UrlOpener opener);
    // The file chooser of savePageAs (a QFileDialog unless replaced).
    void setSavePathChooser(SavePathChooser chooser) { savePathChooser_ = std::move(chooser); }
    // The printer setup of printPage (a QPrintDialog unless replaced).
    void setPrintSetup(PrintSetup setup) { printSetup_ = std::move(setup); }

    // File > Save As: asks for a file (the message's caption with ".html" as proposed name),
    // adds ".html" to a name without an HTML extension, asks before replacing an existing file
    // (ConfirmReplace) and writes the page there as HTML, exactly as it was read. A file that
    // cannot be written is reported with the "Error !" box and nothing else changes; a cancelled
    // choice, or a replace declined, does nothing.
    Q_INVOKABLE void savePageAs();
    // File > Print: asks for the printer, then prints the page; printFinished tells the outcome.
    // Does nothing while an earlier print of this window is still going, or when cancelled.
    Q_INVOKABLE void printPage();

signals:
    // The view has finished loading the page.
    void pageLoaded(bool ok);
    // A print started by printPage has ended.
    void printFinished(bool ok);

private:
    void ucBrowser_printFinished(bool ok);

    UserSeam& seam_;
    QString itemId_;
    QString sourceId_;
    QByteArray content_;
    std::unique_ptr<QTemporaryFile> pageCopy_;
    MessageView* view_ = nullptr;
    SavePathChooser savePathChooser_;
    PrintSetup printSetup_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace vellorin
