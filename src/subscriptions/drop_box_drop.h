#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/user_seam.h"

namespace vellorin {

// What a drop on the drop box offers, as the drag source gave it.
struct DroppedData {
    // The "text/plain" text (a link dragged from a browser, selected text), if offered.
    std::optional<std::string> plainText;
    // The links of "text/uri-list", each as written (percent-encoded), in order.
    std::vector<std::string> uriList;
};

// The text of a drop: the plain text when offered, else the first link of the list. None when the
// drop offers no text: neither format, or a list of local files only ("file:" links: a file
// dragged from the desktop or a file manager, whatever plain text comes with it, which is then
// only the file's path).
std::optional<std::string> DroppedText(const DroppedData& data);

// The drop box's drop. Without text: the box "Drag-n-Drop Vellorin Link ..." (information).
// Text without the service's host name: the box "Invalid Vellorin Source Link." (exclamation).
// Both end with none. Otherwise gives the text unchanged, for the subscribe dialog's link field.
// Changes no file.
std::optional<std::string> ProcessDroppedData(UserSeam& seam, const DroppedData& data);

}  // namespace vellorin
