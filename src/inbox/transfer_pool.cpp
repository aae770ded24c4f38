#include "inbox/transfer_pool.h"

#include <algorithm>
#include <utility>

#include "base/application_build.h"
#include "base/constants.h"
#include "base/helpers.h"

namespace vellorin {
namespace {

// What libcurl's callbacks report about one transfer. The callbacks run inside
// curl_multi_perform, so they only record; states are raised once perform has returned.
struct CallbackRecord {
    std::string body;
    std::size_t cap = 0;
    bool capExceeded = false;
    bool socketOpening = false;
    bool requestStarting = false;
    bool replyArriving = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* record = static_cast<CallbackRecord*>(user);
    size_t bytes = size * count;
    if (bytes > record->cap - record->body.size()) {
        // Stops the transfer; the body gathered so far is dropped with it.
        record->capExceeded = true;
        return 0;
    }
    record->body.append(data, bytes);
    return bytes;
}

size_t OnHeader(char*, size_t size, size_t count, void* user) {
    static_cast<CallbackRecord*>(user)->replyArriving = true;
    return size * count;
}

int OnSocketOptions(void* user, curl_socket_t, curlsocktype purpose) {
    if (purpose == CURLSOCKTYPE_IPCXN)
        static_cast<CallbackRecord*>(user)->socketOpening = true;
    return CURL_SOCKOPT_OK;
}

int OnRequestReady(void* user, char*, char*, int, int) {
    static_cast<CallbackRecord*>(user)->requestStarting = true;
    return CURL_PREREQFUNC_OK;
}

const std::string& UserAgent() {
    static const std::string agent = [] {
        BuildVersion v = CurrentBuildVersion();
        return std::string(kProductName) + "/" + std::to_string(v.major) + "." +
               std::to_string(v.minor) + "." + std::to_string(v.revision);
    }();
    return agent;
}

// The validator headers of a successful reply; a value that could not be sent back is left out.
FeedValidators ReplyValidators(CURL* easy) {
    auto value = [easy](const char* name) -> std::string {
        curl_header* header = nullptr;
        // Request -1: the reply to the last request, the one after every redirect.
        if (curl_easy_header(easy, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK || !header)
            return {};
        return header->value;
    };
    return UsableValidators({value("ETag"), value("Last-Modified")});
}

void InitCurlOnce() {
    // libcurl wants its global set-up done once before any handle is made; the result is not
    // fatal here, as a failed set-up shows as handles that cannot be created.
    static const CURLcode kInit = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)kInit;
}

}  // namespace

struct TransferPool::Transfer {
    TransferId id = 0;
    // Declared before the handle, so that it is freed after it.
    CurlHeaderList headers;
    // The request carried validators: a 304 reply then means "unchanged", not a failure.
    bool conditional = false;
    CurlEasy easy;
    CallbackRecord record;
    bool attached = false;
    bool ended = false;
    std::vector<INetState> raised;
    TransferResult result;
    char error[CURL_ERROR_SIZE] = {};
};

TransferPool::TransferPool(TransferOptions options) : options_(options) {
    InitCurlOnce();
}

TransferPool::~TransferPool() {
    for (auto& [id, transfer] : transfers_)
        detach(*transfer);
}

TransferId TransferPool::add(const std::string& url, const FeedValidators& validators) {
    auto owned = std::make_unique<Transfer>();
    Transfer& transfer = *owned;
    transfer.id = nextId_++;
    transfers_.emplace(transfer.id, std::move(owned));
    raiseUpTo(transfer, INetState::ResolvingHost);

    CURL* easy = transfer.easy.get();
    CallbackRecord* record = &transfer.record;
    record->cap = options_.maxBodyBytes;
    bool ready = multi_ && easy;
    auto set = [&](CURLoption option, auto value) {
        if (ready && curl_easy_setopt(easy, option, value) != CURLE_OK)
            ready = false;
    };
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_PRIVATE, static_cast<void*>(&transfer));
    set(CURLOPT_ERRORBUFFER, transfer.error);
    // CURLOPT_NOSIGNAL stays off: libcurl then ignores SIGPIPE while it works, so a server
    // that drops the connection during a TLS write cannot end the program.
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, options_.maxRedirects);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeout.count()));
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(options_.totalTimeout.count()));
    // Refuses a reply whose announced length is already too large, before any of it is read.
    set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options_.maxBodyBytes));
    set(CURLOPT_USERAGENT, UserAgent().c_str());
    const FeedValidators sent = UsableValidators(validators);
    if (!sent.ETag.empty())
        ready = ready && transfer.headers.append("If-None-Match: " + sent.ETag);
    if (!sent.LastModified.empty())
        ready = ready && transfer.headers.append("If-Modified-Since: " + sent.LastModified);
    if (transfer.headers.get()) {
        transfer.conditional = true;
        set(CURLOPT_HTTPHEADER, transfer.headers.get());
    }
    set(CURLOPT_WRITEFUNCTION, &OnBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(record));
    set(CURLOPT_HEADERFUNCTION, &OnHeader);
    set(CURLOPT_HEADERDATA, static_cast<void*>(record));
    set(CURLOPT_SOCKOPTFUNCTION, &OnSocketOptions);
    set(CURLOPT_SOCKOPTDATA, static_cast<void*>(record));
    set(CURLOPT_PREREQFUNCTION, &OnRequestReady);
    set(CURLOPT_PREREQDATA, static_cast<void*>(record));
    // Every encoding this libcurl can undo (gzip, deflate, and more when built with them).
    // Older builds without zlib refuse the option; the transfer then goes on uncompressed.
    if (ready)
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");

    if (ready && curl_multi_add_handle(multi_.get(), easy) == CURLM_OK) {
        transfer.attached = true;
    } else {
        transfer.result.failure = TransferFailure::Other;
        transfer.result.detail = "the transfer could not be set up";
        transfer.easy.reset();
        transfer.ended = true;
        raiseUpTo(transfer, INetState::Error);
    }
    dispatch();
    return transfer.id;
}

