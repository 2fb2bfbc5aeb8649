#include "DeviceScanner.h"

#include "AnswerGrammar.h"
#include "CommandChannel.h"
#include "Text.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

// What one probe asks, in order, and the key of each answer.
struct Query {
    const char* command;
    AnswerKey key;
};
const Query kQueries[] = {
    {"?Version", AnswerKey::VERSION},
    {"?DateVersion", AnswerKey::DATEVERSION},
    {"?MacAddr;", AnswerKey::MACADDR},
};
constexpr int kQueryCount = int(sizeof(kQueries) / sizeof(kQueries[0]));
// A probe keeps no more of an answer than this: a device that floods is
// garbage, not a reason to grow.
constexpr qsizetype kMaxAnswerBytes = 4096;
// An item still on its way is joined from pieces that come this close
// together, as the command channel joins them.
constexpr int kPieceGapMs = CommandChannel::kTextGapMs;

} // namespace

struct DeviceScanner::Probe {
    QTcpSocket socket;
    QTimer timer;
    // No further piece of an unended item came in time.
    QTimer gap;
    // -1 while connecting, then the index of the query awaiting its answer.
    int step = -1;
    QByteArray text;
    bool answeredAnything = false;
    ScanFinding finding;
};

DeviceScanner::DeviceScanner(QObject* parent) : QObject(parent) {}

DeviceScanner::~DeviceScanner() {
    retired_.clear();
    for (Probe* probe : std::as_const(probes_)) {
        probe->socket.disconnect(this);
        probe->timer.disconnect(this);
        probe->gap.disconnect(this);
        probe->socket.abort();
        delete probe;
    }
}

void DeviceScanner::Start(const QStringList& addresses, int port, const Options& options) {
    Stop();
    addresses_ = addresses;
    port_ = port;
    options_ = options;
    options_.inFlight = std::max(options_.inFlight, 1);
    next_ = 0;
    probed_ = 0;
    running_ = true;
    launchMore();
}

void DeviceScanner::Stop() {
    if (!running_)
        return;
    next_ = int(addresses_.size());
    while (!probes_.isEmpty())
        finishProbe(probes_.last(), false);
}

void DeviceScanner::launchMore() {
    while (running_ && probes_.size() < options_.inFlight && next_ < addresses_.size()) {
        auto* probe = new Probe;
        probe->finding.address = addresses_.at(next_++);
        probe->finding.port = port_;
        probes_.append(probe);
        probe->timer.setSingleShot(true);
        // A device that answers just inside the limit is found, as the
        // window's Read would take its answer.
        probe->timer.setTimerType(Qt::PreciseTimer);
        connect(&probe->timer, &QTimer::timeout, this, [this, probe] {
            // No answer in time: a device that said something but not what
            // was asked is listed as garbage; one that said its version is
            // listed with what it said; one that took the connection and
            // said nothing is listed as silent.
            probe->finding.silent = probe->step == 0 && !probe->answeredAnything;
            finishProbe(probe, probe->step >= 0);
        });
        probe->gap.setSingleShot(true);
        probe->gap.setInterval(kPieceGapMs);
        connect(&probe->gap, &QTimer::timeout, this, [this, probe] { take(probe, true); });
        connect(&probe->socket, &QTcpSocket::connected, this, [this, probe] { advance(probe); });
        connect(&probe->socket, &QTcpSocket::readyRead, this, [this, probe] {
            probe->text += probe->socket.read(kMaxAnswerBytes - probe->text.size());
            probe->answeredAnything = probe->answeredAnything || !probe->text.isEmpty();
            if (probe->text.size() >= kMaxAnswerBytes) {
                finishProbe(probe, true);
                return;
            }
            take(probe, false);
        });
        // A connection taken and closed without a word counts as silent.
        connect(&probe->socket, &QTcpSocket::errorOccurred, this, [this, probe] {
            probe->finding.silent = probe->step == 0 && !probe->answeredAnything;
            finishProbe(probe, probe->step >= 0);
        });
        probe->timer.start(options_.connectTimeoutMs);
        probe->socket.connectToHost(probe->finding.address, quint16(port_));
    }
    if (running_ && probes_.isEmpty() && next_ >= addresses_.size()) {
        running_ = false;
        emit finished();
    }
}

void DeviceScanner::take(Probe* probe, bool stopped) {
    // Only whole items count until the pieces stop: "VERSION = 1.0" of
    // "VERSION = 1.00A;" is no version.
    const qsizetype end = stopped || TrimControl(probe->text).endsWith(';')
                              ? probe->text.size()
                              : probe->text.lastIndexOf(';') + 1;
    const QList<AnswerItem> items = SplitAnswer(TrimControl(FromCp1251(probe->text.left(end))));
    const Query& query = kQueries[std::clamp(probe->step, 0, kQueryCount - 1)];
    for (const AnswerItem& item : items) {
        if (FindAnswerKey(item.key) != int(query.key))
            continue;
        (query.key == AnswerKey::VERSION       ? probe->finding.version
         : query.key == AnswerKey::DATEVERSION ? probe->finding.date
                                               : probe->finding.mac) = item.value;
        probe->text.clear();
        probe->gap.stop();
        advance(probe);
        return;
    }
    if (end < probe->text.size())
        probe->gap.start();
}

void DeviceScanner::advance(Probe* probe) {
    ++probe->step;
    if (probe->step >= kQueryCount) {
        finishProbe(probe, true);
        return;
    }
    probe->socket.write(kQueries[probe->step].command);
    // The channel takes an answer applied at the limit's very millisecond.
    probe->timer.start(options_.answerTimeoutMs + 1);
}

void DeviceScanner::finishProbe(Probe* probe, bool report) {
    if (!probes_.removeOne(probe))
        return;
    probe->socket.disconnect(this);
    probe->timer.disconnect(this);
    probe->gap.disconnect(this);
    probe->timer.stop();
    probe->gap.stop();
    probe->socket.abort();
    ++probed_;
    if (report) {
        // Without a version it is no device's answer to "?Version".
        probe->finding.garbage = !probe->finding.silent && probe->finding.version.isEmpty();
        emit found(probe->finding);
    }
    emit progress(probed_, int(addresses_.size()));
    // Its socket may be inside one of its own signals right now: it goes
    // once the event loop is back.
    retired_.emplace_back(probe);
    if (retired_.size() == 1)
        QTimer::singleShot(0, this, [this] { retired_.clear(); });
    launchMore();
}
