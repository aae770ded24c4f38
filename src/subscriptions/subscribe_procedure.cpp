#include "subscriptions/subscribe_procedure.h"

#include <filesystem>

#include "base/app_context.h"
#include "base/helpers.h"
#include "subscriptions/link_validation.h"
#include "subscriptions/source_list_document.h"
#include "subscriptions/subscriptions.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

constexpr const char* kManagerRootKey = "main";

constexpr const char* kAlreadySubscribedCaption = "Already Subscribed!";
constexpr const char* kAlreadySubscribedText =
    "You have already subscribed to this Message channel!";
constexpr const char* kNotSubscribedCaption = "Source Not Subscribed!";

ProcedureResult SendBackTo(InputField field, bool selectLink = false) {
    return ProcedureResult{false, field, selectLink};
}

// SourceExists for `link`; a list that cannot be opened has shown its box and counts as no.
bool IsSubscribed(mSubscriptions& subscriptions, const std::string& link) {
    subscriptions.CurrentSource.Link = link;
    return subscriptions.SourceAction(mSubscriptions::SourceExists);
}

// Whether the list, read without any box, lacks `link`: the edited source was unsubscribed
// meanwhile (in the main window, by vellorinctl). A list that cannot be read is not judged here;
// the update reports it.
bool SourceGone(mSubscriptions& subscriptions, const std::string& link) {
    if (IsBlank(subscriptions.DataFolder))
        subscriptions.EnsureDataFolder();
    SourceListDocument doc;
    const std::string path = subscriptions.SubscriptionsPath();
    if (!std::filesystem::is_regular_file(path) ||
        doc.load(path) != SourceListDocument::LoadStatus::kOk)
        return false;
    for (const SourceEntry& source : doc.entries()) {
        if (source.link == link)
            return false;
    }
    return true;
}

}  // namespace

ProcedureResult SubscribeNow(AppContext& context, TreeControl& tvMessages, const std::string& title,
                             const std::string& link) {
    UserSeam& seam = context.seam();
    if (IsBlank(title)) {
        seam.messageBox("Title?", "Please specify a Title for Message Source.",
                        MsgIcon::Information);
        return SendBackTo(InputField::Title);
    }
    if (IsBlank(link)) {
        seam.messageBox("Link?", "Please specify the URL Link of Message Source.",
                        MsgIcon::Information);
        return SendBackTo(InputField::Link);
    }
    if (!HasServiceHost(link)) {
        seam.messageBox("Invalid Vellorin Source Link.",
                        "Invalid Vellorin Message Source Link. Please specify a correct Vellorin "
                        "Source Link in \"Source Link\" field.",
                        MsgIcon::Exclamation);
        return SendBackTo(InputField::Link, true);
    }
    mSubscriptions& subscriptions = context.subscriptions;
    if (IsSubscribed(subscriptions, link)) {
        seam.messageBox(kAlreadySubscribedCaption, kAlreadySubscribedText, MsgIcon::Exclamation);
        return SendBackTo(InputField::None);
    }
    if (!subscriptions.AddSource(title, link)) {
        seam.messageBox("Error!",
                        "Sorry; failed to add New Source to Subscription List. Please check the "
                        "URL and try again ...",
                        MsgIcon::Exclamation);
        return SendBackTo(InputField::None);
    }
    seam.messageBox("Done!", "New Source successfully Added to Subscription List!",
                    MsgIcon::Information);
    subscriptions.LoadSubscriptions(tvMessages);
    return ProcedureResult{true, InputField::None, false};
}

std::optional<SourceEditState> EditStateForSelection(const TreeControl& tvSources) {
    const TreeNode* node = tvSources.selectedNode();
    if (tvSources.count() == 0 || !node)
        return std::nullopt;
    return SourceEditState{true, node->key(), node->text(), node->tag()};
}

