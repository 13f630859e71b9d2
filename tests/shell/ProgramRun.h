// The real program as a child process, and an X server of the test's own for
// it: a private Xvfb keeps other tests' windows from taking the keyboard
// that xdotool types on.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

inline bool HaveCommand(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// An Xvfb of 1280 × 800 on a display number the server picks itself, whose
// keys never repeat by themselves, however long a busy machine holds them.
class PrivateDisplay {
public:
    PrivateDisplay() {
        if (!HaveCommand("Xvfb"))
            return;
        int ends[2];
        if (::pipe(ends) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ends[0]);
            const int devNull = ::open("/dev/null", O_RDWR);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
            const std::string fd = std::to_string(ends[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24",
                     "-nolisten", "tcp", "-ardelay", "3600000", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ends[1]);
        std::string number;
        char c = 0;
        while (::read(ends[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(ends[0]);
        if (!number.empty())
            name_ = ":" + number;
    }
    ~PrivateDisplay() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool Ready() const { return !name_.empty(); }
    const std::string& Name() const { return name_; }

    // Puts the letters (both cases of each) on keys of their own, as a
    // Russian layout has them. Without them on the keyboard, xdotool changes
    // the mapping of one spare key for each letter it types, and a program
    // that reads the change after the key press gets the wrong letter or none.
    bool MapLetters(const std::wstring& letters) const;

    // Points this process's windows at this display and starts SDL's video
    // there with SDL's software renderer, for a test that opens the real
    // window in-process; the reason in error when it cannot. SDL's video then
    // runs to the end of the process: the X libraries' one-time caches stay
    // theirs instead of turning into leaks of no known module.
    bool StartVideo(std::string& error) const;

    // Runs an X client (xdotool …) on this display; true when it succeeded.
    bool Run(const std::string& command) const {
        return std::system(("DISPLAY=" + name_ + " " + command).c_str()) == 0;
    }
    // Starts one without waiting for it, for a program in this very process
    // that must go on reading its events meanwhile.
    pid_t Start(const std::string& command) const {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string line = "DISPLAY=" + name_ + " " + command;
            ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }
    // Whether a started client has ended, and how: none while it runs.
    static std::optional<bool> Finished(pid_t pid) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) != pid)
            return std::nullopt;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// The environment of a child: the test's own with some variables set
// (a value) or removed (none).
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

class ProgramRun {
public:
    ProgramRun(const std::string& program, const EnvironmentChanges& changes,
               const std::filesystem::path& errorFile)
        : errorFile_(errorFile) {
        std::vector<std::string> environment;
        for (char** variable = environ; *variable; ++variable) {
            const std::string entry = *variable;
            const std::string name = entry.substr(0, entry.find('='));
            if (!changes.count(name))
                environment.push_back(entry);
        }
        for (const auto& [name, value] : changes)
            if (value)
                environment.push_back(name + "=" + *value);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int devNull = ::open("/dev/null", O_RDWR);
            const int error = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(devNull, 0);
            ::dup2(devNull, 1);
            ::dup2(error, 2);
            std::vector<char*> pointers;
            for (std::string& entry : environment)
                pointers.push_back(entry.data());
            pointers.push_back(nullptr);
            ::execle(program.c_str(), program.c_str(), static_cast<char*>(nullptr),
                     pointers.data());
            ::_exit(127);
        }
    }
    ~ProgramRun() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t Pid() const { return pid_; }
    void Signal(int signalNumber) const { ::kill(pid_, signalNumber); }

    // The exit status once the program has ended (128 + the signal when a
    // signal ended it), or none if it still runs after the time-out.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!status_) {
            int raw = 0;
            const pid_t done = ::waitpid(pid_, &raw, WNOHANG);
            if (done == pid_)
                status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            else if (std::chrono::steady_clock::now() >= end)
                break;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return status_;
    }
    bool Running() { return !WaitForExit(std::chrono::milliseconds(0)); }

    std::string ErrorOutput() const {
        std::ifstream file(errorFile_, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::filesystem::path errorFile_;
};
