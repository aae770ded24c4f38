#include "inbox/transfer_result.h"

#include "base/helpers.h"

namespace vellorin {
namespace {

bool IsHttpSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimHttpSpace(std::string_view text) {
    while (!text.empty() && IsHttpSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsHttpSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::string_view TransferFailureName(TransferFailure failure) {
    switch (failure) {
        case TransferFailure::None:
            return "no failure";
        case TransferFailure::BadLink:
            return "not an http or https link";
        case TransferFailure::NotResolved:
            return "host name not found";
        case TransferFailure::NotConnected:
            return "connection refused";
        case TransferFailure::TimedOut:
            return "timed out";
        case TransferFailure::TooLarge:
            return "reply too large";
        case TransferFailure::TooManyRedirects:
            return "too many redirects";
        case TransferFailure::Tls:
            return "secure connection failed";
        case TransferFailure::CutOff:
            return "reply cut off";
        case TransferFailure::BadReply:
            return "unreadable reply";
        case TransferFailure::HttpStatus:
            return "server reported an error";
        case TransferFailure::NotModified:
            return "not modified";
        case TransferFailure::Cancelled:
            return "cancelled";
        case TransferFailure::Other:
            return "transfer failed";
    }
    return "transfer failed";
}

std::string ContentTypeCharset(std::string_view contentType) {
    // The media type comes first; parameters follow, each after a ";".
    std::size_t semicolon = contentType.find(';');
    while (semicolon != std::string_view::npos) {
        std::string_view rest = contentType.substr(semicolon + 1);
        std::size_t next = rest.find(';');
        std::string_view parameter = TrimHttpSpace(rest.substr(0, next));
        std::size_t equals = parameter.find('=');
        if (equals != std::string_view::npos &&
            EqualsNoCase(TrimHttpSpace(parameter.substr(0, equals)), "charset")) {
            std::string_view value = TrimHttpSpace(parameter.substr(equals + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return std::string(TrimHttpSpace(value));
        }
        semicolon = next == std::string_view::npos ? next : semicolon + 1 + next;
    }
    return {};
}

}  // namespace vellorin
