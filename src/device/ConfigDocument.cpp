#include "ConfigDocument.h"

#include "NumberReading.h"
#include "ValueChecks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

namespace {

using Kind = SettingKind;
using SettingInfo = SettingRow;

const SettingRow* InfoOf(DeviceSetting setting) {
    return FindSettingRow(setting);
}

// A table item by its text or its index; the index is what is sent.
std::optional<QString> TableIndex(const QString& text, const QStringList& items) {
    const qsizetype at = items.indexOf(text);
    if (at >= 0)
        return QString::number(at);
    bool ok = false;
    const int index = text.toInt(&ok);
    if (ok && index >= 0 && index < items.size() && text == QString::number(index))
        return text;
    return std::nullopt;
}

// The text to send for a value, or nothing when it fails its check.
// `typed`: a value to send, held to what a network can use; a value read
// back is taken as the device holds it.
std::optional<QString> CheckedText(const SettingInfo& info, const QString& text,
                                   bool typed = true) {
    switch (info.kind) {
    // Canonical forms only: the device gets the text as typed, and the
    // window's own fields allow no more than these.
    case Kind::Mask:
        if (typed && IsDottedDecimal(text) &&
            !IsContiguousMask(IpAddressBytes(text).value_or(QByteArray())))
            return std::nullopt;
        [[fallthrough]];
    case Kind::Address:
        return IsDottedDecimal(text) && CheckIpAddress(text) ? std::optional<QString>(text)
                                                             : std::nullopt;
    case Kind::Port: {
        const std::optional<int> port = StrictNumber(text, 1, kMaxPort);
        return port && text == QString::number(*port) ? std::optional<QString>(text) : std::nullopt;
    }
    case Kind::Mac: {
        static const QRegularExpression pairs(
            QStringLiteral("^[0-9A-Fa-f]{2}(-[0-9A-Fa-f]{2}){5}$"));
        return pairs.match(text).hasMatch() && CheckMacAddress(text) ? std::optional<QString>(text)
                                                                     : std::nullopt;
    }
    case Kind::ByteOrder:
        return TableIndex(text, PackFloatItems());
    case Kind::Speed:
        return TableIndex(text, SpeedDuplexItems());
    }
    return std::nullopt;
}

QString Expected(const SettingInfo& info) {
    switch (info.kind) {
    case Kind::Mask:
        return QStringLiteral("a dotted mask A.B.C.D without leading zeros, its ones "
                              "contiguous (255.255.255.0, not 255.0.255.0)");
    case Kind::Address:
        return QStringLiteral("a dotted address A.B.C.D, each part 0..255 without leading zeros");
    case Kind::Port:
        return QStringLiteral("a port 1..%1").arg(kMaxPort);
    case Kind::Mac:
        return QStringLiteral("six hexadecimal pairs separated by \"-\", as 00-1A-2B-3C-4D-5E");
    case Kind::ByteOrder:
        return QStringLiteral("one of ") + PackFloatItems().join(QStringLiteral(", ")) +
               QStringLiteral(" or 0..3");
    case Kind::Speed:
        return QStringLiteral("one of \"") + SpeedDuplexItems().join(QStringLiteral("\", \"")) +
               QStringLiteral("\" or 0..4");
    }
    return QString();
}

QString ShownValue(const SettingInfo& info, const DeviceValues& model) {
    const QString value = model.Value(info.field);
    if (IsTableKind(info.kind)) {
        const std::optional<int> index = model.IndexValue(info.field);
        return info.kind == Kind::ByteOrder ? PackFloatText(index.value_or(-1))
                                            : SpeedDuplexText(index.value_or(-1));
    }
    return value;
}

bool SameValue(const SettingInfo& info, const QString& written, const QString& read) {
    switch (info.kind) {
    case Kind::Address:
    case Kind::Mask:
        return IpAddressBytes(written) == IpAddressBytes(read);
    case Kind::Mac:
        return MacAddressBytes(written) == MacAddressBytes(read);
    case Kind::Port:
        return ReadNumber(written, -1) == ReadNumber(read, -2);
    case Kind::ByteOrder:
        return AnsweredIndex(read, int(PackFloatItems().size())) == written.toInt();
    case Kind::Speed:
        return AnsweredIndex(read, int(SpeedDuplexItems().size())) == written.toInt();
    }
    return false;
}

} // namespace

