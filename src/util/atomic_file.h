#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace vellorin {

// The outcome of a file operation: ok, or the errno that made it fail.
struct IoStatus {
    int error = 0;  // 0 on success
    bool ok() const { return error == 0; }
    std::string message() const;  // strerror text of `error`
};

// Replaces `path` with `data`: written to a temporary file in the same folder, flushed to disk and
// renamed over the old file, so that a crash leaves either the old or the new file. The file keeps
// the old file's permission bits when it existed.
// Without `flush` the temporary file is renamed unflushed: after a power cut the file may then be
// empty or hold zeros, though never a mix of old and new text; only for files that a reader may
// find damaged at no cost (a cache of something that can be fetched again).
[[nodiscard]] IoStatus WriteFileAtomic(const std::string& path, std::string_view data,
                                       bool flush = true);

// A fresh name for a temporary file next to `path`: a hidden name made of the file's own name and
// a random suffix, in the same folder, so that a rename over `path` stays on one file system.
std::string TemporaryNameFor(const std::string& path);

// Removes the temporary files that TemporaryNameFor names for the files `names` in `folder` and
// that a process stopped before its rename left behind, with one look at the folder. Only for a
// caller that holds the lock every writer of those files takes and has no write of its own to
// them under way: then no such file is still in use.
void RemoveLeftoverTemporaryFiles(const std::string& folder,
                                  std::initializer_list<std::string_view> names);

// Appends `data` to the end of an existing file in place.
[[nodiscard]] IoStatus AppendToFile(const std::string& path, std::string_view data);

// Reads the whole file. On failure gives nullopt and sets `status`.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& path,
                                                       IoStatus* status = nullptr);

}  // namespace vellorin
