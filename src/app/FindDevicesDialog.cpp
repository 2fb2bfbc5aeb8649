#include "FindDevicesDialog.h"

#include "Connection.h"
#include "FormLook.h"
#include "ReturnPressesButton.h"
#include "ScanRange.h"
#include "TextColor.h"
#include "ValueChecks.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QNetworkInterface>

namespace {

enum Column { ColumnAddress, ColumnPort, ColumnVersion, ColumnDate, ColumnMac, ColumnCount };

quint32 AddressOrder(const QString& address) {
    return QHostAddress(address).toIPv4Address();
}

} // namespace

QList<QHostAddress> InterfaceAddresses() {
    QList<QHostAddress> addresses;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const QNetworkInterface::InterfaceFlags flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                addresses.append(entry.ip());
    }
    return addresses;
}

FindDevicesDialog::FindDevicesDialog(QWidget* parent)
    : QDialog(parent), localAddresses(InterfaceAddresses) {
    ui_.setupUi(this);
    setFont(UiFont());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    new ReturnPressesButton(this);
    QHeaderView* header = ui_.TableDevices->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    // One line of text a row, as a list of addresses reads best.
    QHeaderView* rows = ui_.TableDevices->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(ui_.TableDevices->fontMetrics().height() + 4);
    ui_.TableDevices->setWordWrap(false);

    connect(ui_.EditRange, &QLineEdit::textEdited, this, [this] { rangeTyped_ = true; });
    connect(ui_.ButtonSearch, &QPushButton::clicked, this, &FindDevicesDialog::ButtonSearchClick);
    connect(ui_.ButtonStop, &QPushButton::clicked, this, &FindDevicesDialog::ButtonStopClick);
    connect(ui_.ButtonConnect, &QPushButton::clicked, this, &FindDevicesDialog::ButtonConnectClick);
    connect(ui_.TableDevices, &QTableWidget::cellDoubleClicked, this,
            [this] { ButtonConnectClick(); });
    connect(ui_.TableDevices, &QTableWidget::currentCellChanged, this,
            [this](int row) { ui_.ButtonConnect->setEnabled(row >= 0); });
    // Enter on a row connects; the table would pass it on to the dialog,
    // whose default button is "Search".
    ui_.TableDevices->installEventFilter(this);

    connect(&scanner_, &DeviceScanner::found, this, &FindDevicesDialog::onFound);
    connect(&scanner_, &DeviceScanner::progress, this, &FindDevicesDialog::onProgress);
    connect(&scanner_, &DeviceScanner::finished, this, &FindDevicesDialog::onFinished);
}

void FindDevicesDialog::Open() {
    // The workstation's networks may have changed since the last time; a
    // range the user typed stays.
    if (!rangeTyped_)
        ui_.EditRange->setText(
            SubnetRanges(localAddresses ? localAddresses() : QList<QHostAddress>()));
    if (!rangeTyped_ && ui_.EditRange->text().isEmpty() && found_ == 0)
        showStatus(QStringLiteral("No network of this workstation found: type a range"));
    open();
    ui_.EditRange->setFocus();
}

void FindDevicesDialog::ButtonSearchClick() {
    if (Searching())
        return;
    QString error;
    const std::optional<QStringList> addresses = ParseScanRanges(ui_.EditRange->text(), error);
    if (!addresses) {
        showStatus(error, true);
        return;
    }
    const QString portText = ui_.EditSearchPort->text().trimmed();
    const std::optional<int> port = StrictNumber(portText, 1, kMaxPort);
    if (!port) {
        showStatus(Connection::PortError(portText), true);
        return;
    }
    // The range searched is the one offered next time, whatever the
    // workstation's networks do meanwhile.
    rangeTyped_ = true;
    ui_.TableDevices->setRowCount(0);
    ui_.ButtonConnect->setEnabled(false);
    found_ = 0;
    silent_ = 0;
    unexpected_ = 0;
    stopped_ = false;
    ui_.ProgressBarSearch->setRange(0, int(addresses->size()));
    ui_.ProgressBarSearch->setValue(0);
    showStatus(QStringLiteral("Searching %1 address(es)...").arg(addresses->size()));
    setSearching(true);
    const std::optional<ScanFinding> current =
        connectedDevice ? connectedDevice() : std::optional<ScanFinding>();
    if (current && current->port == *port && addresses->contains(current->address))
        listDevice(*current, true);
    scanner_.Start(*addresses, *port, scanOptions);
}

void FindDevicesDialog::ButtonStopClick() {
    if (!Searching())
        return;
    stopped_ = true;
    // The probes it aborts count as done for the scanner, not for the user.
    probedAtStop_ = scanner_.Probed();
    scanner_.Stop();
}

