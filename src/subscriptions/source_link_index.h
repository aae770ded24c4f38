#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vellorin {

// The identifiers of the subscribed sources by their links, read from one subscription list file
// once, at the first look-up, and kept for the life of the object (a check run). Quiet: a list
// that is missing or damaged gives no identifiers and shows nothing, as the run's own look-ups
// report such a list. Single-threaded.
class SourceLinkIndex {
public:
    explicit SourceLinkIndex(std::string listPath) : listPath_(std::move(listPath)) {}

    // The identifier of the source whose link is exactly `link`, as LoadSource finds it (of two
    // sources with one link the later one in the file); empty when no source has that link.
    std::string idFor(std::string_view link);

private:
    std::string listPath_;
    std::optional<std::map<std::string, std::string, std::less<>>> ids_;
};

}  // namespace vellorin
