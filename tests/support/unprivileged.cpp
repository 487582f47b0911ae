#include "unprivileged.h"

#include <sys/wait.h>
#include <unistd.h>

namespace {

// The conventional "nobody" user and group.
constexpr uid_t kNobody = 65534;
constexpr int kExitNoPrivilegeDrop = 3;

} // namespace

std::optional<QByteArray> RunUnprivileged(const std::function<QByteArray()>& work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(fds[0]);
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(kExitNoPrivilegeDrop);
        const QByteArray out = work();
        qsizetype done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(fds[1], out.constData() + done, size_t(out.size() - done));
            if (n <= 0)
                break;
            done += n;
        }
        _exit(0);
    }
    ::close(fds[1]);
    QByteArray out;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return out;
}
