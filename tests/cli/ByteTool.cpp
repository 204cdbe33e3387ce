#include "tests/cli/ByteTool.h"

#include "tests/support/OrdinaryUser.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

int TemporaryFile() {
    char name[] = "/tmp/byte-tool-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0) ::unlink(name);
    return fd;
}

std::string ReadFromStart(int fd) {
    std::string text;
    char buffer[65536];
    ::lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

[[noreturn]] void BecomeTheTool(const std::vector<std::string>& arguments, const ByteSetup& setup,
                                int out, int err) {
    const int input = ::open("/dev/null", O_RDONLY);
    ::dup2(input, STDIN_FILENO);
    if (setup.output == StandardOutput::Captured) ::dup2(out, STDOUT_FILENO);
    if (setup.output == StandardOutput::Full) ::dup2(::open("/dev/full", O_WRONLY), STDOUT_FILENO);
    if (setup.output == StandardOutput::Closed) ::close(STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    if (!setup.workingDirectory.empty() && ::chdir(setup.workingDirectory.c_str()) != 0)
        ::_exit(121);
    if (setup.ordinaryUser && OrdinaryUser::Needed() &&
        (::setgroups(0, nullptr) != 0 || ::setgid(OrdinaryUser::Gid) != 0 ||
         ::setuid(OrdinaryUser::Uid) != 0))
        ::_exit(120);
    std::vector<char*> argv{const_cast<char*>(QUORLIK_QR_BINARY)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(QUORLIK_QR_BINARY, argv.data());
    ::_exit(127);
}

} // namespace

RunningTool::RunningTool(const std::vector<std::string>& arguments, const ByteSetup& setup)
    : out_(TemporaryFile()), err_(TemporaryFile()) {
    pid_ = ::fork();
    if (pid_ == 0) BecomeTheTool(arguments, setup, out_, err_);
}

RunningTool::~RunningTool() {
    if (pid_ > 0) Finish();
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
}

ByteRun RunningTool::Finish() {
    ByteRun run;
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) {
        if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    }
    pid_ = -1;
    run.out = ReadFromStart(out_);
    run.err = ReadFromStart(err_);
    return run;
}

ByteRun RunBytes(const std::vector<std::string>& arguments, const ByteSetup& setup) {
    RunningTool tool(arguments, setup);
    return tool.Finish();
}
