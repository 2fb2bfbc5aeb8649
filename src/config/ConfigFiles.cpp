#include "ConfigFiles.h"

#include "ConfigDocument.h"
#include "ConfigMode.h"
#include "Messages.h"
#include "ui_TChatForm.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

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
    if (!problem.isEmpty() || !ReadBackConfig(device_.model, problem)) {
        reportError_(QStringLiteral("Configuration not saved: %1").arg(problem));
        return false;
    }
    const QString source = QStringLiteral("%1:%2").arg(device_.Address()).arg(device_.Port());
    QString error;
    if (!SaveDocument(path, ExportDocument(device_.model, source), error)) {
        reportError_(QStringLiteral("Configuration not saved: cannot write %1: %2")
                         .arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    device_.log.ShowStatus(
        QStringLiteral("Configuration saved to %1").arg(QDir::toNativeSeparators(path)));
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
    // Every value passed its check: only now is anything changed.
    for (const ConfigMode::WriteRow& row : ConfigMode::WriteRows(ui_)) {
        const auto value = std::find_if(values->begin(), values->end(), [&](const ConfigValue& v) {
            return v.setting == row.setting;
        });
        const bool held = value != values->end();
        if (held && row.edit)
            row.edit->setText(value->text);
        else if (held)
            row.combo->setCurrentIndex(value->text.toInt());
        // A box the file does not tick is cleared: "Write" sends the file's
        // configuration, not a mixture with what was ticked before.
        row.box->setChecked(held);
    }
    device_.log.ShowStatus(QStringLiteral("Configuration loaded from %1").arg(shown));
    return true;
}
