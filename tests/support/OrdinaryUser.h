#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Permissions mean nothing to root, who may write any file. A test of what an ordinary user is
// refused runs its body as the user "nobody" in a child process when the tests run as root.
namespace OrdinaryUser {

constexpr uid_t Uid = 65534;
constexpr gid_t Gid = 65534;

// Whether files and folders must be handed to Uid for the body to reach them.
inline bool Needed() {
    return ::geteuid() == 0;
}

// Runs body as an ordinary user and returns its result; -1 when the child did not end normally.
inline int Run(const std::function<int()>& body) {
    if (!Needed()) return body();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(Gid) != 0 || ::setuid(Uid) != 0) ::_exit(120);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Hands a file or folder to the ordinary user (nothing to do when the tests are that user).
inline bool Give(const char* path) {
    return !Needed() || ::chown(path, Uid, Gid) == 0;
}

} // namespace OrdinaryUser