std::size_t TransferPool::poll(int waitMs) {
    bool anyAttached = std::any_of(transfers_.begin(), transfers_.end(),
                                   [](const auto& entry) { return entry.second->attached; });
    if (anyAttached) {
        if (waitMs > 0)
            curl_multi_poll(multi_.get(), nullptr, 0, waitMs, nullptr);
        int stillRunning = 0;
        curl_multi_perform(multi_.get(), &stillRunning);

        // The messages point into the handles: read them all before any handle is removed.
        std::vector<std::pair<Transfer*, CURLcode>> ended;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            char* owner = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
            if (owner)
                ended.emplace_back(reinterpret_cast<Transfer*>(owner), message->data.result);
        }
        for (auto& [id, transfer] : transfers_) {
            if (transfer->attached)
                advance(*transfer);
        }
        for (auto& [transfer, code] : ended)
            finish(*transfer, code);
    }
    dispatch();
    return static_cast<std::size_t>(
        std::count_if(transfers_.begin(), transfers_.end(),
                      [](const auto& entry) { return !entry.second->ended; }));
}

bool TransferPool::running(TransferId id) const {
    auto found = transfers_.find(id);
    return found != transfers_.end() && !found->second->ended;
}

std::vector<INetState> TransferPool::states(TransferId id) const {
    auto found = transfers_.find(id);
    return found == transfers_.end() ? std::vector<INetState>{} : found->second->raised;
}

std::optional<TransferResult> TransferPool::take(TransferId id) {
    auto found = transfers_.find(id);
    if (found == transfers_.end() || !found->second->ended)
        return std::nullopt;
    TransferResult result = std::move(found->second->result);
    transfers_.erase(found);
    return result;
}

void TransferPool::raiseUpTo(Transfer& transfer, INetState state) {
    auto raise = [&](INetState next) {
        transfer.raised.push_back(next);
        pending_.push_back({transfer.id, next});
    };
    int last = transfer.raised.empty() ? 0 : static_cast<int>(transfer.raised.back());
    int target = static_cast<int>(state);
    // The two end states are raised alone; the others fill every step up to the one reached,
    // as a later milestone means the earlier ones are behind the transfer (a reused connection
    // needs no look-up and no connect).
    if (state == INetState::Error || state == INetState::ResponseCompleted) {
        if (target > last)
            raise(state);
        return;
    }
    for (int next = last + 1; next <= target; ++next)
        raise(static_cast<INetState>(next));
}

