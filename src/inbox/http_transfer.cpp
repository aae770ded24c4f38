#include "inbox/http_transfer.h"

#include <utility>
#include <vector>

namespace vellorin {
namespace {

constexpr int kTurnPauseMs = 5;

}  // namespace

frmHTTP::frmHTTP(UserSeam& seam, bool interactiveCheck, StatusSink lblStatus,
                 TransferOptions options)
    : seam_(seam),
      interactiveCheck_(interactiveCheck),
      lblStatus_(std::move(lblStatus)),
      ucHTTP_(options) {
    ucHTTP_.setStateListener([this](TransferId id, INetState state) { onState(id, state); });
    // Rather than holding the transfers fetched ahead and starting their clocks when the run
    // reaches them, they keep moving: a stalled socket would still run into the server's own
    // time-outs (a half-sent reply dropped, a kept-alive connection closed), which no deadline
    // of ours can pause, and libcurl's time-outs keep their plain meaning.
    previousWaitWork_ = seam_.setWaitWork([this] { ucHTTP_.poll(0); });
}

frmHTTP::~frmHTTP() {
    seam_.setWaitWork(std::move(previousWaitWork_));
}

void frmHTTP::setInteractiveCheck(bool interactiveCheck) {
    const bool turnsInteractive = interactiveCheck && !interactiveCheck_;
    interactiveCheck_ = interactiveCheck;
    if (!turnsInteractive || shown_ == 0)
        return;
    const std::vector<INetState> reached = ucHTTP_.states(shown_);
    if (!reached.empty())
        TranslateINetState(static_cast<std::int16_t>(reached.back()));
}

void frmHTTP::TranslateINetState(std::int16_t iState) {
    if (!interactiveCheck_ || !lblStatus_)
        return;
    lblStatus_(std::string(INetStateText(iState)));
}

TransferResult frmHTTP::FetchText(const std::string& url) {
    return finishFetch(startFetch(url));
}

TransferId frmHTTP::startFetch(const std::string& url, const FeedValidators& validators) {
    return ucHTTP_.add(url, validators);
}

TransferResult frmHTTP::finishFetch(TransferId id) {
    // Events run while waiting may start a nested wait; the outer one resumes showing its own
    // transfer afterwards.
    TransferId outer = std::exchange(shown_, 0);
    for (INetState state : ucHTTP_.states(id)) {
        TranslateINetState(static_cast<std::int16_t>(state));
    }
    shown_ = id;
    while (ucHTTP_.running(id)) {
        ucHTTP_.poll(0);
        if (!ucHTTP_.running(id))
            break;
        seam_.processEvents();
        // The turn's pause is spent waiting for the transfers' sockets, so a reply that arrives
        // is taken at once instead of after the rest of a fixed sleep.
        ucHTTP_.poll(kTurnPauseMs);
    }
    shown_ = outer;

    std::optional<TransferResult> result = ucHTTP_.take(id);
    if (!result) {
        TransferResult cancelled;
        cancelled.failure = TransferFailure::Cancelled;
        cancelled.detail = "the transfer was cancelled";
        return cancelled;
    }
    return std::move(*result);
}

void frmHTTP::onState(TransferId id, INetState state) {
    if (id == shown_)
        TranslateINetState(static_cast<std::int16_t>(state));
}

}  // namespace vellorin
