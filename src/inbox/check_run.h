#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "inbox/feed_validators.h"
#include "inbox/retry_holds.h"
#include "inbox/transfer_pool.h"
#include "inbox/transfer_result.h"
#include "store/publish_batch.h"
#include "util/file_lock.h"

namespace vellorin {

class AppContext;
class SourceLinkIndex;
class TreeControl;
class frmHTTP;

// What a check run shows, apart from its message boxes: the busy window frmBusy with its list
// lstQueue and label lblStatus, the tray icon's busy picture and the tray alert ucTrayAlert. The
// desktop client implements it with its windows, vellorinctl prints, tests record. Every call
// comes from the thread that runs the check. The defaults do nothing.
class CheckRunHooks {
public:
    virtual ~CheckRunHooks() = default;

    // lstQueue.AddItem: a source waiting in the run (interactive runs).
    virtual void lstQueueAddItem(const std::string& title) { (void)title; }
    // Removes the first line of lstQueue: that source is done (interactive runs).
    virtual void lstQueueRemoveFirst() {}
    // frmBusy is shown (not modal) for the source now in progress and moved right by half the
    // width of frmOptions (interactive runs).
    virtual void showBusy(const std::string& sourceTitle) { (void)sourceTitle; }
    // lblStatus's caption: a transfer state's text, empty to clear it (interactive runs).
    virtual void lblStatus(const std::string& text) { (void)text; }
    // frmBusy is unloaded at the end of every run, shown or not.
    virtual void unloadBusy() {}
    // SetBusy: the tray icon shows picBusy while `busy`, the main window's icon otherwise.
    virtual void setTrayBusy(bool busy) { (void)busy; }
    // ucTrayAlert shows the run's announcement for `displayMs` milliseconds.
    virtual void ucTrayAlert(const std::string& text, int displayMs) {
        (void)text, (void)displayMs;
    }
};

// The title part (before the first character 5) and the link part (after it; the whole entry
// when there is none) of a CheckQueue entry.
std::string_view QueueEntryTitle(std::string_view entry);
std::string_view QueueEntryLink(std::string_view entry);

// mCheck: the check runs. A run fetches the feeds of the queued sources, merges their new items
// into the inboxes (ProcessFeed), rebuilds their nodes in the message tree and announces what is
// new once at the end. Owned by the AppContext; single-threaded.
class mCheck {
public:
    static constexpr std::size_t kFetchAhead = 4;
    static constexpr int kAlertDisplayMs = 6000;
    static constexpr std::size_t kPublishTogether = 32;
    static constexpr std::chrono::milliseconds kPublishDelay{200};

    explicit mCheck(AppContext& context) : context_(context) {}
    mCheck(const mCheck&) = delete;
    mCheck& operator=(const mCheck&) = delete;

    // Set by each trigger before it queues: true for the user's commands, false for the schedule.
    // Only interactive runs show the busy window, the transfer states and the failure boxes. A
    // run is interactive when it starts with this set, and from the moment a trigger with this
    // set joins it (ProcessQueue while running); a run never turns silent.
    bool InteractiveCheck = false;
    // The announcement of the last run: one sentence per source with new messages, in queue
    // order. Emptied when a run starts.
    std::string NotifyText;
    // The limits of every fetch (time-outs, size cap, redirects).
    TransferOptions transferOptions;

    // Sources waiting for their check: title, character 5, link.
    const std::deque<std::string>& CheckQueue() const { return CheckQueue_; }

    // The busy flag: true while a run works on its sources. SetBusy also switches the tray icon.
    bool IsBusy() const { return busy_; }
    void SetBusy(bool busy);

    // True while ProcessQueue runs (from before its first source to after its announcement).
    bool running() const { return running_; }

    // Borrowed; must outlive its use. nullptr restores the do-nothing hooks.
    void setHooks(CheckRunHooks* hooks) { hooks_ = hooks ? hooks : &noHooks_; }
    CheckRunHooks& hooks() const { return *hooks_; }

    // Whether a run may queue anything: IsOnline; when offline, an interactive check
    // (InteractiveCheck) shows "Working Offline?" first.
    [[nodiscard]] bool OnlineForCheck();

    // Appends the sources of the message tree (its top-level nodes: text title, tag link) to the
    // queue: every one in tree order with `all`, else the selected one (nothing when a message
    // node, or nothing, is selected). Entries already queued stay. Offline, nothing is queued
    // (see OnlineForCheck).
    void QueueSources(TreeControl& tvMessages, bool all);

