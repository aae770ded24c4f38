#pragma once

#include <curl/curl.h>

#include <string>

#include "inbox/transfer_result.h"

namespace vellorin {

// Move-only owners of libcurl handles. Neither may be shared between threads; each is used by
// the one thread that drives its transfers.

// Owns one easy handle (one transfer's options and connection state).
class CurlEasy {
public:
    // Creates a handle; get() is null when libcurl could not allocate one.
    CurlEasy();
    ~CurlEasy();
    CurlEasy(CurlEasy&& other) noexcept;
    CurlEasy& operator=(CurlEasy&& other) noexcept;
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    CURL* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Frees the handle now; get() is null afterwards.
    void reset();

private:
    CURL* handle_;
};

// Owns one multi handle, which drives several easy handles at once and keeps their connections
// for reuse. Easy handles must be removed from it before they are destroyed.
class CurlMulti {
public:
    // Creates a handle; get() is null when libcurl could not allocate one.
    CurlMulti();
    ~CurlMulti();
    CurlMulti(CurlMulti&& other) noexcept;
    CurlMulti& operator=(CurlMulti&& other) noexcept;
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    CURLM* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CURLM* handle_;
};

// Owns a list of request header lines (curl_slist) for CURLOPT_HTTPHEADER. libcurl reads the list
// while the transfer runs: it must outlive the easy handle's use of it.
class CurlHeaderList {
public:
    CurlHeaderList() = default;
    ~CurlHeaderList();
    CurlHeaderList(CurlHeaderList&& other) noexcept;
    CurlHeaderList& operator=(CurlHeaderList&& other) noexcept;
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;

    // Appends one line ("Name: value"); false (the list as it was) when libcurl could not copy it.
    [[nodiscard]] bool append(const std::string& line);
    // The list; null while it is empty.
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

// How a libcurl transfer ended, with what its callbacks saw.
struct CurlOutcome {
    CURLcode code = CURLE_OK;
    // The write callback stopped the transfer because the body grew past the cap (curl reports
    // that as a plain write error).
    bool capExceeded = false;
    // A connection to the server had been opened (or reused).
    bool connected = false;
    // The status of the last reply head received; 0 when none.
    long httpStatus = 0;
};

// The one place where libcurl's result codes become the program's failure kinds.
TransferFailure TransferFailureFromCurl(const CurlOutcome& outcome);

}  // namespace vellorin
