// The window against a device that streams NO; for a minute, as fast as the
// window takes it: resident memory before and after, the worst delay of a menu
// command posted every 200 ms, the window's CPU, and a "Read" right after.
#include "AppOptions.h"
#include "BenchSupport.h"
#include "FloodingSim.h"
#include "TChatForm.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtWidgets>

#include <algorithm>
#include <cstdio>

namespace {

int Fail(const char* why) {
    std::fprintf(stderr, "bench_flood: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int floodMs = argc > 1 ? QByteArray(argv[1]).toInt() : 60000;
    QProcess sim;
    const quint16 port = StartFloodingSim(sim, QStringLiteral(RK_SIM_PATH), floodMs);
    if (port == 0)
        return Fail("the simulator did not start");

    QTemporaryDir dir;
    TChatForm form(BenchOptions(dir));
    form.show();
    const qint64 before = ResidentKb();
    const double cpu0 = ProcessCpuMs();
    form.device().connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(port));

    auto* menu = form.findChild<QAction*>(QStringLiteral("NConfig"));
    QElapsedTimer sinceLast;
    qint64 worstMs = 0;
    QObject::connect(menu, &QAction::triggered, &form,
                     [&] { worstMs = std::max(worstMs, sinceLast.restart() - 200); });
    QTimer poster;
    poster.setInterval(200);
    QObject::connect(&poster, &QTimer::timeout, &form, [menu] {
        QMetaObject::invokeMethod(menu, &QAction::trigger, Qt::QueuedConnection);
    });
    sinceLast.start();
    poster.start();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < floodMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    poster.stop();
    const qint64 after = ResidentKb();
    const double cpu = ProcessCpuMs() - cpu0;
    // Let the stream's tail drain.
    for (clock.restart(); clock.elapsed() < 2000;)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);

    clock.restart();
    form.findChild<QPushButton*>(QStringLiteral("ButtonGetAll"))->click();
    const qint64 readMs = clock.elapsed();
    const bool read =
        form.findChild<QLineEdit*>(QStringLiteral("EditSpeedDup"))->text() == QLatin1String("Auto");
    sim.kill();
    sim.waitForFinished();

    std::printf("flood-seconds: %d s\n", floodMs / 1000);
    std::printf("flood-memory-growth: %.1f MB\n", double(after - before) / 1024.0);
    std::printf("flood-worst-menu-delay: %lld ms\n", worstMs);
    std::printf("flood-window-cpu: %.0f %% of a core\n", 100.0 * cpu / double(floodMs));
    std::printf("read-after-flood: %lld ms, %s\n", readMs, read ? "all nine fields" : "FAILED");
    return read ? 0 : 1;
}
