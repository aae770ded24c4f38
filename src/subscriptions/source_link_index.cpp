#include "subscriptions/source_link_index.h"

#include "subscriptions/source_list_document.h"

namespace vellorin {

std::string SourceLinkIndex::idFor(std::string_view link) {
    if (!ids_) {
        ids_.emplace();
        SourceListDocument doc;
        if (doc.load(listPath_) == SourceListDocument::LoadStatus::kOk) {
            for (SourceEntry& entry : doc.entries())
                (*ids_)[std::move(entry.link)] = std::move(entry.id);
        }
    }
    const auto found = ids_->find(link);
    return found == ids_->end() ? std::string() : found->second;
}

}  // namespace vellorin
