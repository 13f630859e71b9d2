// The system's side of the replacing lock: opening the lock file, one attempt
// at locking it, and closing. FileLock.cpp waits, names the files and words the
// errors on every system. Internal to platform/files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform::lock_calls {

// The open lock file: a descriptor on Linux, a handle on Windows.
using Handle = intptr_t;
inline constexpr Handle kNoHandle = -1;

// Opens lockFile, making it when missing, so that every user who may write
// its folder can lock it. kNoHandle on failure, with the C library's error
// number and the system's sentence for it.
Handle Open(const std::filesystem::path& lockFile, int& errorCode, std::string& reason);

enum class Attempt { Taken, Busy, Failed };

// Tries once to lock the whole file for writing, without waiting. Busy while
// another program holds it; Failed with the error number and sentence.
Attempt TryLock(Handle handle, int& errorCode, std::string& reason);

// The descriptor a FileLock keeps while it holds the lock taken on handle;
// -1 with the error number and sentence when it cannot be kept.
int Keep(Handle handle, int& errorCode, std::string& reason);

// Closes a lock file that was not kept.
void Close(Handle handle);

// Closes the descriptor of a kept lock, which releases the lock.
void Release(int descriptor);

} // namespace platform::lock_calls