    // Appends title, character 5, link to the queue.
    void QueueAdd(const std::string& title, const std::string& link);

    // Works the queue off to the end, one source after the other in queue order: fetch, look the
    // link up in the subscription list, ProcessFeed into that source's inbox, LoadInbox on
    // `tvMessages`, remove the entry. The next kFetchAhead entries are already being fetched
    // while one is merged. An entry whose link no longer matches a subscribed source is skipped:
    // nothing is stored for it. Ends with SetBusy(false), unloadBusy and, when NotifyText is not
    // blank, ucTrayAlert(NotifyText, 6000).
    //
    // Each fetch sends the validators stored for the source (FeedValidators); a 304 reply skips
    // the source without a box, a merge or a tree change. After a merge that stored every new
    // item, the reply's validators replace the stored ones (none: the file is removed). A source
    // whose server answered 429 or 503 with Retry-After is not fetched by scheduled runs until
    // then, in this process or any other (RetryHolds); the user's runs fetch it as usual.
    //
    // A source's first inbox is put in place together with those of the sources after it (see
    // publish_batch.h), before the run waits for a transfer, after kPublishTogether of them, at
    // the latest kPublishDelay after the first of them, and at the end of the run; its node in
    // `tvMessages` is rebuilt and its validators stored only then. An inbox that cannot be put in
    // place counts as a failed save: the failure box in an interactive run, no validators and no
    // sentence in NotifyText.
    //
    // Called while a run is in progress (from the events a run lets through), it only shows the
    // newly queued entries and returns: the run in progress works them off. In an interactive
    // run that means lstQueueAddItem for each. A silent run that an interactive trigger joins
    // (InteractiveCheck set) turns interactive for the rest of its queue: lstQueueAddItem for
    // every entry still queued (the one in progress first), showBusy for the source in progress
    // if any, its transfer state, and from then on the states and failure boxes of every
    // source. Does nothing when nothing was ever queued.
    void ProcessQueue(TreeControl& tvMessages);

    // Ends the run in progress after the source it works on: the sources still queued are
    // dropped, what was merged is put in place, and the run ends as usual (busy flag off, busy
    // window unloaded, the announcement of what it stored). Does nothing when no run is on.
    void StopRun();

private:
    void listQueued();
    // Starts the conditional fetch of `link`; 0 (no fetch) while a scheduled run must leave it.
    TransferId startSourceFetch(frmHTTP& http, SourceLinkIndex& sources, const std::string& link);
    void checkSource(TreeControl& tvMessages, const std::string& link, TransferResult reply);

    // A merged source whose new inbox waits in publish_, with what is done once it is in place.
    struct PendingMerge {
        std::unique_ptr<FileLock> lock;  // the source folder's, held until then
        std::string link;
        std::string sourceId;
        bool storeValidators = false;
        FeedValidators validators;
        std::size_t notifyBegin = 0;  // the source's sentence in NotifyText
        std::size_t notifyEnd = 0;
        std::size_t batchEnd = 0;  // publish_.size() after the merge
    };
    // Stores the validators of a merge whose inbox is in place and rebuilds the source's node.
    void finishMerge(TreeControl& tvMessages, const PendingMerge& merge, int publishError);
    // Puts the waiting inboxes in place and finishes their merges, in queue order.
    void publishMerges(TreeControl& tvMessages);
    bool mergePending(const std::string& link) const;

    profile::PublishBatch publish_;
    std::vector<PendingMerge> pendingMerges_;
    std::chrono::steady_clock::time_point firstPending_;

    AppContext& context_;
    std::deque<std::string> CheckQueue_;
    bool queueCreated_ = false;
    bool busy_ = false;
    bool running_ = false;
    bool stopRequested_ = false;
    // Whether the run in progress is interactive, and how many queue entries its lstQueue shows.
    bool runInteractive_ = false;
    std::size_t listed_ = 0;
    // True from the front entry's showBusy point until that entry leaves the queue.
    bool sourceInProgress_ = false;
    // The run's transfer window while the run exists.
    frmHTTP* http_ = nullptr;
    RetryHolds retryHolds_;
    CheckRunHooks noHooks_;
    CheckRunHooks* hooks_ = &noHooks_;
};

}  // namespace vellorin
