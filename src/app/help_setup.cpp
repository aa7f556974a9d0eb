#include "app/help_setup.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "base/app_paths.h"
#include "help/help_window.h"
#include "ui/close_keys.h"
#include "ui/help_key.h"
#include "ui/help_link.h"
#include "ui/languages.h"

namespace ostrel {
namespace {
HelpWindow* g_help = nullptr;
HelpKeyFilter* g_helpKey = nullptr;
bool g_installed = false;

HelpWindow* prepared() {
    HelpWindow* help = helpWindow();
    if (!help) return nullptr;
    help->setProgramFolder(exeDir());
    help->setLanguage(CurrentLanguage());
    return help;
}
}  // namespace

HelpWindow* helpWindow() {
    // Made on first use: most sessions never open the manual.
    if (!g_help && g_installed) {
        g_help = new HelpWindow();
        g_help->setHelpFile(helpFilePath());
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        if (!cache.isEmpty()) g_help->setCollectionFolder(QDir(cache).filePath(QStringLiteral("help")));
        installCloseKeys(g_help);
        QObject::connect(g_help, &QObject::destroyed, [] { g_help = nullptr; });
        QObject::connect(&languageNotifier(), &LanguageNotifier::languageApplied, g_help,
                         [] { g_help->followLanguage(CurrentLanguage()); });
    }
    return g_help;
}

void installHelp() {
    g_installed = true;
    if (!g_helpKey && qApp) {
        g_helpKey = new HelpKeyFilter(qApp);
        qApp->installEventFilter(g_helpKey);
    }
    setHelpHandlers(
        [](int context) {
            if (HelpWindow* help = prepared()) help->showContext(context);
        },
        [] {
            if (HelpWindow* help = prepared()) help->showContents();
        });
}

void removeHelp() {
    setHelpHandlers({}, {});
    g_installed = false;
    delete g_helpKey;
    g_helpKey = nullptr;
    delete g_help;
    g_help = nullptr;
}

}  // namespace ostrel
