#pragma once

// Parts of a test that need what a test must not do to its own process: run as
// an unprivileged user (CI runs as root, which passes every permission check),
// or on a small file system of their own. They run in a forked child, which
// mounts a tmpfs in a private mount namespace and drops to user and group
// 65534 as asked; whatever the child leaves mounted goes away with it.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <functional>

#include <csignal>
#include <cstring>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

inline constexpr uid_t kNobody = 65534;

struct ChildSetup {
    QString tmpfsAt; // mount a tmpfs of tmpfsBytes here, owned by the user the body runs as
    qint64 tmpfsBytes = 0;
    bool unprivileged = false; // when root, become user and group kNobody
};

struct ChildResult {
    bool skipped = false;
    QString message; // why it failed or was skipped; empty when it passed
};

// When root, hands the paths to the user an unprivileged child runs as.
inline bool GiveToNobody(const QStringList& paths) {
    if (::geteuid() != 0)
        return true;
    for (const QString& path : paths) {
        if (::chown(QFile::encodeName(path).constData(), kNobody, kNobody) != 0)
            return false;
    }
    return true;
}

namespace childprocess {

// Empty when done, else why the child cannot be set up.
inline QString prepare(const ChildSetup& setup) {
    const bool root = ::geteuid() == 0;
    const bool drop = setup.unprivileged && root;
    if (!setup.tmpfsAt.isEmpty()) {
        if (!root)
            return QStringLiteral("mounting a tmpfs needs root");
        const QByteArray options =
            "size=" + QByteArray::number(setup.tmpfsBytes) + (drop ? ",uid=65534,gid=65534" : "");
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", QFile::encodeName(setup.tmpfsAt).constData(), "tmpfs", 0,
                    options.constData()) != 0)
            return QStringLiteral("no tmpfs in a private mount namespace: %1")
                .arg(QString::fromLocal8Bit(strerror(errno)));
    }
    if (drop && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        return QStringLiteral("cannot drop to user %1").arg(kNobody);
    return QString();
}

} // namespace childprocess

// Runs `body` in a forked child set up as asked. The body returns what went
// wrong, or an empty text; a child that has not finished by the deadline is
// killed and counts as failed.
inline ChildResult RunInChild(const ChildSetup& setup, const std::function<QString()>& body,
                              int timeoutMs = 30000) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {true, QStringLiteral("no pipe")};
    const pid_t pid = ::fork();
    if (pid < 0)
        return {true, QStringLiteral("no fork")};
    if (pid == 0) {
        ::close(fds[0]);
        const QString setupError = childprocess::prepare(setup);
        const QByteArray report =
            setupError.isEmpty() ? "F" + body().toUtf8() : "S" + setupError.toUtf8();
        const bool sent =
            ::write(fds[1], report.constData(), size_t(report.size())) == ssize_t(report.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    int status = 0;
    const bool ended =
        QTest::qWaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    QByteArray report;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;)
        report.append(chunk, qsizetype(n));
    ::close(fds[0]);
    if (!ended)
        return {false, QStringLiteral("the child did not finish within %1 ms").arg(timeoutMs)};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || report.isEmpty())
        return {false, QStringLiteral("the child ended abnormally")};
    return {report.startsWith('S'), QString::fromUtf8(report.mid(1))};
}

// For the test slot: skip, fail with the child's message, or go on.
#define RK_VERIFY_CHILD(result)                                                                    \
    do {                                                                                           \
        const ChildResult r_ = (result);                                                           \
        if (r_.skipped)                                                                            \
            QSKIP(qPrintable(r_.message));                                                         \
        QVERIFY2(r_.message.isEmpty(), qPrintable(r_.message));                                    \
    } while (false)
