#include "store/publish_batch.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

namespace vellorin::profile {
namespace {

// Flushes run on up to this many threads: a disk works through several requests at once far
// faster than through the same requests one after the other.
constexpr std::size_t kFlushThreads = 8;

thread_local PublishBatch* currentBatch = nullptr;

}  // namespace

PublishBatch::~PublishBatch() {
    for (const Entry& e : entries_)
        ::unlink(e.temp.c_str());
}

void PublishBatch::add(std::string path, std::string temp, UniqueFd fd) {
    entries_.push_back(Entry{std::move(path), std::move(temp), std::move(fd)});
}

std::vector<int> PublishBatch::publish() {
    std::atomic<std::size_t> next = 0;
    const auto flushSome = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < entries_.size();) {
            Entry& e = entries_[i];
            if (::fsync(e.fd.get()) != 0)
                e.error = errno;
        }
    };
    {
        std::vector<std::jthread> helpers;
        const std::size_t threads = std::min(entries_.size(), kFlushThreads);
        try {
            for (std::size_t t = 1; t < threads; ++t)
                helpers.emplace_back(flushSome);
        } catch (const std::system_error&) {
            // Fewer threads only make the flush slower.
        }
        flushSome();
    }
    std::vector<int> errors;
    errors.reserve(entries_.size());
    for (Entry& e : entries_) {
        if (e.error == 0 && ::rename(e.temp.c_str(), e.path.c_str()) != 0)
            e.error = errno;
        if (e.error != 0)
            ::unlink(e.temp.c_str());
        e.fd.reset();
        errors.push_back(e.error);
    }
    entries_.clear();
    return errors;
}

PublishBatchScope::PublishBatchScope(PublishBatch& batch) : previous_(currentBatch) {
    currentBatch = &batch;
}

PublishBatchScope::~PublishBatchScope() {
    currentBatch = previous_;
}

PublishBatch* CurrentPublishBatch() {
    return currentBatch;
}

}  // namespace vellorin::profile
