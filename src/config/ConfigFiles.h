#pragma once

#include "Device.h"

#include <QObject>
#include <QString>

#include <functional>

namespace Ui {
class TChatForm;
}

// File > "Save configuration..." and "Load configuration...": a device's
// configuration kept as the command line's export document. Saving reads the
// device as "Read" does; loading fills the "Write Config" fields and ticks
// exactly the settings the file holds, so that "Write" sends them.
class ConfigFiles : public QObject {
    Q_OBJECT
public:
    // Asks the user for a file, starting at `start`; empty means cancelled.
    using FileDialog = std::function<QString(const QString& start, const QString& filter)>;
    using ErrorReporter = std::function<void(const QString& message)>;

    ConfigFiles(Device& device, Ui::TChatForm& ui, ErrorReporter reportError,
                QObject* parent = nullptr);

    void SaveConfigurationClick();
    void LoadConfigurationClick();

    // The real dialogs unless a test puts its own here; tests must never
    // block on a modal window.
    FileDialog saveFile;
    FileDialog openFile;

private:
    // True when `path` was written whole; else the file is as it was.
    bool save(const QString& path);
    bool load(const QString& path);
    // `pattern` with the file's name in the status bar, with its whole path
    // in the log.
    void showDone(const QString& pattern, const QString& path);
    // Why the file's configuration may be another device's (its source is
    // not this connection, or its MAC not the one read here); empty when it
    // is this device's.
    QString foreignSource(const QByteArray& bytes, const QList<ConfigValue>& values) const;

    Device& device_;
    Ui::TChatForm& ui_;
    ErrorReporter reportError_;
    // Where the next file dialog opens: the folder of the last file.
    QString folder_;
    // A save reads the device with nested waits; a second one must not start
    // inside it.
    bool saving_ = false;
};
