#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// One address that answered the scan's probe.
struct ScanFinding {
    QString address;
    int port = 0;
    QString version;
    QString date;
    QString mac;
    // It answered, but not as a device answers "?Version".
    bool garbage = false;
    // It took the connection but said nothing within the answer time: a
    // device on a slow link or a busy one, or something else on the port.
    bool silent = false;
};

// Finds devices on a range of addresses: a plain connection per address,
// "?Version", then "?DateVersion" and "?MacAddr" on it, many addresses in
// flight at once on the calling thread's event loop. No procedure and no
// window: the window's search and the command line's scan both use it.
class DeviceScanner : public QObject {
    Q_OBJECT
public:
    struct Options {
        // Connections in flight at once.
        int inFlight = 1024;
        // How long a connection attempt may take; an address that drops it
        // (no device, a firewall) costs no more.
        int connectTimeoutMs = 300;
        // How long each of the three answers may take: as long as the
        // window's Read gives each of its queries.
        int answerTimeoutMs = 500;
    };

    explicit DeviceScanner(QObject* parent = nullptr);
    ~DeviceScanner() override;

    // Probes every address of `addresses` at `port`; found() as each device
    // is done, finished() once all are (or Stop()). Only those addresses are
    // ever dialled.
    void Start(const QStringList& addresses, int port, const Options& options);
    // Ends the scan at once: the probes in flight are aborted, none is begun.
    void Stop();
    bool Running() const { return running_; }
    int Probed() const { return probed_; }
    int Total() const { return int(addresses_.size()); }

signals:
    void found(const ScanFinding& finding);
    void progress(int probed, int total);
    void finished();

private:
    struct Probe;

    void launchMore();
    void advance(Probe* probe);
    // Takes what arrived: the awaited item once it is whole (ended by ";",
    // or as it stands once the pieces stop when `stopped`).
    void take(Probe* probe, bool stopped);
    void finishProbe(Probe* probe, bool report);

    QStringList addresses_;
    int port_ = 0;
    Options options_;
    int next_ = 0;
    int probed_ = 0;
    bool running_ = false;
    QList<Probe*> probes_;
    // Probes that ended, deleted once the event loop is back.
    std::vector<std::unique_ptr<Probe>> retired_;
};
