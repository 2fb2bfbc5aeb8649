#pragma once

// The main window under test: its own settings file in a temporary folder,
// errors collected instead of shown, and no start-up connection at all.

#include "Controls.h"
#include "TChatForm.h"

#include <QTemporaryDir>
// Every control class a test reaches by name; the window's header no longer
// brings them in with its generated form.
#include <QtTest>
#include <QtWidgets>

#include <memory>

// The message log's lines, as a user reads them.
inline QStringList MessageLogLines(TChatForm& window) {
    return Controls(window).get<QTextEdit>("Memo2")->toPlainText().split(QLatin1Char('\n'),
                                                                         Qt::SkipEmptyParts);
}

class WindowFixture {
public:
    static AppOptions TestOptions(const QString& settingsPath) {
        AppOptions options;
        options.settingsPath = settingsPath;
        options.startupHost = QStringLiteral("127.0.0.1");
        options.autoConnect = false;
        return options;
    }

protected:
    // For the test class's init() and cleanup() slots.
    void InitFixture() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        settingsPath_ = dir_->filePath(QStringLiteral("RK5720LAN_Config.ini"));
        errors_.clear();
    }

    void CleanupFixture() {
        window_.reset();
        dir_.reset();
    }

    void CreateWindow() {
        window_ = std::make_unique<TChatForm>(TestOptions(settingsPath_));
        window_->setErrorReporter([this](const QString& message) { errors_ << message; });
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString settingsPath_;
    std::unique_ptr<TChatForm> window_;
    QStringList errors_;
};
