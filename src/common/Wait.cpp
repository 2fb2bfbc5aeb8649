#include "Wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProcessMessagesOrWait(uint32_t maxMs) {
    // The timer only wakes the event loop; its timeout needs no handler.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(maxMs));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
