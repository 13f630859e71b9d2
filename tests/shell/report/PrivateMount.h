// A small file system of its own over a test's folder, for faults that only a
// real file system shows: a disk that fills up, a folder that becomes
// read-only even for root. The mount lives in a mount namespace of the test's
// thread alone, so nothing else on the machine sees it and it vanishes with
// the namespace however the test ends. It needs root (CI runs as root);
// elsewhere Made() is false and the test says why it skips.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

class PrivateMount {
public:
    PrivateMount(std::filesystem::path folder, size_t bytes) : folder_(std::move(folder)) {
        workingFolder_ = std::filesystem::current_path();
        originalNamespace_ = ::open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
        if (originalNamespace_ < 0) {
            Refuse("no mount namespace to return to");
            return;
        }
        if (::unshare(CLONE_NEWNS) != 0) {
            Refuse("cannot make a mount namespace");
            return;
        }
        inNamespace_ = true;
        // Without this the mount would reach the machine's own namespace.
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            Refuse("cannot make the mounts private");
            return;
        }
        std::filesystem::create_directories(folder_);
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            Refuse("cannot mount a tmpfs");
            return;
        }
        mounted_ = true;
    }

    ~PrivateMount() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
        // Back in the machine's namespace this one, with its mount, is gone.
        if (inNamespace_ && ::setns(originalNamespace_, CLONE_NEWNS) == 0) {
            std::error_code ignored;
            std::filesystem::current_path(workingFolder_, ignored);
        }
        if (originalNamespace_ >= 0)
            ::close(originalNamespace_);
    }
    PrivateMount(const PrivateMount&) = delete;
    PrivateMount& operator=(const PrivateMount&) = delete;

    bool Made() const { return mounted_; }
    const std::string& WhyNot() const { return whyNot_; }

    // Fills the file system to its last byte.
    void Fill() {
        const int fd =
            ::open((folder_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const std::vector<char> block(4096, 'x');
        size_t chunk = block.size();
        while (fd >= 0 && chunk > 0) {
            if (::write(fd, block.data(), chunk) < 0)
                chunk /= 2;
        }
        if (fd >= 0)
            ::close(fd);
    }
    void Unfill() { std::filesystem::remove(folder_ / "filler"); }

    bool SetReadOnly(bool readOnly) {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, folder_.c_str(), nullptr, flags, nullptr) == 0;
    }

private:
    void Refuse(const char* what) {
        whyNot_ = std::string(what) + " (" + std::strerror(errno) + "); it needs root";
    }

    std::filesystem::path folder_;
    std::filesystem::path workingFolder_;
    int originalNamespace_ = -1;
    bool inNamespace_ = false;
    bool mounted_ = false;
    std::string whyNot_;
};
