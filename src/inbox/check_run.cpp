#include "inbox/check_run.h"

#include <algorithm>
#include <utility>

#include "base/app_context.h"
#include "base/constants.h"
#include "base/helpers.h"
#include "inbox/feed_decoder.h"
#include "inbox/feed_parser.h"
#include "inbox/feed_validators.h"
#include "inbox/http_transfer.h"
#include "inbox/inbox_store.h"
#include "inbox/online_state.h"
#include "subscriptions/source_link_index.h"
#include "subscriptions/subscriptions.h"
#include "util/atomic_file.h"
#include "util/file_lock.h"
#include "view/tree_control.h"
#include "view/tree_place.h"

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
    stopRequested_ = false;
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
        if (IsBlank(context_.subscriptions.DataFolder))
            context_.subscriptions.EnsureDataFolder();
        SourceLinkIndex sources(context_.subscriptions.SubscriptionsPath());
        // The fetches of the first entries of the queue, in queue order: the front one and the
        // ones fetched ahead of their turn (0 for a source left alone).
        std::deque<TransferId> fetches;
        while (!CheckQueue_.empty()) {
            const std::size_t wanted = std::min(CheckQueue_.size(), kFetchAhead + 1);
            while (fetches.size() < wanted)
                fetches.push_back(startSourceFetch(
                    http, sources, std::string(QueueEntryLink(CheckQueue_[fetches.size()]))));

            const std::string entry = CheckQueue_.front();
            const std::string link(QueueEntryLink(entry));
            SetBusy(true);
            sourceInProgress_ = true;
            if (runInteractive_)
                hooks().showBusy(std::string(QueueEntryTitle(entry)));
            TransferId fetch = fetches.front();
            fetches.pop_front();
            // A source left alone when it was fetched ahead may be due by now.
            if (fetch == 0)
                fetch = startSourceFetch(http, sources, link);
            // The merged inboxes go in place while the run would wait for the network anyway, and
            // before the same source is merged again.
            if (!pendingMerges_.empty() &&
                ((fetch != 0 && http.ucHTTP().running(fetch)) || mergePending(link) ||
                 pendingMerges_.size() >= kPublishTogether ||
                 std::chrono::steady_clock::now() - firstPending_ >= kPublishDelay)) {
                publishMerges(tvMessages);
            }
            if (fetch != 0) {
                TransferResult reply = http.finishFetch(fetch);
                retryHolds_.note(
                    link,
                    FeedValidatorsPath(context_.subscriptions.DataFolder, sources.idFor(link)),
                    reply, context_.clock().now());
                // Unchanged since it was last stored: nothing to parse, show or announce.
                if (reply.failure != TransferFailure::NotModified)
                    checkSource(tvMessages, link, std::move(reply));
            }

            CheckQueue_.pop_front();
            sourceInProgress_ = false;
            if (runInteractive_ && listed_ > 0) {
                --listed_;
                hooks().lstQueueRemoveFirst();
            }
            if (stopRequested_) {
                CheckQueue_.clear();
                listed_ = 0;
                break;
            }
            // Moves the fetches ahead along while the window events run.
            http.ucHTTP().poll(0);
            context_.seam().processEvents();
        }
        publishMerges(tvMessages);
        http_ = nullptr;
    }

    SetBusy(false);
    hooks().unloadBusy();
    if (!IsBlank(NotifyText))
        hooks().ucTrayAlert(NotifyText, kAlertDisplayMs);
}

void mCheck::StopRun() {
    if (running_)
        stopRequested_ = true;
}

void mCheck::listQueued() {
    for (; listed_ < CheckQueue_.size(); ++listed_)
        hooks().lstQueueAddItem(std::string(QueueEntryTitle(CheckQueue_[listed_])));
}

TransferId mCheck::startSourceFetch(frmHTTP& http, SourceLinkIndex& sources,
                                    const std::string& link) {
    const std::string path =
        FeedValidatorsPath(context_.subscriptions.DataFolder, sources.idFor(link));
    if (!runInteractive_ && retryHolds_.held(link, path, context_.clock().now()))
        return 0;
    return http.startFetch(link, LoadFeedValidators(path));
}

