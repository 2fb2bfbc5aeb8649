// What each answer item does to the window: the answer-key table's actions.
#include "AnswerGrammar.h"
#include "CommandChannel.h"
#include "LabelColor.h"
#include "ValueChecks.h"
#include "Wait.h"
#include "ui_TChatForm.h"

#include <QTextCursor>

namespace {

void ShowResult(QLabel* label, const QString& value) {
    if (value == kAnswerOk)
        SetLabel(label, QStringLiteral("OK"), Qt::blue);
    else
        SetLabel(label, QStringLiteral("Error"), Qt::red);
}

} // namespace

void CommandChannel::ParseAnswer(const QString& text) {
    // The items are a copy: applying one pumps messages, and a nested answer
    // must not disturb the rest of this one.
    const QList<AnswerItem> items = SplitAnswer(text);
    for (const AnswerItem& item : items) {
        if (!ApplyAnswerItem(item.key, item.value))
            return;
    }
}

bool CommandChannel::ApplyAnswerItem(const QString& key, const QString& value) {
    switch (static_cast<AnswerKey>(FindAnswerKey(key))) {
    case AnswerKey::SET_IPADDR:
        ShowResult(ui_.LabelIPAddr, value);
        break;
    case AnswerKey::SET_NETMASK:
        ShowResult(ui_.LabelMask, value);
        break;
    case AnswerKey::SET_SERVICE:
        ShowResult(ui_.LabelPort, value);
        break;
    case AnswerKey::SET_GW:
        ShowResult(ui_.LabelGW, value);
        break;
    case AnswerKey::SET_PACKFLOAT:
        ShowResult(ui_.LabelPackFloat, value);
        break;
    case AnswerKey::IPADDR:
        ui_.EditIPAddr->setText(value);
        break;
    case AnswerKey::NETMASK:
        ui_.EditMask->setText(value);
        break;
    case AnswerKey::SERVICE:
        ui_.EditPort->setText(value);
        break;
    case AnswerKey::GW:
        ui_.EditGW->setText(value);
        break;
    case AnswerKey::VERSION:
        ui_.EditVersion->setText(value);
        break;
    case AnswerKey::DATEVERSION:
        ui_.EditDateVersion->setText(value);
        break;
    case AnswerKey::PACKFLOAT: {
        const std::optional<QString> shown = IndexDisplay(value, PackFloatItems());
        if (!shown)
            return false;
        ui_.EditPackFloat->setText(*shown);
        break;
    }
    case AnswerKey::WRITESOFT:
        state_.WriteSoftReady = value == kAnswerReady;
        break;
    case AnswerKey::UPGRADE:
        state_.UpgradeAccepted = value == kAnswerOk ? 1 : 0;
        break;
    case AnswerKey::READ:
        if (value == kAnswerOk)
            startBlockRead();
        break;
    case AnswerKey::SET_MACADDR:
        ShowResult(ui_.LabelMac, value);
        break;
    case AnswerKey::MACADDR:
        ui_.EditMacAddr->setText(value);
        break;
    case AnswerKey::SET_SPEED_DUPLEX:
        ShowResult(ui_.LabelSpeedDup, value);
        break;
    case AnswerKey::SPEED_DUPLEX: {
        const std::optional<QString> shown = IndexDisplay(value, SpeedDuplexItems());
        if (!shown)
            return false;
        ui_.EditSpeedDup->setText(*shown);
        break;
    }
    case AnswerKey::SET_SERVORRCOM:
        ShowResult(ui_.LabelRCom, value);
        break;
    case AnswerKey::SERVORRCOM: {
        const std::optional<bool> off = RemoteComOff(value);
        if (!off)
            return false;
        if (*off)
            ui_.LabelRCom->setText(QStringLiteral("Off"));
        SetLabelColor(ui_.LabelRCom, Qt::black);
        break;
    }
    default: // NO, the keys with no action of their own, and unknown keys
        break;
    }
    state_.AnswerReceived = true;
    ProcessMessages();
    return true;
}

void CommandChannel::startBlockRead() {
    const int size = state_.BlockLength * state_.BlockCount;
    state_.ReleaseBlockBuffer();
    if (size > 0)
        state_.BlockBuffer = QByteArray(size, '\0');
    AddSentLine(QStringLiteral("READBUF"));
    QTextCursor cursor = ui_.MemoSending->textCursor();
    cursor.setPosition(0);
    ui_.MemoSending->setTextCursor(cursor);
    socket_.SendText(QByteArrayLiteral("READBUF"));
}
