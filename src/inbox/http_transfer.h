#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/user_seam.h"
#include "inbox/transfer_pool.h"
#include "inbox/transfer_result.h"
#include "inbox/transfer_state.h"

namespace vellorin {

// The transfer window of a check run: it fetches the feeds of the run's sources on its transfer
// pool `ucHTTP` and turns each transfer's states into the busy window's status texts. It has no
// window of its own here; a check run creates one at its start and drops it at its end.
//
// A fetch waits on the calling thread, but lets the seam run pending events and pause 5 ms
// between polling turns, so windows stay responsive. Single-threaded, like the seam it uses.
//
// While it exists it is the seam's wait work: a message box that waits for the user keeps every
// transfer of the pool moving, so a source fetched ahead does not run into its time-out (or its
// server's) because a box of an earlier source stayed open.
class frmHTTP {
public:
    // Receives each status text; the GUI sets the busy window's lblStatus caption with it, the
    // command-line client prints it.
    using StatusSink = std::function<void(const std::string&)>;

    // `seam` is borrowed and must outlive this object. `interactiveCheck` is the run's
    // InteractiveCheck: only then do status texts reach `lblStatus`. Becomes the seam's wait work
    // (one polling turn of its pool) until it is destroyed.
    frmHTTP(UserSeam& seam, bool interactiveCheck, StatusSink lblStatus = {},
            TransferOptions options = {});
    // Gives the seam back the wait work it had before.
    ~frmHTTP();
    frmHTTP(const frmHTTP&) = delete;
    frmHTTP& operator=(const frmHTTP&) = delete;

    // Gives lblStatus the status text of `iState` (empty text for codes outside 1..12) in an
    // interactive run; does nothing in a scheduled one.
    void TranslateINetState(std::int16_t iState);

    // Fetches `url` and returns when the transfer has ended. A failed transfer gives an empty
    // body and its failure kind; that includes replies whose status is not 2xx.
    TransferResult FetchText(const std::string& url);

    // Starts fetching `url` without waiting, so that it progresses during later waits. Its
    // states are kept and shown when finishFetch takes it up. With `validators` the request is
    // conditional, and an unchanged feed ends with failure NotModified (TransferPool::add).
    TransferId startFetch(const std::string& url, const FeedValidators& validators = {});
    // Waits for a transfer begun with startFetch, as FetchText does: first the status texts of
    // the states it already went through, in order, then the rest as they come. An id that is
    // unknown (or was cancelled meanwhile) gives failure Cancelled.
    TransferResult finishFetch(TransferId id);

    TransferPool& ucHTTP() { return ucHTTP_; }
    bool interactiveCheck() const { return interactiveCheck_; }
    // A run that turns interactive (the user joined it) shows states from then on, starting with
    // the one the awaited transfer has reached.
    void setInteractiveCheck(bool interactiveCheck);

private:
    void onState(TransferId id, INetState state);

    UserSeam& seam_;
    UserSeam::WaitWork previousWaitWork_;
    bool interactiveCheck_;
    StatusSink lblStatus_;
    TransferPool ucHTTP_;
    // The transfer whose states are shown as they come; 0 while none is awaited.
    TransferId shown_ = 0;
};

}  // namespace vellorin
