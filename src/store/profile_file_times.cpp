#include "store/profile_file_times.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace vellorin::profile {

FileIdentity IdentityOf(const struct stat& st) {
    return FileIdentity{static_cast<uint64_t>(st.st_dev),
                        static_cast<uint64_t>(st.st_ino),
                        static_cast<int64_t>(st.st_size),
                        st.st_mtim.tv_sec,
                        st.st_mtim.tv_nsec,
                        st.st_ctim.tv_sec,
                        st.st_ctim.tv_nsec};
}

bool Before(int64_t sec, int64_t nsec, int64_t otherSec, int64_t otherNsec) {
    return sec < otherSec || (sec == otherSec && nsec < otherNsec);
}

constexpr int64_t kNanosPerSecond = 1'000'000'000;

// The clock the kernel stamps file changes with (in nanoseconds since 1970): a change made after
// this call gets a time no earlier than what it returns, before the file system rounds it down.
int64_t FileClockNow() {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return int64_t{now.tv_sec} * kNanosPerSecond + now.tv_nsec;
}

// The step in which the file system stores times, guessed from the file's own times: 1 ns on
// most, a power of ten (10 ms on exFAT) when both times are multiples of it, and 2 s (the coarsest
// there is) when neither has a fraction of a second.
int64_t TimeStepOf(const FileIdentity& id) {
    if (id.mtimeNsec == 0 && id.ctimeNsec == 0)
        return 2 * kNanosPerSecond;
    int64_t step = 1;
    while (step < kNanosPerSecond / 10 && id.mtimeNsec % (step * 10) == 0 &&
           id.ctimeNsec % (step * 10) == 0) {
        step *= 10;
    }
    return step;
}

// Whether a file with this identity may have changed without a trace since `stamp`, the moment
// its copy was known to match it. File times come in steps (a tick of the kernel's clock, a few
// milliseconds, or the file system's own step): a change within the step of the copy can keep
// the size and the times, and the identity looks unchanged. Every change made after `stamp` has
// times no older than `stamp` rounded down to the file system's step, so a file whose times are
// both older than that is trusted; any other is "racily clean", and its copy is compared with the
// file before it is used. (A clock set back, or times set by another machine's clock on a network
// file system, are beyond this.)
bool RacilyClean(const FileIdentity& id, int64_t stamp) {
    const int64_t limit = stamp - TimeStepOf(id);
    const int64_t limitSec = limit / kNanosPerSecond;
    const int64_t limitNsec = limit % kNanosPerSecond;
    return Before(limitSec, limitNsec, id.mtimeSec, id.mtimeNsec) ||
           Before(limitSec, limitNsec, id.ctimeSec, id.ctimeNsec);
}

// A file time in nanoseconds since 1970, held within what the clock can reach.
int64_t NanosOf(int64_t sec, int64_t nsec) {
    constexpr int64_t kLimit = INT64_MAX / kNanosPerSecond - 1;
    return std::clamp(sec, -kLimit, kLimit) * kNanosPerSecond + nsec;
}

// Sets the modification time of a file this process has just changed through `fd` one time step
// behind the clock (and behind the one it had, `before`, when that lies within the last step, so
// that successive changes get distinct times). The call stamps the change time with the clock,
// and every later write stamps a modification time no older than that, so that no later change
// can leave the identity the file now has: a copy of this process's own change is trusted while
// the identity holds, without the comparison a copy read from the file needs in its first clock
// step (see ProfileCache::load). Should the call fail, both times stay as the write set them,
// equal, and the copy is compared as a read one would be.
void StampBehindClock(int fd, const FileIdentity& before) {
    const int64_t step = TimeStepOf(before);
    const int64_t now = FileClockNow();
    const int64_t previous = NanosOf(before.mtimeSec, before.mtimeNsec);
    int64_t modified = now - step;
    if (previous >= modified && previous <= now)
        modified = previous - step;
    struct timespec times[2] = {{0, UTIME_OMIT}, {0, 0}};
    times[1].tv_sec = static_cast<time_t>(modified / kNanosPerSecond);
    times[1].tv_nsec = static_cast<long>(modified % kNanosPerSecond);
    (void)::futimens(fd, times);
}

// Whether `after`, the identity a change of this process left, carries the mark of
// StampBehindClock.
bool StampedBehindClock(const FileIdentity& after) {
    return Before(after.mtimeSec, after.mtimeNsec, after.ctimeSec, after.ctimeNsec);
}

}  // namespace vellorin::profile
