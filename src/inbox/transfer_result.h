#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "inbox/feed_validators.h"

namespace vellorin {

// Why a transfer gave no feed text. libcurl's codes are mapped onto these once, in
// TransferFailureFromCurl (curl_handle.h); everything above the transfer sees only these.
enum class TransferFailure {
    None,              // the body is the server's complete reply with a 2xx status
    BadLink,           // not an http or https address, or not an address at all
    NotResolved,       // the host (or the proxy) name has no address
    NotConnected,      // nobody accepted the connection
    TimedOut,          // the connect or whole-transfer time-out ran out
    TooLarge,          // the reply grew past the size cap; the transfer was stopped
    TooManyRedirects,  // more redirects than allowed (a loop, usually)
    Tls,               // the TLS handshake or the certificate check failed
    CutOff,            // the connection broke before the reply was complete
    BadReply,          // the server's reply could not be read as HTTP (or not decompressed)
    HttpStatus,        // the server answered with a status other than 2xx
    NotModified,       // 304 to a conditional request: the feed is as it was when validated
    Cancelled,         // the transfer was abandoned before it ended
    Other,             // any other failure (out of memory, internal errors)
};

// A short English name of the failure kind ("timed out", "too large", ...), for diagnostics.
std::string_view TransferFailureName(TransferFailure failure);

// What one fetch produced.
struct TransferResult {
    // The reply body after decompression. Always empty when the transfer failed, so that a
    // failed fetch goes on as an empty text.
    std::string body;
    // The status of the last reply received (after redirects); 0 when none arrived.
    long httpStatus = 0;
    // The charset parameter of the reply's Content-Type, as the server wrote it; empty when
    // there is none.
    std::string charset;
    TransferFailure failure = TransferFailure::None;
    // libcurl's own explanation, or the status line for HttpStatus; empty on success.
    std::string detail;
    // The ETag and Last-Modified of a successful reply (values that cannot be sent back are left
    // empty); empty after any failure.
    FeedValidators validators;
    // The Retry-After of the last reply received, as a delay from its arrival (a date is taken
    // relative to the system clock); zero when it had none, or named a moment already past.
    std::chrono::seconds retryAfter{0};

    bool ok() const { return failure == TransferFailure::None; }
};

// The value of the charset parameter of a Content-Type header value ("text/xml;
// charset="ISO-8859-1"" gives ISO-8859-1); empty when there is none. The parameter name is
// matched without regard to case; quotes around the value are removed.
std::string ContentTypeCharset(std::string_view contentType);

}  // namespace vellorin
