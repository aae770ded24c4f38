#include "inbox/http_transfer.h"

#include <utility>

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
        seam_.pause(kTurnPauseMs);
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
