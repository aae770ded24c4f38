#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "inbox/inbox_store.h"
#include "view/message_header.h"

namespace vellorin {

class AppContext;
class TreeControl;
class UserSeam;

// The sub-items of the message menu's "Export to File" (mnuPopupSourceExportOpt), by index.
enum class ExportFormat : std::int16_t { Html = 0, Text = 1, Email = 2 };

// What the save dialog of one export shows. The filter is written "description|pattern;pattern".
struct ExportDialogSettings {
    std::string_view menuCaption;
    std::string_view title;
    std::string_view defaultExtension;  // without the dot
    std::string_view filter;
    bool proposesTitle;  // the proposed file name is the message title (else empty)
};

// The settings of the export with menu index `index`; null outside 0..2.
const ExportDialogSettings* ExportDialogFor(std::int16_t index);

// What the save dialog is asked to show.
struct SaveFileRequest {
    std::string title;
    std::string defaultExtension;
    std::string fileName;  // proposed, with its extension; may be empty
    std::string filter;
};

// The common save dialog. The desktop client shows a file chooser; vellorinctl answers with the
// file named on its command line. The dialog does not ask before replacing a file: the extension
// may still be added to the name it gives, so the export asks (ConfirmReplace) about the file it
// will really write, whichever dialog the desktop uses.
class SaveFileDialog {
public:
    virtual ~SaveFileDialog() = default;
    // The chosen file's path, or nullopt when the user cancelled.
    virtual std::optional<std::string> ShowSave(const SaveFileRequest& request) = 0;
};

// A stored title made usable as a proposed file name: NUL dropped, "/" made "_", other control
// characters made blanks, cut (at a character boundary) so that the name and ".ext" fit in a
// file name of 255 bytes; "." and ".." give an empty name. The name never leaves the folder the
// user picks in the dialog.
std::string SafeFileName(std::string_view title, std::string_view extension);

// `path` with "." + extension appended unless its last part already ends (letter case aside) in
// that extension or in one that `filter` lists ("*.htm;*.html"): a typed name without one gets
// it, and so does "Release 1.2 notes", whose dot starts no extension. A path ending in "/" is
// returned unchanged.
std::string WithDefaultExtension(const std::string& path, std::string_view extension,
                                 std::string_view filter = {});

// Before a file is replaced: when `path` exists, asks "Confirm Save As" (path + " already
// exists." and "Do you want to replace it?", Yes/No, No the default). True when nothing is there
// or the answer is Yes.
bool ConfirmReplace(UserSeam& seam, const std::string& path);

// The three file layouts, without the final CR LF that WriteTextFile adds. Values go in as they
// are: no escaping of markup or line breaks.
std::string HtmlExportText(const InboxItem& item);
std::string TextExportText(const MessageHeader& header);
// The draft declares the charset "UTF-8", in which the file is written.
std::string EmailExportText(const std::string& title, const MessageHeader& header);

// How an export ended.
enum class ExportOutcome {
    NoMessage,    // no message node selected, or an index outside 0..2: nothing done
    NotStored,    // the message could not be loaded from its inbox: nothing shown
    Cancelled,    // the dialog was cancelled, gave a blank name, or replacing was declined
    WriteFailed,  // WriteTextFile showed its "Error !" box
    Written,
};

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::NoMessage;
    std::string path;  // the file written (or tried), default extension included
};

// The "Export to File" command over the message tree's selected message. The collaborators are
// borrowed and must outlive the object.
class MessageExport {
public:
    MessageExport(AppContext& context, TreeControl& tvMessages, SaveFileDialog& dialog)
        : context_(context), tvMessages_(tvMessages), dialog_(dialog) {}

    // Loads the selected message (LoadItem), asks for a file with the index's dialog settings
    // (proposing the title with the extension), adds the extension where the name lacks it, asks
    // before replacing an existing file (ConfirmReplace) and writes the index's layout there with
    // WriteTextFile.
    ExportResult mnuPopupSourceExportOpt_Click(std::int16_t index);

private:
    AppContext& context_;
    TreeControl& tvMessages_;
    SaveFileDialog& dialog_;
};

}  // namespace vellorin
