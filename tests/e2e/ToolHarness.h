#pragma once

// The real main window, offscreen, with its own settings file and no
// start-up connection, plus helpers to drive it as a user would.

#include "AppOptions.h"
#include "ConfigMode.h"
#include "Controls.h"
#include "SecondaryWindows.h"
#include "SimulatorThread.h"
#include "TChatForm.h"
#include "WindowFixture.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

// A simulator on `address` (a 127.x.y.z), on `port` or an ephemeral one;
// nothing when that port is taken there.
inline std::unique_ptr<sim::SimulatorThread> StartSimAt(const QString& address, quint16 port) {
    sim::SimulatorThread::Options options;
    options.address = QHostAddress(address);
    options.port = port;
    auto device = std::make_unique<sim::SimulatorThread>(options);
    return device->start() ? std::move(device) : nullptr;
}

class ToolHarness {
public:
    explicit ToolHarness(const QByteArray& settingsText = {},
                         std::function<void(AppOptions&)> adjust = {}) {
        settingsPath = dir.filePath(QStringLiteral("RK5720LAN_Config.ini"));
        if (!settingsText.isEmpty()) {
            QFile file(settingsPath);
            if (file.open(QIODevice::WriteOnly))
                file.write(settingsText);
        }
        AppOptions options = WindowFixture::TestOptions(settingsPath);
        if (adjust)
            adjust(options);
        form = std::make_unique<TChatForm>(options);
        form->setErrorReporter([this](const QString& message) { errors << message; });
        form->show();
    }

    Controls ui() { return Controls(*form); }
    QString status(StatusPanel panel) const { return form->StatusText(panel); }
    QStringList logLines() const { return MessageLogLines(*form); }

    // Answers the connect dialog the next time it opens: records what it
    // proposed, then fills in `host` and `port` and presses OK (or Cancel).
    void answerDialog(const QString& host, const QString& port, bool ok = true) {
        QTimer::singleShot(0, form.get(), [this, host, port, ok] {
            TFCombBoxDial& dialog = *form->findChild<TFCombBoxDial*>();
            proposed = {dialog.ui().EditAddr->text(), dialog.ui().EditPort->text()};
            dialog.ui().EditAddr->setText(host);
            dialog.ui().EditPort->setText(port);
            (ok ? dialog.ui().BitBtn1 : dialog.ui().BitBtn2)->click();
        });
    }

    // "&Connect..." through the dialog, waiting for the connect event.
    bool connectTo(const QString& host, quint16 port) {
        answerDialog(host, QString::number(port));
        ui().get<QAction>("FileConnectItem")->trigger();
        return QTest::qWaitFor(
            [this] {
                return status(StatusPanel::Connection).startsWith(QStringLiteral("Connect to: "));
            },
            10000);
    }

    void shortenRestart() {
        RestartTiming& t = form->device().follower.timing;
        t.closePauseMs = 50;
        t.restartPauseMs = 300;
        t.progressStepMs = 50;
        t.reconnectIntervalMs = 200;
    }

    QTemporaryDir dir;
    QString settingsPath;
    std::unique_ptr<TChatForm> form;
    QStringList errors;
    QStringList proposed;
};
