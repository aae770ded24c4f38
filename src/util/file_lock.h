#pragma once

#include <cstdint>
#include <string>

namespace vellorin {

// Holds an exclusive advisory lock (flock) on the folder that contains `filePath` for as long as
// it lives, so that the client and vellorinctl working on the same data folder do not lose each
// other's read-change-write updates. Readers need no lock: stored files are replaced by rename, so
// a reader always sees a whole file.
//
// Locks nest within one process: a second FileLock on the same folder (however its path is
// spelled) while one is held does not wait for itself. Taking the lock waits while another process
// holds it. Use from one thread.
class FileLock {
public:
    explicit FileLock(const std::string& filePath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // False when the folder could not be opened or locked; the caller may go on unlocked.
    bool locked() const { return locked_; }

private:
    std::string folder_;
    bool locked_ = false;
    // The folder's device and inode: the key of the process's table of held folders.
    uint64_t dev_ = 0;
    uint64_t ino_ = 0;
};

}  // namespace vellorin
