#pragma once

#include <optional>
#include <string>

namespace vellorin {

// Where the monitor learns which address a browser shows: one source per browser service. A
// request gives the browser's reply as one text line of quoted, comma-separated fields, address
// first and title second (quote, address, quote-comma-quote, title, quote-comma-quote, quote
// quote), or nothing when the browser does not answer (not running, nothing readable).
class AddressSource {
public:
    virtual ~AddressSource() = default;
    virtual std::optional<std::string> request() = 0;
};

// A browser that never answers (one that does not exist on this system).
class SilentAddressSource final : public AddressSource {
public:
    std::optional<std::string> request() override { return std::nullopt; }
};

// The reply text for an address and a title, in the form AddressSource::request gives.
std::string MakeAddressReply(const std::string& address, const std::string& title);

}  // namespace vellorin
