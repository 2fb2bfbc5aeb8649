#pragma once

// The real main window in the Upgrade mode, connected to the simulator, with
// image files in its own folder and the open-file dialog answered by the test.

#include "FirmwareImage.h"
#include "SimulatorThread.h"
#include "Ticks.h"
#include "ToolHarness.h"
#include "UpgradeMode.h"

#include <QFile>
#include <QtTest>

#include <memory>

struct UpgradeFixture {
    // Shortened install and restart pauses unless `realTiming`.
    bool start(bool realTiming = false) {
        arpCalls.clear();
        arpTick = 0;
        dialogStarts.clear();
        dialogFilter.clear();
        dialogAnswer.clear();
        device = std::make_unique<sim::SimulatorThread>();
        device->setRestartDelay(realTiming ? 3000 : 200);
        if (!device->start())
            return false;
        tool = std::make_unique<ToolHarness>();
        if (!realTiming) {
            tool->shortenRestart();
            FirmwareTiming& t = firmware().timing;
            t.installAnswerMs = 200;
            t.installRestartMs = 400;
        }
        tool->form->device().config.arpRunner = [this](const QString& address) {
            arpCalls << address;
            arpTick = rk::GetTickCount();
        };
        tool->form->findChild<UpgradeMode*>()->openFile = [this](const QString& start,
                                                                 const QString& filter) {
            dialogStarts << start;
            dialogFilter = filter;
            return dialogAnswer;
        };
        tool->ui().get<QAction>("NUpgrade")->trigger();
        if (!tool->connectTo(QStringLiteral("127.0.0.1"), device->port()))
            return false;
        // As a technician's Read would: the MAC address names the device that
        // must come back from the install, and the upload asks nothing more.
        if (!tool->form->device().config.ReadValue(DeviceField::MacAddr))
            return false;
        device->clearWireLog();
        return true;
    }

    FirmwareProcedures& firmware() { return tool->form->device().firmware; }
    Controls ui() { return tool->ui(); }

    // Writes `bytes` as a file in the tool's folder and makes it the chosen one.
    QString useImage(const QByteArray& bytes, const QString& name = QStringLiteral("fw.bin")) {
        const QString path = tool->dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        tool->form->openDialog().FileName = path;
        return path;
    }

    static QByteArray image(int size, const QString& version = QStringLiteral("3.10C"),
                            const QString& date = QStringLiteral("09.10.24")) {
        return sim::BuildFirmwareImage(version, date, size);
    }

    bool buttonsEnabled() {
        return ui().get<QPushButton>("Button3")->isEnabled() &&
               ui().get<QPushButton>("ButtonUpload")->isEnabled() &&
               ui().get<QPushButton>("ButtonCompare")->isEnabled();
    }

    std::unique_ptr<sim::SimulatorThread> device;
    std::unique_ptr<ToolHarness> tool;
    QStringList arpCalls;
    uint32_t arpTick = 0;
    QStringList dialogStarts;
    QString dialogFilter;
    QString dialogAnswer;
};
