#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "store/profile_cache.h"

// File times as the profile cache judges them: a file's identity, the kernel's file clock, and
// the marks that tell a copy that may be stale ("racily clean") from one that cannot be.
namespace vellorin::profile {

FileIdentity IdentityOf(const struct stat& st);

bool Before(int64_t sec, int64_t nsec, int64_t otherSec, int64_t otherNsec);

// The clock the kernel stamps file changes with (in nanoseconds since 1970): a change made after
// this call gets a time no earlier than what it returns, before the file system rounds it down.
int64_t FileClockNow();

// The step in which the file system stores times, guessed from the file's own times: 1 ns on
// most, a power of ten (10 ms on exFAT) when both times are multiples of it, and 2 s (the coarsest
// there is) when neither has a fraction of a second.
int64_t TimeStepOf(const FileIdentity& id);

// Whether a file with this identity may have changed without a trace since `stamp`, the moment
// its copy was known to match it. File times come in steps (a tick of the kernel's clock, a few
// milliseconds, or the file system's own step): a change within the step of the copy can keep
// the size and the times, and the identity looks unchanged. Every change made after `stamp` has
// times no older than `stamp` rounded down to the file system's step, so a file whose times are
// both older than that is trusted; any other is "racily clean", and its copy is compared with the
// file before it is used. (A clock set back, or times set by another machine's clock on a network
// file system, are beyond this.)
bool RacilyClean(const FileIdentity& id, int64_t stamp);

// A file time in nanoseconds since 1970, held within what the clock can reach.
int64_t NanosOf(int64_t sec, int64_t nsec);

// Sets the modification time of a file this process has just changed through `fd` one time step
// behind the clock (and behind the one it had, `before`, when that lies within the last step, so
// that successive changes get distinct times). The call stamps the change time with the clock,
// and every later write stamps a modification time no older than that, so that no later change
// can leave the identity the file now has: a copy of this process's own change is trusted while
// the identity holds, without the comparison a copy read from the file needs in its first clock
// step (see ProfileCache::load). Should the call fail, both times stay as the write set them,
// equal, and the copy is compared as a read one would be.
void StampBehindClock(int fd, const FileIdentity& before);

// Whether `after`, the identity a change of this process left, carries the mark of
// StampBehindClock.
bool StampedBehindClock(const FileIdentity& after);

}  // namespace vellorin::profile
