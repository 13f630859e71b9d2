// The lock that programs take before they replace a shared file, so that two
// programs (on this machine or on two machines sharing the folder) never
// rewrite the file at once and each sees the other's last version.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace platform {

// Held from the moment LockForReplacing returns it until it goes. An empty
// lock holds nothing.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    explicit operator bool() const { return handle_ >= 0; }

private:
    friend FileLock LockForReplacing(const std::filesystem::path&, std::chrono::milliseconds,
                                     std::string&, int&);
    explicit FileLock(int handle) : handle_(handle) {}
    void Release();

    int handle_ = -1;
};

// Takes the lock for replacing `file`, waiting at most `patience` while
// another program holds it. The lock lives in a lock file beside the file
// ("." + its name + ".lock"), made when missing and never removed: the file
// itself is replaced whole on every save, so it cannot carry a lock that
// outlasts the replacement. A lock is released by the system when its program
// ends, however it ends. On failure the lock is empty, `error` says why and
// `errorCode` holds the system's number (EWOULDBLOCK when the wait ran out).
FileLock LockForReplacing(const std::filesystem::path& file, std::chrono::milliseconds patience,
                          std::string& error, int& errorCode);

// The lock file of `file`.
std::filesystem::path LockFileOf(const std::filesystem::path& file);

} // namespace platform