ProcedureResult SaveSource(AppContext& context, TreeControl& tvSources,
                           const SourceEditState& state, const std::string& title,
                           const std::string& link) {
    UserSeam& seam = context.seam();
    if (IsBlank(title)) {
        seam.messageBox("Title?", "Please specify Title for Message Source.", MsgIcon::Exclamation);
        return SendBackTo(InputField::Title);
    }
    if (IsBlank(link)) {
        seam.messageBox("Message Source Link?", "Please specify Message Source Link.",
                        MsgIcon::Exclamation);
        return SendBackTo(InputField::Link);
    }
    if (!HasServiceHost(link)) {
        seam.messageBox("Invalid Link!",
                        "You've specified invalid Message Source Link. Please specify correct "
                        "Vellorin Message Source URL.",
                        MsgIcon::Exclamation);
        return SendBackTo(InputField::Link, true);
    }
    mSubscriptions& subscriptions = context.subscriptions;
    if (state.editMode) {
        if (state.id != kManagerRootKey && SourceGone(subscriptions, state.link)) {
            seam.messageBox(kNotSubscribedCaption,
                            "\"" + state.title + "\" is no longer subscribed: it was removed " +
                                "while you were editing it. Nothing was saved.",
                            MsgIcon::Exclamation);
            subscriptions.LoadSubscriptions(tvSources);
            return SendBackTo(InputField::None);
        }
        // Two sources with one link would be renamed and removed together.
        if (link != state.link && IsSubscribed(subscriptions, link)) {
            seam.messageBox(kAlreadySubscribedCaption, kAlreadySubscribedText,
                            MsgIcon::Exclamation);
            return SendBackTo(InputField::Link, true);
        }
        SourceRecord& source = subscriptions.CurrentSource;
        source.ID = state.id;
        source.Link = state.link;
        source.Title = state.title;
        source.NewLink = link;
        source.NewTitle = title;
        if (!subscriptions.SourceAction(mSubscriptions::UpdateSource))
            return SendBackTo(InputField::None);
        seam.messageBox("Done!", "Message Source Details are successfully Saved!",
                        MsgIcon::Information);
    } else {
        if (IsSubscribed(subscriptions, link)) {
            seam.messageBox(kAlreadySubscribedCaption, kAlreadySubscribedText,
                            MsgIcon::Exclamation);
            return SendBackTo(InputField::None);
        }
        if (!subscriptions.AddSource(title, link))
            return SendBackTo(InputField::None);
        seam.messageBox("Done!", "New Message Source is succcessfully Subscribed!",
                        MsgIcon::Information);
    }
    subscriptions.LoadSubscriptions(tvSources);
    return ProcedureResult{true, InputField::None, false};
}

UnsubscribeResult UnsubscribeSelected(AppContext& context, TreeControl& tvSources) {
    UnsubscribeResult result;
    const TreeNode* node = tvSources.selectedNode();
    if (tvSources.count() == 0 || !node || node->key() == kManagerRootKey)
        return result;
    // The question lets events run, which may reload the tree: keep what is needed of the node.
    const std::string id = node->key();
    const std::string title = node->text();
    const std::string link = node->tag();
    result.asked = true;
    const MsgAnswer answer = context.seam().messageBox(
        "Unsubscribe " + title + "??",
        "Are you sure you want to Unsubscribe " + title +
            " message source? Please note that once you Unsubscribe, all offline Message content "
            "will also be lost.\r\n\r\nContinue??",
        MsgIcon::Question, MsgButtons::YesNo, MsgDefault::Second);
    if (answer != MsgAnswer::Yes)
        return result;

    mSubscriptions& subscriptions = context.subscriptions;
    subscriptions.CurrentSource.Link = link;
    subscriptions.CurrentSource.ID = id;
    result.removed = subscriptions.SourceAction(mSubscriptions::RemoveSource);
    if (result.removed)
        result.folderRemoved = subscriptions.RemoveSourceFolder(id);
    subscriptions.LoadSubscriptions(tvSources);
    return result;
}

}  // namespace vellorin
