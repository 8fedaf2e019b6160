// Runs one command and prints "<wall ms> <peak RSS KiB> <CPU ms> <exit status>":
// wall time from fork to exit, the child's peak resident set as the kernel
// counts it, and its user + system CPU time (steadier than wall time on a
// busy machine). A run that outlives the time limit is killed and
// reported as failed, so a program that never quits cannot stall the bench.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

volatile sig_atomic_t timedOut = 0;
pid_t runningChild = 0;

void onAlarm(int)
{
    timedOut = 1;
    kill(runningChild, SIGKILL);
}

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TIMEOUT_SECONDS COMMAND [ARG...]\n", argv[0]);
        return 2;
    }
    const unsigned limitSeconds = unsigned(std::atoi(argv[1]));
    const double start = nowMs();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::fprintf(stderr, "exec %s: %s\n", argv[2], std::strerror(errno));
        _exit(127);
    }
    // Block in wait4 (no polling that would steal a core from the child);
    // the alarm kills a child that does not quit.
    runningChild = child;
    struct sigaction action {};
    action.sa_handler = onAlarm;
    sigaction(SIGALRM, &action, nullptr);
    alarm(limitSeconds > 0 ? limitSeconds : 1);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("wait4");
            return 2;
        }
    }
    const double wall = nowMs() - start;
    alarm(0);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
                       + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    if (timedOut) {
        std::printf("%.3f %ld %.3f timeout\n", wall, usage.ru_maxrss, cpu);
        return 1;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%.3f %ld %.3f %d\n", wall, usage.ru_maxrss, cpu, code);
    return code == 0 ? 0 : 1;
}
