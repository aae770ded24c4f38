#include "inbox/curl_handle.h"

#include <utility>

namespace vellorin {

CurlEasy::CurlEasy() : handle_(curl_easy_init()) {}

CurlEasy::~CurlEasy() {
    if (handle_)
        curl_easy_cleanup(handle_);
}

void CurlEasy::reset() {
    if (handle_)
        curl_easy_cleanup(handle_);
    handle_ = nullptr;
}

CurlEasy::CurlEasy(CurlEasy&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

CurlEasy& CurlEasy::operator=(CurlEasy&& other) noexcept {
    if (this != &other) {
        if (handle_)
            curl_easy_cleanup(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

CurlMulti::CurlMulti() : handle_(curl_multi_init()) {}

CurlMulti::~CurlMulti() {
    if (handle_)
        curl_multi_cleanup(handle_);
}

CurlMulti::CurlMulti(CurlMulti&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

CurlMulti& CurlMulti::operator=(CurlMulti&& other) noexcept {
    if (this != &other) {
        if (handle_)
            curl_multi_cleanup(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

CurlHeaderList::~CurlHeaderList() {
    curl_slist_free_all(list_);
}

CurlHeaderList::CurlHeaderList(CurlHeaderList&& other) noexcept
    : list_(std::exchange(other.list_, nullptr)) {}

CurlHeaderList& CurlHeaderList::operator=(CurlHeaderList&& other) noexcept {
    if (this != &other) {
        curl_slist_free_all(list_);
        list_ = std::exchange(other.list_, nullptr);
    }
    return *this;
}

bool CurlHeaderList::append(const std::string& line) {
    curl_slist* longer = curl_slist_append(list_, line.c_str());
    if (!longer)
        return false;
    list_ = longer;
    return true;
}

TransferFailure TransferFailureFromCurl(const CurlOutcome& outcome) {
    if (outcome.capExceeded)
        return TransferFailure::TooLarge;
    switch (outcome.code) {
        case CURLE_OK:
            return TransferFailure::None;
        case CURLE_UNSUPPORTED_PROTOCOL:
            // Also what curl says of a reply without a status line (HTTP/0.9); a refused
            // redirect has a status, and a refused link never got a connection.
            return outcome.connected && outcome.httpStatus == 0 ? TransferFailure::BadReply
                                                                : TransferFailure::BadLink;
        case CURLE_URL_MALFORMAT:
            return TransferFailure::BadLink;
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
            return TransferFailure::NotResolved;
        case CURLE_COULDNT_CONNECT:
            return TransferFailure::NotConnected;
        case CURLE_OPERATION_TIMEDOUT:
            return TransferFailure::TimedOut;
        case CURLE_FILESIZE_EXCEEDED:
            return TransferFailure::TooLarge;
        case CURLE_TOO_MANY_REDIRECTS:
            return TransferFailure::TooManyRedirects;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_USE_SSL_FAILED:
            return TransferFailure::Tls;
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return TransferFailure::CutOff;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING:
        case CURLE_RANGE_ERROR:
            return TransferFailure::BadReply;
        default:
            return TransferFailure::Other;
    }
}

}  // namespace vellorin
