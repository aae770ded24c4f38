#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/constants.h"
#include "base/user_seam.h"
#include "view/message_header.h"

namespace vellorin {

// The template (kTemplateFileName) lives in the application folder; the page rendered from it
// (kRenderedPageFileName) in the data folder.

constexpr std::string_view kMissingTemplateCaption = "Error!";
constexpr std::string_view kMissingTemplateText =
    "Message details can't be shown. Required Data file to present item description is missing! "
    "Please reinstall the application to resolve this issue.";

// A rendered page never grows past this through the template's replacements (see FillTemplate).
constexpr std::size_t kMaxPageBytes = std::size_t{64} << 20;

// The tab and window caption for a message title: a title of five or more space-separated
// pieces (two blanks in a row make an empty piece) gives its first four pieces, each followed
// by one blank, then "..."; a shorter title is returned unchanged.
std::string ShortTitle(const std::string& title);

// Fills the message page template in one pass from left to right: each token found in the
// template is replaced by its value, letter case significant, and the values put in are never
// searched again (a sender named "ART Shop" or a subject holding "DESC" stays as it is):
//   "FN"   FromName and one blank (nothing when FromName is blank)
//   "FEML" FromEmail      "DT" Date      "RT" ReplyName      "REML" ReplyEmail
//   "SL"   Subject        "DESC" Body
// Values go in as they are, without HTML escaping (the page is shown with scripts off and no
// access to other files). A template with many tokens could still make a long value fill the
// memory, so an occurrence is left as its token once replacing it would make the page larger
// than `maxPageBytes`; pages of real messages are far below the limit.
std::string FillTemplate(std::string_view templateText, const MessageHeader& header,
                         std::size_t maxPageBytes = kMaxPageBytes);

// The open message windows (frmDoc), as the main window keeps them. The desktop client
// implements this over its MDI area.
class OpenMessageWindows {
public:
    virtual ~OpenMessageWindows() = default;

    // True when a message window shows the message `guid` of source `sourceId` (exact comparison
    // of its SourceID and ItemID: two sources may carry the same guid); the first such window then
    // gets the focus.
    virtual bool FindOpenMessage(const std::string& sourceId, const std::string& guid) = 0;
    // Opens a new message window showing the page at `pagePath`, with SourceID `sourceId`, ItemID
    // `guid` and the window (and tab) caption `caption`, and makes it the most recently created
    // one.
    virtual void OpenMessageWindow(const std::string& sourceId, const std::string& guid,
                                   const std::string& caption, const std::string& pagePath) = 0;
};

// Renders the page of a message: reads appFolder/view.tpl, fills it from `header` and writes
// it, with a closing CR LF, over dataFolder/item.htm. Gives the path of item.htm.
// - Template missing (or no application folder): the critical box kMissingTemplateCaption /
//   kMissingTemplateText is shown, nothing is written, nullopt.
// - Template unreadable: ReadTextFile reports it and the page is rendered from empty text.
//   An empty template renders an empty page (just the CR LF).
// - item.htm cannot be written: WriteTextFile reports it and the result is nullopt, so that no
//   window shows the page of an earlier message instead. An empty data folder writes nothing
//   and gives nullopt.
[[nodiscard]] std::optional<std::string> RenderMessagePage(UserSeam& seam,
                                                           const std::string& appFolder,
                                                           const std::string& dataFolder,
                                                           const MessageHeader& header);

}  // namespace vellorin
