// Runs a piece of the program in a child process whose standard input is a
// pipe holding what a user typed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>

// Runs `child` in a forked process whose standard input is a pipe holding
// `input`; returns the child's exit code (or -1 when it did not exit).
template <typename Child>
int run_with_input(const std::string& input, Child child) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    if (write(fds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) return -1;
    close(fds[1]);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        _exit(child());
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