void mCheck::checkSource(TreeControl& tvMessages, const std::string& link, TransferResult reply) {
    mSubscriptions& subscriptions = context_.subscriptions;
    subscriptions.CurrentSource.Link = link;
    // Merging a source that is no longer subscribed would put its items into the inbox of
    // whichever source was looked up before.
    if (!subscriptions.SourceAction(mSubscriptions::LoadSource))
        return;
    mInbox& inbox = context_.inbox;
    inbox.CurrentSourceID = subscriptions.CurrentSource.ID;
    // One hold of the source folder's lock for the merge, the validators and the tree's reload;
    // the locks they take themselves nest inside it at the cost of a stat each.
    PendingMerge merge;
    merge.lock = std::make_unique<FileLock>(inbox.InboxPath());
    if (merge.lock->locked()) {
        // Other processes wait for the lock, and this one has no write to these files under way
        // (a merge of this source waiting to be put in place was published before): temporary
        // files there are what a stopped check left.
        RemoveLeftoverTemporaryFiles(inbox.SourceFolder(), {kInboxFileName, kValidatorsFileName});
    }
    const DecodedFeed feed = DecodeFeed(reply.body, reply.charset);
    reply.body = std::string();
    merge.notifyBegin = NotifyText.size();
    const std::size_t waiting = publish_.size();
    const FeedMergeResult merged = [&] {
        const profile::PublishBatchScope batch(publish_);
        return ProcessFeed(context_, feed.text, subscriptions.CurrentSource.Title, runInteractive_,
                           NotifyText);
    }();
    merge.notifyEnd = NotifyText.size();
    merge.batchEnd = publish_.size();
    merge.link = link;
    merge.sourceId = inbox.CurrentSourceID;
    // A 304 to stored validators skips the feed: they may only stand for a feed wholly stored.
    merge.storeValidators =
        reply.ok() && merged.status == FeedStatus::Merged && merged.saveError == 0;
    merge.validators = std::move(reply.validators);
    if (publish_.size() == waiting) {
        finishMerge(tvMessages, merge, 0);
        return;
    }
    if (pendingMerges_.empty())
        firstPending_ = std::chrono::steady_clock::now();
    pendingMerges_.push_back(std::move(merge));
}

void mCheck::finishMerge(TreeControl& tvMessages, const PendingMerge& merge, int publishError) {
    mInbox& inbox = context_.inbox;
    inbox.CurrentSourceID = merge.sourceId;
    // Failing to store the validators costs a full fetch next time, nothing more.
    if (merge.storeValidators && publishError == 0) {
        (void)StoreFeedValidators(
            FeedValidatorsPath(context_.subscriptions.DataFolder, merge.sourceId),
            merge.validators);
    }
    // The rebuilt source keeps the user's place: expanded when it was, its message selected.
    const TreePlace place = TreePlace::CaptureSource(tvMessages, merge.sourceId);
    inbox.LoadInbox(tvMessages);
    place.Restore(tvMessages);
}

void mCheck::publishMerges(TreeControl& tvMessages) {
    if (pendingMerges_.empty())
        return;
    const std::vector<int> errors = publish_.publish();
    // Taken out first: the boxes below let events run, and a trigger from them must find nothing
    // waiting.
    std::vector<PendingMerge> merges = std::move(pendingMerges_);
    pendingMerges_.clear();
    std::vector<int> failures(merges.size(), 0);
    std::size_t from = 0;
    for (std::size_t i = 0; i < merges.size(); ++i) {
        for (; from < merges[i].batchEnd && from < errors.size(); ++from) {
            if (failures[i] == 0)
                failures[i] = errors[from];
        }
    }
    // Nothing of a merge that could not be put in place was stored: its sentence goes, the last
    // first so that the places of the earlier ones hold.
    for (std::size_t i = merges.size(); i-- > 0;) {
        if (failures[i] != 0)
            NotifyText.erase(merges[i].notifyBegin, merges[i].notifyEnd - merges[i].notifyBegin);
    }
    for (std::size_t i = 0; i < merges.size(); ++i) {
        if (failures[i] != 0 && runInteractive_)
            context_.seam().messageBox(SaveFailureMessage(failures[i]));
        finishMerge(tvMessages, merges[i], failures[i]);
    }
}

bool mCheck::mergePending(const std::string& link) const {
    return std::any_of(pendingMerges_.begin(), pendingMerges_.end(),
                       [&](const PendingMerge& m) { return m.link == link; });
}

}  // namespace vellorin
