#include "ui/settings_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>

#include "base/app_paths.h"
#include "ui/dialog_service.h"
#include "ui/languages.h"

namespace ostrel {
namespace {
bool g_failed = false;
}

IniFile settingsFile() { return IniFile(QFile::encodeName(settingsFilePath()).toStdString()); }

bool withSettingsFile(const std::function<void(IniFile&)>& operation) {
    IniFile ini = settingsFile();
    try {
        ini.beginBatch();
        operation(ini);
        ini.commitBatch();
        return true;
    } catch (const IniError& e) {
        reportSettingsFileFailure(QString::fromLocal8Bit(e.what()));
        return false;
    }
}

void removeSettingsLeftovers() {
    IniFile::removeLeftoverTemporaries(QFile::encodeName(settingsFilePath()).toStdString());
}

void reportSettingsFileFailure(const QString& reason) {
    if (g_failed) return;
    g_failed = true;
    QString text = FormatMessageText(GetLangMessage(QStringLiteral("ErrorOnLoad")), {QStringLiteral("config")});
    if (!reason.isEmpty()) text += QStringLiteral("\n\n") + reason;
    showMessage(text, QStringLiteral("Ostrel Organizer"), MsgIcon::Warning, MsgOk);
    if (QCoreApplication* app = QCoreApplication::instance()) {
        // Queued: QCoreApplication::exit() before exec() would be forgotten.
        QMetaObject::invokeMethod(
            app, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    }
}

bool settingsFileFailed() { return g_failed; }
void resetSettingsFileFailureForTesting() { g_failed = false; }

}  // namespace ostrel
