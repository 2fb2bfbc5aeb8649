#include "ValueOptions.h"

#include "ConfigDocument.h"

std::optional<QList<ConfigValue>> ValuesFromOptions(const CommandLine& line, QString& error) {
    QList<ConfigValue> values;
    for (DeviceSetting setting : kWriteOrder) {
        const QString option = SettingOption(setting);
        if (!line.Has(option))
            continue;
        const QString text = line.Value(option);
        const std::optional<QString> checked = CheckedSettingText(setting, text);
        if (!checked) {
            error = QStringLiteral("bad --%1 \"%2\": expected %3")
                        .arg(option, text, ExpectedSettingForm(setting));
            return std::nullopt;
        }
        values.append({setting, *checked});
    }
    return values;
}

QList<OptionSpec> SettingValueOptions() {
    return {
        {"ip", "ADDRESS", "IP address, dotted (A.B.C.D)"},
        {"mask", "MASK", "network mask, dotted"},
        {"port", "PORT", "TCP port of the device, 1..65535"},
        {"gw", "ADDRESS", "gateway address, dotted"},
        {"mac", "MAC", "MAC address, six hexadecimal pairs separated by \"-\" (00-0A-1B-2C-3D-4E)"},
        {"byte-order", "ORDER",
         "float byte order: 1-0-3-2, 0-1-2-3, 3-2-1-0, 2-3-0-1, or its index 0..3"},
        {"speed", "MODE",
         "Ethernet speed/duplex: \"Auto\", \"10 Mbit/s full duplex\", \"10 Mbit/s half duplex\", "
         "\"100 Mbit/s full duplex\", \"100 Mbit/s half duplex\", or its index 0..4"},
    };
}
