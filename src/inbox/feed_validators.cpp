#include "inbox/feed_validators.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/constants.h"
#include "util/file_lock.h"

namespace vellorin {
namespace {

constexpr std::string_view kETagName = "ETag: ";
constexpr std::string_view kLastModifiedName = "Last-Modified: ";
constexpr std::string_view kRetryUntilName = "Retry-Until: ";
// Seconds since the epoch: positive, at most 18 digits, so that it never overflows.
constexpr std::size_t kMaxRetryDigits = 18;

std::optional<std::int64_t> ParseRetryUntil(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxRetryDigits || digits.front() == '0')
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}
constexpr std::string_view kLineEnd = "\r\n";

// The inbox file beside the validator file at `path`.
std::string InboxBeside(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1) + kInboxFileName;
}

// What the file at `path` holds; empty validators for a missing or damaged file.
FeedValidators ReadValidatorsFile(const std::string& path) {
    const std::optional<std::string> text = path.empty() ? std::nullopt : ReadWholeFile(path);
    return text ? ParseFeedValidators(*text).value_or(FeedValidators{}) : FeedValidators{};
}

// Replaces the file at `path` with `validators` (removes it for empty ones); the caller holds
// the folder's lock.
IoStatus WriteValidatorsFile(const std::string& path, const FeedValidators& validators) {
    if (validators.empty()) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            return {errno};
        return {};
    }
    const std::string text = FormatFeedValidators(validators);
    if (ReadWholeFile(path) == text)
        return {};
    // The items first, then what says they are there: every write of a feed's items is flushed
    // before it returns (mInbox::SaveItems), so the validators never reach the disk ahead of them.
    // Unflushed: a file a power cut leaves empty or damaged only costs one full fetch.
    return WriteFileAtomic(path, text, /*flush=*/false);
}

}  // namespace

bool IsUsableValidator(std::string_view value) {
    if (value.empty() || value.size() > kMaxValidatorBytes)
        return false;
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F)
            return false;
    }
    return true;
}

FeedValidators UsableValidators(FeedValidators validators) {
    if (!IsUsableValidator(validators.ETag))
        validators.ETag.clear();
    if (!IsUsableValidator(validators.LastModified))
        validators.LastModified.clear();
    return validators;
}

std::string FeedValidatorsPath(const std::string& dataFolder, std::string_view sourceId) {
    const bool blank = sourceId.find_first_not_of(" \t") == std::string_view::npos;
    if (dataFolder.empty() || blank || sourceId == "." || sourceId == ".." ||
        sourceId.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        return {};
    }
    std::string path = dataFolder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path.append(sourceId).append("/").append(kValidatorsFileName);
}

std::string FormatFeedValidators(const FeedValidators& validators) {
    std::string text;
    if (!validators.ETag.empty())
        text.append(kETagName).append(validators.ETag).append(kLineEnd);
    if (!validators.LastModified.empty())
        text.append(kLastModifiedName).append(validators.LastModified).append(kLineEnd);
    if (validators.RetryUntil > 0)
        text.append(kRetryUntilName).append(std::to_string(validators.RetryUntil)).append(kLineEnd);
    return text;
}

std::optional<FeedValidators> ParseFeedValidators(std::string_view text) {
    FeedValidators validators;
    while (!text.empty()) {
        const std::size_t end = text.find(kLineEnd);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + kLineEnd.size());
        if (line.starts_with(kRetryUntilName)) {
            const std::optional<std::int64_t> until =
                ParseRetryUntil(line.substr(kRetryUntilName.size()));
            if (!until || validators.RetryUntil != 0)
                return std::nullopt;
            validators.RetryUntil = *until;
            continue;
        }
        std::string* value = nullptr;
        if (line.starts_with(kETagName)) {
            value = &validators.ETag;
            line.remove_prefix(kETagName.size());
        } else if (line.starts_with(kLastModifiedName)) {
            value = &validators.LastModified;
            line.remove_prefix(kLastModifiedName.size());
        }
        if (!value || !value->empty() || !IsUsableValidator(line))
            return std::nullopt;
        value->assign(line);
    }
    return validators;
}

FeedValidators LoadFeedValidators(const std::string& path) {
    if (path.empty() || ::access(InboxBeside(path).c_str(), F_OK) != 0)
        return {};
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return {};
    return ParseFeedValidators(*text).value_or(FeedValidators{});
}

IoStatus StoreFeedValidators(const std::string& path, const FeedValidators& validators) {
    if (path.empty())
        return {EINVAL};
    FileLock lock(path);
    return WriteValidatorsFile(path, UsableValidators(validators));
}

std::int64_t LoadRetryUntil(const std::string& path) {
    return ReadValidatorsFile(path).RetryUntil;
}

IoStatus StoreRetryUntil(const std::string& path, std::int64_t until) {
    if (path.empty())
        return {EINVAL};
    FileLock lock(path);
    FeedValidators stored = ReadValidatorsFile(path);
    stored.RetryUntil = until > 0 ? until : 0;
    return WriteValidatorsFile(path, stored);
}

}  // namespace vellorin