void TransferPool::advance(Transfer& transfer) {
    CURL* easy = transfer.easy.get();
    const CallbackRecord& record = transfer.record;
    INetState reached = INetState::ResolvingHost;

    curl_off_t lookupUs = 0;
    curl_off_t connectUs = 0;
    curl_off_t handshakeUs = 0;
    long requestBytes = 0;
    const char* scheme = nullptr;
    curl_easy_getinfo(easy, CURLINFO_NAMELOOKUP_TIME_T, &lookupUs);
    curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectUs);
    curl_easy_getinfo(easy, CURLINFO_APPCONNECT_TIME_T, &handshakeUs);
    curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestBytes);
    curl_easy_getinfo(easy, CURLINFO_SCHEME, &scheme);
    bool secure = scheme && EqualsNoCase(scheme, "https");

    if (lookupUs > 0)
        reached = INetState::HostResolved;
    if (record.socketOpening)
        reached = INetState::Connecting;
    if (connectUs > 0 && (!secure || handshakeUs > 0))
        reached = INetState::Connected;
    if (record.requestStarting)
        reached = INetState::Requesting;
    if (requestBytes > 0)
        reached = INetState::RequestSent;
    if (record.replyArriving)
        reached = INetState::ReceivingResponse;
    raiseUpTo(transfer, reached);
}

void TransferPool::finish(Transfer& transfer, int curlCode) {
    CURL* easy = transfer.easy.get();
    TransferResult& result = transfer.result;
    auto code = static_cast<CURLcode>(curlCode);

    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    char* contentType = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType) {
        result.charset = ContentTypeCharset(contentType);
    }
    const CallbackRecord& record = transfer.record;
    result.failure = TransferFailureFromCurl({code, record.capExceeded,
                                              record.socketOpening || record.requestStarting,
                                              result.httpStatus});
    curl_off_t retryAfter = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK && retryAfter > 0)
        result.retryAfter = std::chrono::seconds(retryAfter);
    bool complete = result.failure == TransferFailure::None;
    if (complete) {
        raiseUpTo(transfer, INetState::ResponseReceived);
        if (result.httpStatus == 304 && transfer.conditional) {
            result.failure = TransferFailure::NotModified;
            result.detail = "HTTP status 304: the feed has not changed";
        } else if (result.httpStatus < 200 || result.httpStatus > 299) {
            result.failure = TransferFailure::HttpStatus;
            result.detail = "HTTP status " + std::to_string(result.httpStatus);
        } else {
            result.body = std::move(transfer.record.body);
            result.validators = ReplyValidators(easy);
        }
    } else if (result.failure == TransferFailure::TooLarge) {
        result.detail =
            "the reply is larger than " + std::to_string(options_.maxBodyBytes) + " bytes";
    } else {
        result.detail = transfer.error[0] ? transfer.error : curl_easy_strerror(code);
    }
    std::string().swap(transfer.record.body);

    if (complete)
        raiseUpTo(transfer, INetState::Disconnecting);
    detach(transfer);
    if (complete)
        raiseUpTo(transfer, INetState::Disconnected);
    const bool answered = result.ok() || result.failure == TransferFailure::NotModified;
    raiseUpTo(transfer, answered ? INetState::ResponseCompleted : INetState::Error);
    transfer.ended = true;
}

void TransferPool::detach(Transfer& transfer) {
    if (transfer.attached)
        curl_multi_remove_handle(multi_.get(), transfer.easy.get());
    transfer.attached = false;
    transfer.easy.reset();
}

void TransferPool::dispatch() {
    while (!pending_.empty()) {
        std::vector<PendingState> batch;
        batch.swap(pending_);
        StateListener listener = listener_;
        if (!listener)
            continue;
        for (const PendingState& p : batch) {
            if (transfers_.count(p.id) != 0)
                listener(p.id, p.state);
        }
    }
}

}  // namespace vellorin
