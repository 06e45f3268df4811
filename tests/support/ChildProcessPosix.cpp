#include "ChildProcess.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{
void ReadAll(int fd, std::string& text)
{
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    close(fd);
}
}

SChildResult RunChild(const std::string& unixPath, const std::vector<std::string>& args, const std::string& input)
{
    SChildResult result;
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        return result;
    // A child that stops reading early must not kill the test.
    std::signal(SIGPIPE, SIG_IGN);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
        posix_spawn_file_actions_addclose(&actions, fd);
    std::vector<char*> argv{const_cast<char*>(unixPath.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    const bool bStarted = posix_spawn(&pid, unixPath.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);

    std::thread writer([&] {
        if (bStarted && !input.empty())
            (void)!write(in[1], input.data(), input.size());
        close(in[1]);
    });
    std::thread errReader([&] { ReadAll(err[0], result.err); });
    ReadAll(out[0], result.out);
    writer.join();
    errReader.join();
    int nStatus = 0;
    if (bStarted && waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus))
        result.nExit = WEXITSTATUS(nStatus);
    return result;
}
