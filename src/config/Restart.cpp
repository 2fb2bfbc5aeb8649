// The device restart after a configuration write, and the reconnection timer
// that also ends the restart after a firmware upload.
#include "ConfigMode.h"

#include "LabelColor.h"
#include "NumberReading.h"
#include "Ticks.h"
#include "Wait.h"
#include "ui_TChatForm.h"

#include <exception>

namespace {
const QString kProgressPattern = QStringLiteral("--+--+--+--");
} // namespace

void ConfigMode::waitProcessing(uint32_t ms) {
    const uint32_t t0 = GetTickCount();
    for (uint32_t elapsed = 0; elapsed < ms; elapsed = TicksSince(t0))
        ProcessMessagesOrWait(ms - elapsed);
}

void ConfigMode::endRestart() {
    shell_.SetBusyCursor(false);
    ui_.ButtonGetAll->setEnabled(true);
    ui_.ButtonSetAll->setEnabled(true);
}

void ConfigMode::runRestartSequence() {
    try {
        shell_.SetBusyCursor(true);
        ui_.ButtonGetAll->setEnabled(false);
        ui_.ButtonSetAll->setEnabled(false);
        shell_.SetStatusText(2, QStringLiteral("Wait for restarting of RK5720LAN..."));
        Sleep(timing.closePauseMs);
        ProcessMessages();

        // The connection went away during the pause: there is nothing to
        // restart, and the user must get the buttons and cursor back.
        if (!state_.SocketWritable) {
            endRestart();
            channel_.ShowStatus(QStringLiteral("Server is not connected"));
            return;
        }
        socket_.SendText(QByteArrayLiteral("Close = 1"));
        if (socket_.Active()) {
            socket_.Close();
            shell_.SetLampWidth(0);
        }
        ProcessMessages();
        const uint32_t t0 = GetTickCount();
        if (ui_.CheckBoxMac->isChecked())
            ClearArpEntry();

        int k = 0;
        while (TicksSince(t0) < timing.restartPauseMs) {
            ++k;
            shell_.SetStatusText(3, kProgressPattern.mid(k % 3, 9));
            waitProcessing(timing.progressStepMs);
        }

        socket_.SetAddress(remembered_.LastAddr);
        socket_.SetPort(ReadNumber(remembered_.LastPort, socket_.Port()));
        state_.RestartCountdown = timing.reconnectTicks;
        // A coarse timer may fire up to 5 % early; the device is promised its
        // full second per attempt.
        timer1_.setTimerType(Qt::PreciseTimer);
        timer1_.setInterval(timing.reconnectIntervalMs);
        timer1_.start();
        shell_.RepaintStatusBar();
    } catch (const std::exception&) {
        shell_.SetStatusText(2, QStringLiteral("Error..."));
        endRestart();
    }
}

void ConfigMode::Timer1Timer() {
    if (socket_.Connected()) {
        shell_.SetStatusText(3, QString());
        shell_.SetBusyCursor(false);
        timer1_.stop();
        ProcessMessages();
        if (shell_.IsUpgradeMode()) {
            ui_.Button3->setEnabled(true);
            ui_.ButtonUpload->setEnabled(true);
            ui_.ButtonCompare->setEnabled(true);
            shell_.SetStatusText(2, QStringLiteral("Reading version"));
            ProcessMessages();
            channel_.SendCommand(QStringLiteral("?Version"));
            channel_.SendCommand(QStringLiteral("?DateVersion"));
            if (state_.AnswerReceived) {
                SetLabel(ui_.LabelUpload, QStringLiteral("OK"), Qt::blue);
                shell_.SetStatusText(2, QString());
                ui_.LabelIMVersion->setText(ui_.EditVersion->text() + QStringLiteral(" (") +
                                            ui_.EditDateVersion->text() + QStringLiteral(")"));
                ui_.GrBoxImVer->setVisible(true);
                ProcessMessages();
            } else {
                SetLabel(ui_.LabelUpload, QStringLiteral("Error reading version"), Qt::red);
            }
        } else {
            ButtonGetAllClick();
            ui_.ButtonGetAll->setEnabled(true);
            ui_.ButtonSetAll->setEnabled(true);
        }
        return;
    }

    const int n = state_.RestartCountdown--;
    if (n != 0) {
        shell_.SetStatusText(3, QString(qMax(state_.RestartCountdown, 0), QLatin1Char('-')));
    } else {
        timer1_.stop();
        channel_.ShowStatus(QStringLiteral("Server is not connected"));
        if (shell_.IsUpgradeMode())
            SetLabel(ui_.LabelUpload, QStringLiteral("Error restarting of RK5720ELAN"), Qt::red);
        ui_.Button3->setEnabled(true);
        ui_.ButtonUpload->setEnabled(true);
        ui_.ButtonCompare->setEnabled(true);
        endRestart();
    }
    ProcessMessages();
    shell_.StartConnectAttempt();
}
