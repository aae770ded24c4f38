#pragma once

#include <string>

namespace vellorin {

// The e-mail style header of a message and the HTML body after it. All fields are empty when
// not found.
struct MessageHeader {
    std::string FromName;   // sender's display name
    std::string FromEmail;  // sender's address
    std::string Subject;
    std::string Date;        // as the header gives it, not parsed
    std::string ReplyName;   // reply-to display name
    std::string ReplyEmail;  // reply-to address
    std::string Body;        // the HTML after the header block

    bool operator==(const MessageHeader&) const = default;
};

// Cuts a stored message description into its header fields and body.
//
// The service writes the header as an HTML comment at the start of the description:
//   <!-- header start:
//   from: &quot;Name&quot; &lt;address&gt;<br />
//   subject: ...<br />  date: ...<br />  reply-to: &quot;Name&quot; &lt;address&gt;<br />
//   header end -->  <style>...}</style> body ...
// The block runs from the 14th character after the start of "header start:" (the marker and the
// line break after it) up to "header end"; the markers are matched with letter case, the labels
// "from:", "subject", "date", "reply" without. In the block "&quot;", "&lt;", "&gt;" are decoded
// and "<br />", "<p>", "</p>" removed, in that order. Each value runs from just after its label
// ("from: " and the opening quote, "subject: ", "date: ", "reply-to: ") to the next label, or for
// reply-to to the end of the block; values are not trimmed, so they keep the line break before
// the next label. A from or reply-to value loses its double quotes and is split at its first
// "<" into name and address (the address without any ">"); without "<" it is all address.
// The body is the text after "header end -->". When that text begins (after blanks) with a
// <style> element, the service's style rule is dropped: the body starts just after the first "}"
// inside the element (so it starts with the element's closing tag). Any other body is taken
// whole, whatever braces its text holds.
//
// Descriptions that do not follow the layout give these results (never a failure):
// - no "header start:", or no "header end" after it: every header field is empty;
// - a label that is missing from the block: its field (or both fields of from / reply-to) is
//   empty;
// - the label that should end a value is missing after it: the value runs to the end of the block;
// - no "header end -->": Body is the whole description.
MessageHeader ParseHeader(const std::string& description);

}  // namespace vellorin
