#include "ConfigFiles.h"

#include "ConfigDocument.h"
#include "ConfigMode.h"
#include "Messages.h"
#include "ValueChecks.h"
#include "ui_TChatForm.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kFilter = QStringLiteral("Configuration (*.json);;All files (*)");

} // namespace

ConfigFiles::ConfigFiles(Device& device, Ui::TChatForm& ui, ErrorReporter reportError,
                         QObject* parent)
    : QObject(parent), device_(device), ui_(ui), reportError_(std::move(reportError)),
      folder_(QDir::homePath()) {
    saveFile = [this](const QString& start, const QString& filter) {
        return QFileDialog::getSaveFileName(ui_.PanelConfig->window(),
                                            QStringLiteral("Save configuration"), start, filter);
    };
    openFile = [this](const QString& start, const QString& filter) {
        return QFileDialog::getOpenFileName(ui_.PanelConfig->window(),
                                            QStringLiteral("Load configuration"), start, filter);
    };
}

void ConfigFiles::SaveConfigurationClick() {
    if (saving_)
        return;
    if (!device_.Connected()) {
        device_.log.ShowStatus(msg::ServerNotConnected);
        return;
    }
    // Asked first: a cancelled dialog asks the device nothing.
    QString name = QStringLiteral("rk5720-%1.json").arg(device_.Address());
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString path = saveFile(QDir(folder_).filePath(name), kFilter);
    if (path.isEmpty())
        return;
    folder_ = QFileInfo(path).absolutePath();
    saving_ = true;
    save(path);
    saving_ = false;
}

bool ConfigFiles::save(const QString& path) {
    const ConfigProcedures::ReadOutcome read = device_.config.ReadConfiguration();
    QString problem;
    if (read.result == ConfigProcedures::ReadResult::NotConnected)
        problem = msg::ServerNotConnected;
    else if (read.result == ConfigProcedures::ReadResult::NotAnswered)
        problem = QStringLiteral("the device did not answer");
    if (!problem.isEmpty() || !ReadBackConfig(read.values, problem)) {
        reportError_(QStringLiteral("Configuration not saved: %1").arg(problem));
        return false;
    }
    const QString source = QStringLiteral("%1:%2").arg(device_.Address()).arg(device_.Port());
    QString error;
    if (!SaveDocument(path, ExportDocument(read.values, source), error)) {
        reportError_(QStringLiteral("Configuration not saved: cannot write %1: %2")
                         .arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    showDone(QStringLiteral("Configuration saved to %1"), path);
    return true;
}

void ConfigFiles::LoadConfigurationClick() {
    const QString path = openFile(folder_, kFilter);
    if (path.isEmpty())
        return;
    folder_ = QFileInfo(path).absolutePath();
    load(path);
}

bool ConfigFiles::load(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportError_(QStringLiteral("Cannot read %1: %2").arg(shown, file.errorString()));
        return false;
    }
    const std::optional<QByteArray> bytes = ReadConfigFile(file);
    if (!bytes) {
        reportError_(
            QStringLiteral("%1 is larger than 1 MiB: not a saved configuration").arg(shown));
        return false;
    }
    QString error;
    const std::optional<QList<ConfigValue>> values = ValuesFromJson(*bytes, error);
    if (!values) {
        reportError_(QStringLiteral("%1 is not a saved configuration: %2").arg(shown, error));
        return false;
    }
    const QString foreign = foreignSource(*bytes, *values);
    // Every value passed its check: only now is anything changed.
    bool identityHeld = false;
    for (const ConfigMode::WriteRow& row : ConfigMode::WriteRows(ui_)) {
        const auto value = std::find_if(values->begin(), values->end(), [&](const ConfigValue& v) {
            return v.setting == row.setting;
        });
        const bool held = value != values->end();
        if (held && row.edit)
            row.edit->setText(value->text);
        else if (held)
            row.combo->setCurrentIndex(value->text.toInt());
        // Another device's address and MAC written here would give two
        // devices one identity: shown, but not ticked.
        const bool identity = FindSettingRow(row.setting)->uniqueAs != nullptr;
        identityHeld = identityHeld || (held && identity);
        // A box the file does not tick is cleared: "Write" sends the file's
        // configuration, not a mixture with what was ticked before.
        row.box->setChecked(held && (foreign.isEmpty() || !identity));
    }
    if (foreign.isEmpty() || !identityHeld) {
        showDone(QStringLiteral("Configuration loaded from %1"), path);
        return true;
    }
    // The status bar's panel holds some 45 characters: what matters first.
    device_.log.AddLogLine(QStringLiteral("Configuration loaded from ") + shown +
                           QStringLiteral("; IP address and MAC address left unticked: ") +
                           foreign);
    device_.log.SetAlarm(QStringLiteral("IP and MAC not ticked: ") + foreign);
    return true;
}

QString ConfigFiles::foreignSource(const QByteArray& bytes,
                                   const QList<ConfigValue>& values) const {
    const QString source =
        QJsonDocument::fromJson(bytes).object().value(QLatin1String("source")).toString();
    if (!device_.Connected())
        return source.isEmpty() ? QStringLiteral("not connected to a device")
                                : QStringLiteral("saved from %1, and not connected").arg(source);
    const QString here = QStringLiteral("%1:%2").arg(device_.Address()).arg(device_.Port());
    if (source.isEmpty())
        return QStringLiteral("the file does not say which device it was saved from");
    if (source != here)
        return QStringLiteral("saved from %1, not from %2").arg(source, here);
    // The same address may hold another device now: its MAC, when this
    // connection read it, tells.
    const QString read = device_.model.Values().Mac();
    const std::optional<QByteArray> known = MacAddressBytes(read);
    const std::optional<QString> saved = ValueWithRole(values, SettingRole::Identity);
    if (saved && known && MacAddressBytes(*saved) != known)
        return QStringLiteral("saved from a device with MAC address %1, not %2")
            .arg(saved->toUpper(), read);
    return QString();
}

void ConfigFiles::showDone(const QString& pattern, const QString& path) {
    // The status bar has room for a file name; the log keeps the whole path.
    device_.log.AddLogLine(pattern.arg(QDir::toNativeSeparators(path)));
    device_.log.SetStatus(StatusPanel::Message, pattern.arg(QFileInfo(path).fileName()));
}
