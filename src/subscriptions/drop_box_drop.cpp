#include "subscriptions/drop_box_drop.h"

#include <algorithm>
#include <string_view>

#include "base/helpers.h"
#include "subscriptions/link_validation.h"

namespace vellorin {
namespace {

constexpr const char* kNoTextCaption = "Drag-n-Drop Vellorin Link ...";
constexpr const char* kNoTextText =
    "Invalid link dropped! Please Drag any Vellorin URL to this DropBox and Subscribe!";
constexpr const char* kInvalidLinkCaption = "Invalid Vellorin Source Link.";
constexpr const char* kInvalidLinkText =
    "Invalid Vellorin Message Source Link. Please specify a correct Vellorin Source Link in "
    "\"Source Link\" field.";

bool IsLocalFile(std::string_view uri) {
    constexpr std::string_view kFileScheme = "file:";
    return uri.size() >= kFileScheme.size() &&
           EqualsNoCase(uri.substr(0, kFileScheme.size()), kFileScheme);
}

}  // namespace

std::optional<std::string> DroppedText(const DroppedData& data) {
    if (!data.uriList.empty() &&
        std::all_of(data.uriList.begin(), data.uriList.end(),
                    [](const std::string& uri) { return IsLocalFile(uri); }))
        return std::nullopt;
    if (data.plainText)
        return data.plainText;
    // The link field holds one link: the first of several dragged at once.
    if (!data.uriList.empty())
        return data.uriList.front();
    return std::nullopt;
}

std::optional<std::string> ProcessDroppedData(UserSeam& seam, const DroppedData& data) {
    std::optional<std::string> text = DroppedText(data);
    if (!text) {
        seam.messageBox(kNoTextCaption, kNoTextText, MsgIcon::Information);
        return std::nullopt;
    }
    if (!HasServiceHost(*text)) {
        seam.messageBox(kInvalidLinkCaption, kInvalidLinkText, MsgIcon::Exclamation);
        return std::nullopt;
    }
    return text;
}

}  // namespace vellorin
