#pragma once

// Runs a window in a process of its own and kills it with SIGKILL, the way a
// crash or the out-of-memory killer ends one: no destructor, no exit handler,
// no last write.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace korvane::testing {

// Forks; the child runs `work`, which returns an empty text when it has done
// everything and is ready to be killed, or what went wrong. The parent waits
// for that word (up to a minute), kills the child and reaps it. Returns what
// the child said went wrong, or empty when it was killed as planned.
inline std::string RunAndKill(const std::filesystem::path& folder, const std::function<std::string()>& work) {
    const std::filesystem::path ready = folder / "child-ready";
    const std::filesystem::path failed = folder / "child-failed";
    std::filesystem::remove(ready);
    std::filesystem::remove(failed);
    const pid_t child = ::fork();
    if (child < 0) return "fork failed";
    if (child == 0) {
        std::string problem;
        try {
            problem = work();
        } catch (...) {
            problem = "the child threw";
        }
        {
            std::ofstream out(problem.empty() ? ready : failed);
            out << problem;
        }
        // Waits for the kill, as a window would in its event loop.
        for (;;) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    std::string result = "the child neither got ready nor failed within a minute";
    for (int i = 0; i < 6000; ++i) {
        if (std::filesystem::exists(ready)) {
            result.clear();
            break;
        }
        if (std::filesystem::exists(failed)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::ifstream in(failed);
            std::getline(in, result);
            result = "child: " + result;
            break;
        }
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) return "the child ended by itself";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (result.empty() && !(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) result = "the child was not killed";
    return result;
}

}  // namespace korvane::testing