QString SettingKey(DeviceSetting setting) {
    const SettingInfo* info = InfoOf(setting);
    return info ? QLatin1String(info->key) : QString();
}

QString SettingOption(DeviceSetting setting) {
    const SettingInfo* info = InfoOf(setting);
    return info ? QLatin1String(info->option) : QString();
}

std::optional<DeviceSetting> SettingByKey(const QString& key) {
    const SettingRow* row = FindSettingRow(key);
    return row ? std::optional<DeviceSetting>(row->setting) : std::nullopt;
}

std::optional<QString> CheckedSettingText(DeviceSetting setting, const QString& text) {
    const SettingInfo* info = InfoOf(setting);
    return info ? CheckedText(*info, text) : std::nullopt;
}

QString ExpectedSettingForm(DeviceSetting setting) {
    const SettingInfo* info = InfoOf(setting);
    return info ? Expected(*info) : QString();
}

QString ShownSettingValue(DeviceSetting setting, const DeviceValues& model) {
    const SettingInfo* info = InfoOf(setting);
    return info ? ShownValue(*info, model) : QString();
}

QString ShownSettingText(const ConfigValue& value) {
    const SettingInfo* info = InfoOf(value.setting);
    if (!info)
        return QString();
    if (info->kind == Kind::ByteOrder)
        return PackFloatText(value.text.toInt());
    if (info->kind == Kind::Speed)
        return SpeedDuplexText(value.text.toInt());
    return value.text;
}

bool ReadBackConfig(const DeviceValues& model, QString& problem) {
    for (const SettingInfo& info : SettingRows()) {
        const QString value = model.Value(info.field);
        if (value.isEmpty()) {
            problem = QStringLiteral("the device did not answer the %1 query")
                          .arg(QLatin1String(info.label));
            return false;
        }
        bool valid = true;
        if (IsTableKind(info.kind))
            valid = model.IndexValue(info.field).value_or(-1) >= 0 &&
                    !ShownValue(info, model).isEmpty();
        else
            valid = CheckedText(info, value, false).has_value();
        if (!valid) {
            problem = QStringLiteral("the device answered an invalid %1: \"%2\"")
                          .arg(QLatin1String(info.label), value);
            return false;
        }
    }
    for (const auto& [value, label] :
         {std::pair(model.Version(), "version"), std::pair(model.Date(), "version date")}) {
        if (value.isEmpty()) {
            problem =
                QStringLiteral("the device did not answer the %1 query").arg(QLatin1String(label));
            return false;
        }
    }
    return true;
}

QJsonObject ConfigJson(const DeviceValues& model) {
    QJsonObject object;
    for (const SettingInfo& info : SettingRows()) {
        const QString key = QLatin1String(info.key);
        if (info.kind == Kind::Port)
            object.insert(key, ReadNumber(model.Value(info.field), 0));
        else
            object.insert(key, ShownValue(info, model));
    }
    return object;
}

QJsonObject ExportDocument(const DeviceValues& model, const QString& source) {
    QJsonObject document;
    document.insert(QStringLiteral("config"), ConfigJson(model));
    document.insert(QStringLiteral("version"), model.Version());
    document.insert(QStringLiteral("date"), model.Date());
    document.insert(QStringLiteral("source"), source);
    return document;
}

std::optional<QByteArray> ReadConfigFile(QIODevice& file) {
    QByteArray bytes = file.read(kMaxConfigFileBytes + 1);
    if (bytes.size() > kMaxConfigFileBytes)
        return std::nullopt;
    return bytes;
}

