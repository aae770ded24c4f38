#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellorin::profile {

// The undo journal that makes a large append to an INI file all or nothing.
//
// A batch of new sections is appended in one write, but one write is not atomic: a process killed
// part way (or a power cut) can leave a torn last section. So before the append the file's length
// and inode are noted, flushed, in a small journal file beside it ("<file>.undo"); after the
// appended bytes are flushed the journal is removed. A journal that is still there at the next
// access means the append may not have finished: the file is cut back to the noted length, which
// is exactly the file as it was before the batch. Every change to the file is made under the
// folder lock, and the append is the only change made while a journal exists, so cutting back
// never removes anything else.

// "<path>.undo".
std::string UndoJournalPath(const std::string& path);

// Notes `length` and `inode` of the file at `path` in its journal, flushed to disk together with
// the folder entry. Returns 0, or the errno of the failure (then no journal is left behind).
[[nodiscard]] int BeginUndoJournal(const std::string& path, int64_t length, uint64_t inode);

// Removes the journal of `path` once the append is flushed; the removal is flushed too, so that
// a later crash cannot bring the journal back and undo a finished append.
void EndUndoJournal(const std::string& path);

// Applies a journal left behind by an interrupted append: when `path` has one, waits for the
// folder lock, cuts the file back to the noted length (when it is still the noted file and
// longer), flushes it, removes the journal and drops the file's cached parse. A journal that is
// incomplete was never acted on and is only removed. Without a journal it costs one stat. Returns
// false when a journal was found but the file could not be cut back (the journal then stays).
bool RecoverInterruptedAppend(const std::string& path);

}  // namespace vellorin::profile
