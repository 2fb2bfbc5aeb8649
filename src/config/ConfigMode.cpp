#include "ConfigMode.h"

#include "LabelColor.h"
#include "ValueChecks.h"
#include "Wait.h"
#include "ui_TChatForm.h"

#include <QComboBox>
#include <QLineEdit>

#include <functional>

namespace {

const QString kNotConnected = QStringLiteral("Server is not connected");
const QString kNotAnswer = QStringLiteral("Server not answer");
const QString kErrorAnswer = QStringLiteral("Error server answer");

} // namespace

ConfigMode::ConfigMode(ClientSocket& socket, CommandChannel& channel, ChannelState& state,
                       RememberedParams& remembered, Ui::TChatForm& ui, Shell& shell,
                       QTimer& timer1, QObject* parent)
    : QObject(parent), socket_(socket), channel_(channel), state_(state), remembered_(remembered),
      ui_(ui), shell_(shell), timer1_(timer1) {}

int ConfigMode::SelectedIndex(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly);
}

void ConfigMode::clearReadFields() {
    for (QLineEdit* field :
         {ui_.EditMacAddr, ui_.EditSpeedDup, ui_.EditIPAddr, ui_.EditMask, ui_.EditPort, ui_.EditGW,
          ui_.EditPackFloat, ui_.EditVersion, ui_.EditDateVersion})
        field->clear();
}

void ConfigMode::ButtonGetAllClick() {
    if (!socket_.Connected()) {
        channel_.ShowStatus(kNotConnected);
        return;
    }
    shell_.SetStatusText(2, QStringLiteral("Reading config..."));
    ProcessMessages();
    clearReadFields();
    ProcessMessages();

    static const char* const kQueries[] = {"?IpAddr;",    "?NetMask;", "?GW;",
                                           "?Service;",   "?Version;", "?DateVersion;",
                                           "?PackFloat;", "?MacAddr;", "?Speed_Duplex;"};
    int answered = 0;
    for (const char* query : kQueries)
        answered += channel_.SendCommand(QString::fromLatin1(query));

    if (answered == 0) {
        shell_.SetStatusText(2, kNotAnswer);
        socket_.Close();
    } else if (answered <= 7) {
        shell_.SetStatusText(2, kErrorAnswer);
    } else {
        shell_.SetStatusText(2, QString());
    }
    ProcessMessages();
}

void ConfigMode::ButtonSetAllClick() {
    if (!socket_.Connected()) {
        channel_.ShowStatus(kNotConnected);
        return;
    }
    state_.AnswerReceived = false;
    for (QLabel* label : {ui_.LabelIPAddr, ui_.LabelMask, ui_.LabelPort, ui_.LabelGW, ui_.LabelMac,
                          ui_.LabelPackFloat, ui_.LabelSpeedDup})
        SetLabel(label, QStringLiteral("-"), Qt::black);
    clearReadFields();
    shell_.SetStatusText(2, QStringLiteral("Writing config..."));
    ProcessMessages();

    // One row per writable parameter, in the order they go to the device.
    struct Parameter {
        QCheckBox* box;
        QLineEdit* edit;  // or
        QComboBox* combo; // the combo's selected index is sent
        bool (*check)(const QString&);
        const char* command;
        QString* rememberedText;
        int* rememberedIndex;
        QLabel* result;
        const char* error;
    };
    const Parameter parameters[] = {
        {ui_.CheckBoxIPAddr, ui_.MEditIpAddr, nullptr, CheckIpAddress,
         "IPADDR = ", &remembered_.LastAddr, nullptr, ui_.LabelIPAddr, "Error in IP Address"},
        {ui_.CheckBoxMask, ui_.MEditNetMask, nullptr, CheckIpAddress,
         "NETMASK = ", &remembered_.LastNetMask, nullptr, ui_.LabelMask, "Error in mask"},
        {ui_.CheckBoxPort, ui_.MEditPort, nullptr, CheckPort, "SERVICE = ", &remembered_.LastPort,
         nullptr, ui_.LabelPort, "Error in Port"},
        {ui_.CheckBoxGW, ui_.MEditGW, nullptr, CheckIpAddress, "GW = ", &remembered_.LastGW,
         nullptr, ui_.LabelGW, "Error in GW Address"},
        {ui_.CheckBoxMac, ui_.MEditMac, nullptr, CheckMacAddress,
         "MACADDR = ", &remembered_.LastMac, nullptr, ui_.LabelMac, "Error in MAC Address"},
        {ui_.CheckBoxPackFloat, nullptr, ui_.CBoxPackFloat, nullptr, "PACKFLOAT = ", nullptr,
         &remembered_.LastPackFloat, ui_.LabelPackFloat, ""},
        {ui_.CheckBoxSpeedDup, nullptr, ui_.CBoxSpeedDup, nullptr, "SPEED_DUPLEX = ", nullptr,
         &remembered_.LastSpeedDup, ui_.LabelSpeedDup, ""},
    };

    int sent = 0;
    int answered = 0;
    bool invalid = false;
    for (const Parameter& p : parameters) {
        if (!p.box->isChecked())
            continue;
        const QString value = p.edit ? p.edit->text() : QString::number(SelectedIndex(p.combo));
        if (p.check && !p.check(value)) {
            channel_.AddLogLine(QString::fromLatin1(p.error));
            SetLabel(p.result, QStringLiteral("Error"), Qt::red);
            invalid = true;
            continue;
        }
        ++sent;
        answered += channel_.SendCommand(QString::fromLatin1(p.command) + value);
        if (p.rememberedText)
            *p.rememberedText = value;
        else
            *p.rememberedIndex = SelectedIndex(p.combo);
    }

    if (invalid)
        return;
    if (answered == sent) {
        if (ui_.ChBoxRestart->isChecked())
            runRestartSequence();
        else
            shell_.SetStatusText(2, QString());
    } else if (answered > 0) {
        shell_.SetStatusText(2, kErrorAnswer);
    } else {
        shell_.SetStatusText(2, kNotAnswer);
        socket_.Close();
    }
}

void ConfigMode::ClearArpEntry() {
    if (arpRunner)
        arpRunner(remembered_.LastAddr);
}
