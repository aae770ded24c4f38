#include "inbox/check_run.h"

#include <algorithm>
#include <utility>

#include "app/app_context.h"
#include "app/constants.h"
#include "app/helpers.h"
#include "inbox/feed_decoder.h"
#include "inbox/feed_parser.h"
#include "inbox/http_transfer.h"
#include "inbox/online_state.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

// Clears a flag when the scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

std::string_view QueueEntryTitle(std::string_view entry) {
    return entry.substr(0, entry.find(kFieldSeparator));
}

std::string_view QueueEntryLink(std::string_view entry) {
    const std::size_t separator = entry.find(kFieldSeparator);
    return separator == std::string_view::npos ? entry : entry.substr(separator + 1);
}

void mCheck::SetBusy(bool busy) {
    busy_ = busy;
    hooks().setTrayBusy(busy);
}

bool mCheck::OnlineForCheck() {
    if (context_.online.IsOnline())
        return true;
    if (InteractiveCheck)
        context_.seam().messageBox(WorkingOfflineMessage());
    return false;
}

void mCheck::QueueSources(TreeControl& tvMessages, bool all) {
    if (!OnlineForCheck())
        return;
    if (!all) {
        const TreeNode* selected = tvMessages.selectedNode();
        if (selected && !selected->parent())
            QueueAdd(selected->text(), selected->tag());
        return;
    }
    for (int row = 0; row < tvMessages.topLevelCount(); ++row) {
        const TreeNode* source = tvMessages.topLevelNode(row);
        QueueAdd(source->text(), source->tag());
    }
}

void mCheck::QueueAdd(const std::string& title, const std::string& link) {
    queueCreated_ = true;
    std::string entry;
    entry.reserve(title.size() + 1 + link.size());
    entry.append(title).append(1, kFieldSeparator).append(link);
    CheckQueue_.push_back(std::move(entry));
}

void mCheck::ProcessQueue(TreeControl& tvMessages) {
    if (!queueCreated_)
        return;
    if (running_) {
        // A trigger from inside the run: its entries are already on the queue the run works
        // through; only the busy window's list has to show them too. A user who asks for a check
        // while a silent one goes on sees the rest of that run as if they had started it.
        if (InteractiveCheck && !runInteractive_) {
            runInteractive_ = true;
            listed_ = 0;
            listQueued();
            if (sourceInProgress_)
                hooks().showBusy(std::string(QueueEntryTitle(CheckQueue_.front())));
            if (http_)
                http_->setInteractiveCheck(true);
        } else if (runInteractive_) {
            listQueued();
        }
        return;
    }
    FlagScope running(running_);
    runInteractive_ = InteractiveCheck;
    listed_ = 0;
    if (runInteractive_)
        listQueued();
    NotifyText.clear();

    {
        frmHTTP http(
            context_.seam(), runInteractive_,
            [this](const std::string& text) { hooks().lblStatus(text); }, transferOptions);
        http_ = &http;
        // The fetches of the first entries of the queue, in queue order: the front one and the
        // ones fetched ahead of their turn.
        std::deque<TransferId> fetches;
        while (!CheckQueue_.empty()) {
            const std::size_t wanted = std::min(CheckQueue_.size(), kFetchAhead + 1);
            while (fetches.size() < wanted)
                fetches.push_back(
                    http.startFetch(std::string(QueueEntryLink(CheckQueue_[fetches.size()]))));

            const std::string entry = CheckQueue_.front();
            SetBusy(true);
            sourceInProgress_ = true;
            if (runInteractive_)
                hooks().showBusy(std::string(QueueEntryTitle(entry)));
            TransferResult reply = http.finishFetch(fetches.front());
            fetches.pop_front();
            checkSource(tvMessages, std::string(QueueEntryLink(entry)), std::move(reply.body),
                        reply.charset);

            CheckQueue_.pop_front();
            sourceInProgress_ = false;
            if (runInteractive_ && listed_ > 0) {
                --listed_;
                hooks().lstQueueRemoveFirst();
            }
            // Moves the fetches ahead along while the window events run.
            http.ucHTTP().poll(0);
            context_.seam().processEvents();
        }
        http_ = nullptr;
    }

    SetBusy(false);
    hooks().unloadBusy();
    if (!IsBlank(NotifyText))
        hooks().ucTrayAlert(NotifyText, kAlertDisplayMs);
}

void mCheck::listQueued() {
    for (; listed_ < CheckQueue_.size(); ++listed_)
        hooks().lstQueueAddItem(std::string(QueueEntryTitle(CheckQueue_[listed_])));
}

void mCheck::checkSource(TreeControl& tvMessages, const std::string& link, std::string body,
                         const std::string& charset) {
    mSubscriptions& subscriptions = context_.subscriptions;
    subscriptions.CurrentSource.Link = link;
    // Merging a source that is no longer subscribed would put its items into the inbox of
    // whichever source was looked up before.
    if (!subscriptions.SourceAction(mSubscriptions::LoadSource))
        return;
    mInbox& inbox = context_.inbox;
    inbox.CurrentSourceID = subscriptions.CurrentSource.ID;
    const DecodedFeed feed = DecodeFeed(body, charset);
    body = std::string();
    ProcessFeed(context_, feed.text, subscriptions.CurrentSource.Title, runInteractive_,
                NotifyText);
    inbox.LoadInbox(tvMessages);
}

}  // namespace vellorin
