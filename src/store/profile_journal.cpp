#include "store/profile_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <optional>

#include "store/profile_cache.h"
#include "util/atomic_file.h"
#include "util/file_lock.h"

namespace vellorin::profile {
namespace {

// The journal's only line; the closing word tells a whole journal from one cut short while it
// was written (which never had an append follow it).
constexpr std::string_view kMagic = "undo-append";
constexpr std::string_view kEnd = "end";

struct UndoNote {
    int64_t length = 0;
    uint64_t inode = 0;
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Flushes the folder's entries, so that a file created, renamed or removed in it stays so after a
// power cut.
void SyncFolder(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

template <typename Number>
bool ParseNumber(std::string_view& text, Number& out) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    if (ec != std::errc() || end == text.data())
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

// "undo-append <length> <inode> end" and a line break; nullopt for anything else.
std::optional<UndoNote> ParseNote(std::string_view text) {
    if (!text.starts_with(kMagic))
        return std::nullopt;
    text.remove_prefix(kMagic.size());
    UndoNote note;
    if (!ParseNumber(text, note.length) || !ParseNumber(text, note.inode) || note.length < 0)
        return std::nullopt;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (!text.starts_with(kEnd))
        return std::nullopt;
    text.remove_prefix(kEnd.size());
    if (text != "\r\n" && text != "\n")
        return std::nullopt;
    return note;
}

}  // namespace

std::string UndoJournalPath(const std::string& path) {
    return path + ".undo";
}

int BeginUndoJournal(const std::string& path, int64_t length, uint64_t inode) {
    const std::string journal = UndoJournalPath(path);
    const std::string text = std::string(kMagic) + " " + std::to_string(length) + " " +
                             std::to_string(inode) + " " + std::string(kEnd) + "\r\n";
    const int fd = ::open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int err = 0;
    std::string_view left = text;
    while (err == 0 && !left.empty()) {
        const ssize_t n = ::write(fd, left.data(), left.size());
        if (n < 0 && errno != EINTR)
            err = errno;
        else if (n > 0)
            left.remove_prefix(static_cast<std::size_t>(n));
    }
    if (err == 0 && ::fdatasync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0) {
        ::unlink(journal.c_str());
        return err;
    }
    // The journal must be on disk before the first appended byte can be.
    SyncFolder(journal);
    return 0;
}

void EndUndoJournal(const std::string& path) {
    const std::string journal = UndoJournalPath(path);
    if (::unlink(journal.c_str()) == 0)
        SyncFolder(journal);
}

bool RecoverInterruptedAppend(const std::string& path) {
    const std::string journal = UndoJournalPath(path);
    struct stat st {};
    if (::stat(journal.c_str(), &st) != 0)
        return true;

    // A live writer holds the lock for the whole append: waiting for it means finding its
    // journal gone, and only a journal whose writer died is acted on.
    FileLock lock(path);
    IoStatus status;
    const std::optional<std::string> text = ReadWholeFile(journal, &status);
    if (!text)
        return status.error == ENOENT;
    const std::optional<UndoNote> note = ParseNote(*text);
    if (note) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            bool cut = true;
            if (::fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_ino) == note->inode &&
                st.st_size > note->length) {
                cut = ::ftruncate(fd, note->length) == 0 && ::fdatasync(fd) == 0;
            }
            ::close(fd);
            if (!cut)
                return false;
        } else if (errno != ENOENT) {
            return false;
        }
    }
    ProfileCache::instance().forget(path);
    EndUndoJournal(path);
    return true;
}

}  // namespace vellorin::profile
