// rk5720-sample-image FILE [VERSION [DATE [SIZE]]]: writes a valid firmware image
// for trying an upgrade against the simulator.
#include "FirmwareImage.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const char* const usage = "usage: rk5720-sample-image FILE [VERSION [DATE [SIZE]]]\n";
    if (args.size() == 2 &&
        (args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    // An option mistaken for the file name would leave a file called "--x".
    if (args.size() < 2 || args.size() > 5 || args[1].startsWith(QLatin1Char('-'))) {
        std::fputs(usage, stderr);
        return 2;
    }
    const QString version = args.value(2, QStringLiteral("1.01B"));
    const QString date = args.value(3, QStringLiteral("15.06.24"));
    bool sizeOk = true;
    const int size = args.size() > 4 ? args[4].toInt(&sizeOk) : 40000;
    if (!sizeOk || size < 64 || size > sim::kImageMaxSize) {
        std::fprintf(stderr, "SIZE must be 64 to %d bytes\n", sim::kImageMaxSize);
        return 2;
    }
    const QByteArray image = sim::BuildFirmwareImage(version, date, size);
    QFile file(args[1]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(image) != image.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
