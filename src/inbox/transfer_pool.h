#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "inbox/curl_handle.h"
#include "inbox/transfer_result.h"
#include "inbox/transfer_state.h"

namespace vellorin {

// Limits that keep one bad server from hanging a check run or exhausting memory.
struct TransferOptions {
    // Longest wait for a connection (TCP connect and TLS handshake). Default 20 s.
    std::chrono::milliseconds connectTimeout{20'000};
    // Longest time one whole transfer may take, redirects included. Default 120 s.
    std::chrono::milliseconds totalTimeout{120'000};
    // Largest reply body kept, counted after decompression. A larger reply is stopped as soon as
    // it is known to be larger and fails as TooLarge. Default 16 MiB.
    std::size_t maxBodyBytes = 16u * 1024u * 1024u;
    // Redirects followed before the transfer fails as TooManyRedirects. Default 10.
    long maxRedirects = 10;
};

using TransferId = std::uint64_t;

// Several HTTP(S) GET transfers driven together on one libcurl multi handle, so that sources can
// be fetched ahead while another is being merged, and connections to one server are reused.
// Nothing runs in the background: transfers move on only inside poll(). Every call, and every
// state listener call, happens on the thread that owns the pool; not thread-safe.
//
// Each transfer follows redirects (http and https only), verifies TLS certificates and host
// names, takes proxies from the usual environment variables (http_proxy, https_proxy, no_proxy),
// accepts every compression libcurl can undo, and names the program and its version in its
// User-Agent header ("Vellorin/1.0.1").
class TransferPool {
public:
    // Called for every state a transfer raises, in increasing order per transfer.
    using StateListener = std::function<void(TransferId, INetState)>;

    explicit TransferPool(TransferOptions options = {});
    ~TransferPool();
    TransferPool(const TransferPool&) = delete;
    TransferPool& operator=(const TransferPool&) = delete;

    // Replaces the listener (an empty one raises states silently). The listener may add or take
    // transfers; it is called only after the pool's own bookkeeping is done.
    void setStateListener(StateListener listener) { listener_ = std::move(listener); }

    // Starts fetching `url` and returns its id (never 0). ResolvingHost is raised at once. A
    // transfer that cannot even be set up is finished at once with failure Other.
    //
    // With `validators`, the request is conditional (If-None-Match, If-Modified-Since; values
    // that IsUsableValidator refuses are not sent): a 304 reply then ends the transfer with
    // failure NotModified, an empty body, and ResponseCompleted as its last state.
    TransferId add(const std::string& url, const FeedValidators& validators = {});

    // Moves every running transfer on as far as its sockets allow, first waiting up to `waitMs`
    // milliseconds for socket activity (0: no wait), and raises the states reached. Returns how
    // many transfers are still running.
    std::size_t poll(int waitMs = 0);

    // True while the transfer is in the pool and has not ended.
    bool running(TransferId id) const;
    // The states the transfer raised so far, in order; empty for an unknown id.
    std::vector<INetState> states(TransferId id) const;
    // Removes an ended transfer from the pool and returns its result; nullopt when the id is
    // unknown or the transfer is still running.
    std::optional<TransferResult> take(TransferId id);
    // Transfers held, running or ended and not yet taken.
    std::size_t size() const { return transfers_.size(); }

    const TransferOptions& options() const { return options_; }

private:
    struct Transfer;
    struct PendingState {
        TransferId id;
        INetState state;
    };

    void raiseUpTo(Transfer& transfer, INetState state);
    void advance(Transfer& transfer);
    void finish(Transfer& transfer, int curlCode);
    void detach(Transfer& transfer);
    void dispatch();

    TransferOptions options_;
    CurlMulti multi_;
    StateListener listener_;
    std::map<TransferId, std::unique_ptr<Transfer>> transfers_;
    std::vector<PendingState> pending_;
    TransferId nextId_ = 1;
};

}  // namespace vellorin
