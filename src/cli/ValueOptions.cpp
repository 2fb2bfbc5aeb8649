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
    QList<OptionSpec> options;
    for (const SettingRow& row : SettingRows())
        options.append({row.option, row.optionValue, row.optionHelp});
    return options;
}