void FindDevicesDialog::ButtonConnectClick() {
    const int row = ui_.TableDevices->currentRow();
    if (row < 0)
        return;
    const QString address = ui_.TableDevices->item(row, ColumnAddress)->text();
    const QString port = ui_.TableDevices->item(row, ColumnPort)->text();
    ButtonStopClick();
    accept();
    emit connectRequested(address, port);
}

void FindDevicesDialog::done(int result) {
    // Closed by any way (Escape, "Close", the frame, a connect): nothing is
    // left probing behind it.
    ButtonStopClick();
    QDialog::done(result);
}

bool FindDevicesDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.TableDevices && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ButtonConnectClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FindDevicesDialog::onFound(const ScanFinding& finding) {
    listDevice(finding, false);
}

void FindDevicesDialog::listDevice(const ScanFinding& finding, bool connected) {
    QTableWidget* table = ui_.TableDevices;
    // In address order, whatever order the answers come in.
    const quint32 order = AddressOrder(finding.address);
    int row = 0;
    while (row < table->rowCount() && AddressOrder(table->item(row, ColumnAddress)->text()) < order)
        ++row;
    if (row < table->rowCount() && table->item(row, ColumnAddress)->text() == finding.address) {
        // The connected device, listed already: it answered after all, and
        // an unexpected answer or none (it is busy with the window) does
        // not replace what the window knows.
        if (finding.garbage || finding.silent)
            return;
    } else {
        table->insertRow(row);
        ++(finding.garbage ? unexpected_ : finding.silent ? silent_ : found_);
    }
    const QString texts[ColumnCount] = {
        finding.address,
        QString::number(finding.port),
        finding.garbage  ? QStringLiteral("unexpected answer")
        : finding.silent ? QStringLiteral("no answer in time")
                         : finding.version,
        finding.date,
        finding.mac,
    };
    for (int column = 0; column < ColumnCount; ++column) {
        auto* item = new QTableWidgetItem(texts[column]);
        if (finding.garbage) {
            item->setForeground(Qt::red);
            item->setToolTip(
                QStringLiteral("Something answers here, but not as an RK5720 LAN does"));
        } else if (finding.silent) {
            item->setForeground(Qt::darkRed);
            item->setToolTip(QStringLiteral("It took the connection but did not answer within "
                                            "%1 ms: a slow link, a busy device, or another "
                                            "program on this port")
                                 .arg(scanOptions.answerTimeoutMs));
        } else if (connected) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
            item->setToolTip(QStringLiteral("Connected to this window"));
        }
        table->setItem(row, column, item);
    }
}

void FindDevicesDialog::onProgress(int probed, int total) {
    ui_.ProgressBarSearch->setMaximum(total);
    ui_.ProgressBarSearch->setValue(probed);
}

void FindDevicesDialog::onFinished() {
    // The first device is ready for Enter, unless the user chose one while
    // the list grew.
    if (ui_.TableDevices->currentRow() < 0 && ui_.TableDevices->rowCount() > 0)
        ui_.TableDevices->setCurrentCell(0, ColumnAddress);
    setSearching(false);
    QString others;
    if (silent_ > 0)
        others += QStringLiteral(", %1 with no answer in time").arg(silent_);
    if (unexpected_ > 0)
        others += QStringLiteral(", %1 unexpected answer(s)").arg(unexpected_);
    showStatus(QStringLiteral("%1%2 device(s) found%3, %4 of %5 address(es) searched")
                   .arg(stopped_ ? QStringLiteral("Search stopped: ") : QString())
                   .arg(found_)
                   .arg(others)
                   .arg(stopped_ ? probedAtStop_ : scanner_.Probed())
                   .arg(scanner_.Total()));
    if (stopped_)
        ui_.ProgressBarSearch->setValue(probedAtStop_);
}

void FindDevicesDialog::setSearching(bool searching) {
    // Keyboard users keep a working button under the focus.
    const bool searchHadFocus = ui_.ButtonSearch->hasFocus();
    const bool stopHadFocus = ui_.ButtonStop->hasFocus();
    ui_.ButtonStop->setEnabled(searching);
    ui_.ButtonSearch->setEnabled(!searching);
    ui_.EditRange->setReadOnly(searching);
    ui_.EditSearchPort->setReadOnly(searching);
    if (searching && searchHadFocus)
        ui_.ButtonStop->setFocus();
    else if (!searching && stopHadFocus)
        (ui_.TableDevices->rowCount() > 0 ? static_cast<QWidget*>(ui_.TableDevices)
                                          : ui_.ButtonSearch)
            ->setFocus();
}

void FindDevicesDialog::showStatus(const QString& text, bool error) {
    ui_.LabelSearchStatus->setText(text);
    SetTextColor(ui_.LabelSearchStatus, error ? Qt::red : Qt::black);
}
