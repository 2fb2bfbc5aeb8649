// Network parameters, version, restart and the remote COM-port switch.
#include "DeviceEngine.h"

namespace sim {

bool DeviceEngine::configQuery(const QByteArray& name) {
    const NetworkConfig& c = state_.config;
    if (name == "IPADDR")
        answerItem(name, c.ipAddr.toLatin1());
    else if (name == "NETMASK")
        answerItem(name, c.netMask.toLatin1());
    else if (name == "GW")
        answerItem(name, c.gateway.toLatin1());
    else if (name == "SERVICE")
        answerItem(name, QByteArray::number(c.port));
    else if (name == "VERSION")
        answerItem(name, state_.version.toLatin1());
    else if (name == "DATEVERSION")
        answerItem(name, state_.date.toLatin1());
    else if (name == "PACKFLOAT")
        answerItem(name, QByteArray::number(c.packFloat));
    else if (name == "MACADDR")
        answerItem(name, c.macAddr.toLatin1());
    else if (name == "SPEED_DUPLEX")
        answerItem(name, QByteArray::number(c.speedDuplex));
    else if (name == "SERVORRCOM")
        answerItem(name, state_.remoteCom ? "1" : "0");
    else
        return false;
    return true;
}

bool DeviceEngine::configAssignment(const QByteArray& key, const QByteArray& value) {
    NetworkConfig& c = state_.config;
    if (faults_.confirmAllEarly) {
        if (!earlyConfirmed_) {
            earlyConfirmed_ = true;
            QByteArray all;
            for (const char* each : {"IPADDR", "NETMASK", "GW", "SERVICE", "MACADDR", "PACKFLOAT",
                                     "SPEED_DUPLEX"})
                all += QByteArray("SET_") + each + " = OK;";
            answer(all);
        }
        return true;
    }
    const auto set = [&](bool valid, auto store) {
        const bool ok = valid && !faults_.rejects(QString::fromLatin1(key));
        if (ok)
            store();
        answerSet(key, ok);
    };
    const int number = ValueNumber(value, -1);

    if (key == "IPADDR") {
        set(IsValidAddress(value), [&] { c.ipAddr = QString::fromLatin1(value); });
    } else if (key == "NETMASK") {
        set(IsValidAddress(value), [&] { c.netMask = QString::fromLatin1(value); });
    } else if (key == "GW") {
        set(IsValidAddress(value), [&] { c.gateway = QString::fromLatin1(value); });
    } else if (key == "SERVICE") {
        set(number >= 1 && number <= 65535, [&] { c.port = static_cast<uint16_t>(number); });
    } else if (key == "MACADDR") {
        set(IsValidMac(value), [&] { c.macAddr = QString::fromLatin1(value.toUpper()); });
    } else if (key == "PACKFLOAT") {
        set(number >= 0 && number <= 3, [&] { c.packFloat = number; });
    } else if (key == "SPEED_DUPLEX") {
        set(number >= 0 && number <= 4, [&] { c.speedDuplex = number; });
    } else if (key == "SERVORRCOM") {
        set(number == 0 || number == 1, [&] { state_.remoteCom = number == 1; });
    } else if (key == "CLOSE") {
        // "Close = 1" is never answered: the device just goes away.
        if (number == 1)
            requestAction(EngineAction::Restart);
        else
            answerSet(key, false);
    } else {
        return false;
    }
    return true;
}

} // namespace sim
