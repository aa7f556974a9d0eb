#pragma once
// A private folder for the program's files (settings, skin, dial picture)
// and for the autostart entry, for tests that create the clock window.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "base/app_paths.h"

namespace ostrel::testing {

// The dial picture the program ships.
inline const QString kShippedDial = QStringLiteral(OSTREL_SOURCE_DIR "/assets/Images/Analog_clock.jpg");

class ClockEnv {
public:
    explicit ClockEnv(bool withSkin = true) {
        setExeDirForTesting(dir.path());
        oldConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toLocal8Bit());
        if (withSkin) {
            QDir().mkpath(dir.path() + QStringLiteral("/skins"));
            QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/skins/ostrel.skn"), skinFilePath());
        }
    }
    ~ClockEnv() {
        setExeDirForTesting({});
        qputenv("XDG_CONFIG_HOME", oldConfig_);
    }
    ClockEnv(const ClockEnv&) = delete;
    ClockEnv& operator=(const ClockEnv&) = delete;

    void writeSettings(const QByteArray& text) const {
        QFile f(settingsFilePath());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }
    QByteArray readSettings() const {
        QFile f(settingsFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A small dial picture for the analog clock.
    void writeDial() const {
        QDir().mkpath(dir.path() + QStringLiteral("/Images"));
        QImage img(97, 97, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setBrush(Qt::darkGreen);
        p.drawEllipse(0, 0, 96, 96);
        p.end();
        img.save(analogDialPath(), "JPG");
    }

    QTemporaryDir dir;

private:
    QByteArray oldConfig_;
};

}  // namespace ostrel::testing
