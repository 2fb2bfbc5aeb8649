#pragma once

#include "DeviceScanner.h"
#include "ui_FindDevicesDialog.h"

#include <QDialog>
#include <QHostAddress>
#include <QList>

#include <functional>
#include <optional>

// File > "Find devices...": searches a range of addresses with the command
// line's scanner on the window's own event loop, lists the devices as they
// answer, and hands the one the user picks to the window to connect to.
class FindDevicesDialog : public QDialog {
    Q_OBJECT
public:
    // The workstation's own IPv4 addresses, whose /24s are the default range.
    using AddressLister = std::function<QList<QHostAddress>()>;

    explicit FindDevicesDialog(QWidget* parent = nullptr);
    Ui::FindDevicesDialog& ui() { return ui_; }

    // Shows the dialog (window-modal, without blocking the caller). The
    // range is the default one until the user types another; nothing is
    // probed before "Search".
    void Open();

    void ButtonSearchClick();
    void ButtonStopClick();
    void ButtonConnectClick();
    bool Searching() const { return scanner_.Running(); }

    // The real network interfaces unless a test puts its own here.
    AddressLister localAddresses;
    // The device the window is connected to, if any: a device takes one
    // connection at a time, so the search cannot reach it and lists it with
    // what the window knows.
    std::function<std::optional<ScanFinding>()> connectedDevice;
    // How the scanner probes; tests may shorten it.
    DeviceScanner::Options scanOptions;

signals:
    void connectRequested(const QString& address, const QString& port);

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onFound(const ScanFinding& finding);
    void listDevice(const ScanFinding& finding, bool connected);
    void onProgress(int probed, int total);
    void onFinished();
    void setSearching(bool searching);
    void showStatus(const QString& text, bool error = false);

    Ui::FindDevicesDialog ui_;
    DeviceScanner scanner_;
    bool rangeTyped_ = false;
    bool stopped_ = false;
    // Rows of each kind: devices, addresses that took the connection and
    // said nothing in time, answers no device gives.
    int found_ = 0;
    int silent_ = 0;
    int unexpected_ = 0;
    int probedAtStop_ = 0;
};

// The IPv4 addresses of the workstation's interfaces that are up, loopback
// left out.
QList<QHostAddress> InterfaceAddresses();