bool SaveDocument(const QString& path, const QJsonObject& document, QString& error) {
    const QByteArray bytes = QJsonDocument(document).toJson(QJsonDocument::Indented);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

QStringList ConfigLines(const DeviceValues& model) {
    QStringList lines;
    for (const SettingInfo& info : SettingRows())
        lines << (QLatin1String(info.label) + QLatin1Char(':')).leftJustified(14) +
                     ShownValue(info, model);
    return lines;
}

namespace {

// The first key that stands twice in one object of a JSON text, or nothing.
// Qt's reader keeps the last of them; a configuration must not depend on
// which of two values a reader keeps. The text is valid JSON here.
std::optional<QString> DuplicateKey(const QByteArray& json) {
    QList<QSet<QString>> objects; // the keys of each object open now
    QList<bool> isObject;         // and whether each open bracket is an object
    bool expectKey = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') {
            qsizetype end = i + 1;
            QByteArray text;
            for (; end < json.size() && json[end] != '"'; ++end) {
                if (json[end] == '\\' && end + 1 < json.size())
                    text += json[end++];
                text += json[end];
            }
            if (expectKey && !isObject.isEmpty() && isObject.last()) {
                const QString key =
                    QJsonDocument::fromJson("[\"" + text + "\"]").array().at(0).toString();
                if (objects.last().contains(key))
                    return key;
                objects.last().insert(key);
                expectKey = false;
            }
            i = end;
        } else if (c == '{') {
            objects.append(QSet<QString>());
            isObject.append(true);
            expectKey = true;
        } else if (c == '[') {
            objects.append(QSet<QString>());
            isObject.append(false);
        } else if (c == '}' || c == ']') {
            if (!objects.isEmpty()) {
                objects.removeLast();
                isObject.removeLast();
            }
        } else if (c == ',') {
            expectKey = !isObject.isEmpty() && isObject.last();
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QList<ConfigValue>> ValuesFromJson(const QByteArray& json, QString& error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("not valid JSON: %1 at offset %2")
                    .arg(parseError.errorString())
                    .arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = QStringLiteral("expected a JSON object");
        return std::nullopt;
    }
    if (const std::optional<QString> twice = DuplicateKey(json)) {
        error = QStringLiteral("key \"%1\" stands twice").arg(*twice);
        return std::nullopt;
    }
    QJsonObject config = document.object();
    if (config.contains(QStringLiteral("config"))) {
        // An export document: the configuration and what it says of its source.
        static const QStringList known{QStringLiteral("config"), QStringLiteral("version"),
                                       QStringLiteral("date"), QStringLiteral("source")};
        for (const QString& key : config.keys()) {
            if (!known.contains(key)) {
                error = QStringLiteral("unknown key \"%1\"").arg(key);
                return std::nullopt;
            }
        }
        // The export's own fields are texts; anything else is no export of ours.
        for (const char* field : {"version", "date", "source"}) {
            const QJsonValue value = config.value(QLatin1String(field));
            if (!value.isUndefined() && !value.isString()) {
                error = QStringLiteral("\"%1\" must be a text").arg(QLatin1String(field));
                return std::nullopt;
            }
        }
        const QJsonValue inner = config.value(QStringLiteral("config"));
        if (!inner.isObject()) {
            error = QStringLiteral("\"config\" must be an object");
            return std::nullopt;
        }
        config = inner.toObject();
    }
    for (const QString& key : config.keys()) {
        const bool known =
            std::any_of(std::begin(SettingRows()), std::end(SettingRows()),
                        [&](const SettingInfo& i) { return key == QLatin1String(i.key); });
        if (!known) {
            error = QStringLiteral("unknown key \"%1\"").arg(key);
            return std::nullopt;
        }
    }
    QList<ConfigValue> values;
    for (const SettingInfo& info : SettingRows()) {
        const QString key = QLatin1String(info.key);
        if (!config.contains(key))
            continue;
        const QJsonValue value = config.value(key);
        QString text;
        const bool numeric = info.kind == Kind::Port || IsTableKind(info.kind);
        if (value.isString()) {
            text = value.toString();
        } else if (numeric && value.isDouble() && value.toDouble() == double(value.toInt())) {
            text = QString::number(value.toInt());
        } else {
            error = QStringLiteral("\"%1\" must be %2")
                        .arg(key, numeric ? QStringLiteral("a whole number or a text")
                                          : QStringLiteral("a text"));
            return std::nullopt;
        }
        const std::optional<QString> checked = CheckedText(info, text);
        if (!checked) {
            error = QStringLiteral("bad \"%1\" \"%2\": expected %3").arg(key, text, Expected(info));
            return std::nullopt;
        }
        values.append({info.setting, *checked});
    }
    if (values.isEmpty()) {
        error = QStringLiteral("the configuration holds no setting to write");
        return std::nullopt;
    }
    return values;
}

std::optional<QList<SourcedValues>> ExportsFromJson(const QByteArray& json, QString& error) {
    const QJsonObject document = QJsonDocument::fromJson(json).object();
    if (!document.contains(QStringLiteral("exports"))) {
        const std::optional<QList<ConfigValue>> values = ValuesFromJson(json, error);
        if (!values)
            return std::nullopt;
        return QList<SourcedValues>{{document.value(QStringLiteral("source")).toString(), *values}};
    }
    if (const std::optional<QString> twice = DuplicateKey(json)) {
        error = QStringLiteral("key \"%1\" stands twice").arg(*twice);
        return std::nullopt;
    }
    if (document.size() != 1 || !document.value(QStringLiteral("exports")).isArray()) {
        error = QStringLiteral("expected {\"exports\": [EXPORT ...]} and nothing beside it");
        return std::nullopt;
    }
    QList<SourcedValues> exports;
    const QJsonArray list = document.value(QStringLiteral("exports")).toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject each = list.at(i).toObject();
        QString problem;
        const std::optional<QList<ConfigValue>> values =
            list.at(i).isObject() ? ValuesFromJson(QJsonDocument(each).toJson(), problem)
                                  : (problem = QStringLiteral("expected an object"), std::nullopt);
        if (!values) {
            error = QStringLiteral("exports[%1]: %2").arg(i).arg(problem);
            return std::nullopt;
        }
        exports.append({each.value(QStringLiteral("source")).toString(), *values});
    }
    if (exports.isEmpty()) {
        error = QStringLiteral("\"exports\" holds no export");
        return std::nullopt;
    }
    return exports;
}

QStringList ValueWarnings(const QList<ConfigValue>& values) {
    QStringList warnings;
    for (const ConfigValue& value : values) {
        const SettingInfo* info = InfoOf(value.setting);
        if (!info)
            continue;
        const QString option = QLatin1String(info->option);
        switch (info->warning) {
        case SettingWarning::None:
            break;
        case SettingWarning::ZeroLeavesNone:
            if (value.text == QLatin1String("0.0.0.0"))
                warnings << QStringLiteral("--%1 0.0.0.0 leaves the device without a %2")
                                .arg(option, QLatin1String(info->label));
            break;
        case SettingWarning::NoDeviceAddress: {
            const QByteArray ip = IpAddressBytes(value.text).value_or(QByteArray(4, '\0'));
            const int first = quint8(ip.at(0));
            if (value.text == QLatin1String("0.0.0.0") ||
                value.text == QLatin1String("255.255.255.255"))
                warnings << QStringLiteral("--%1 %2 is no address a device can be reached at")
                                .arg(option, value.text);
            else if (first >= 224 && first <= 239)
                warnings << QStringLiteral("--%1 %2 is a multicast address, not one of a device")
                                .arg(option, value.text);
            break;
        }
        case SettingWarning::NoDeviceMac: {
            // The low bit of the first octet marks a group address.
            const int first = value.text.left(2).toInt(nullptr, 16);
            if ((first & 1) != 0)
                warnings << QStringLiteral("--%1 %2 is a %3 address, not one of a device")
                                .arg(option, value.text,
                                     value.text.compare(QLatin1String("FF-FF-FF-FF-FF-FF"),
                                                        Qt::CaseInsensitive) == 0
                                         ? QStringLiteral("broadcast")
                                         : QStringLiteral("multicast"));
            break;
        }
        }
    }
    return warnings;
}

QList<ConfigValue> MergeValues(const QList<ConfigValue>& base,
                               const QList<ConfigValue>& overrides) {
    QList<ConfigValue> merged;
    for (const SettingInfo& info : SettingRows()) {
        const auto pick = [&](const QList<ConfigValue>& list) -> const ConfigValue* {
            for (const ConfigValue& v : list)
                if (v.setting == info.setting)
                    return &v;
            return nullptr;
        };
        if (const ConfigValue* v = pick(overrides))
            merged.append(*v);
        else if (const ConfigValue* b = pick(base))
            merged.append(*b);
    }
    return merged;
}

QList<ConfigValue> DifferingValues(const QList<ConfigValue>& desired, const DeviceValues& model) {
    QList<ConfigValue> differing;
    for (const ConfigValue& value : desired) {
        const SettingInfo* info = InfoOf(value.setting);
        if (info && !SameValue(*info, value.text, model.Value(info->field)))
            differing.append(value);
    }
    return differing;
}

QStringList Mismatches(const QList<ConfigValue>& written, const DeviceValues& model) {
    QStringList problems;
    for (const ConfigValue& value : written) {
        const SettingInfo* info = InfoOf(value.setting);
        if (!info)
            continue;
        const QString read = model.Value(info->field);
        if (!SameValue(*info, value.text, read))
            problems << QStringLiteral("%1 reads back as \"%2\", written \"%3\"")
                            .arg(QLatin1String(info->label), read, value.text);
    }
    return problems;
}
