#include "platform/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <stdexcept>

namespace ostrel {
namespace {

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

// Exec quoting of the desktop entry format: the whole path in double quotes,
// with ", `, $ and \ escaped by a backslash.
QString quoteExec(const QString& path) {
    QString out = QStringLiteral("\"");
    for (QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    out += QLatin1Char('"');
    // In the key file format a backslash is itself escaped once more.
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return out;
}

// The program of an Exec value: its first argument, unquoted.
QString programOfExec(const QString& raw) {
    // The key file's own escapes first: \s \n \t \r \\.
    QString value;
    for (int i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 >= raw.size()) {
            value += c;
            continue;
        }
        const QChar n = raw[++i];
        if (n == QLatin1Char('s')) value += QLatin1Char(' ');
        else if (n == QLatin1Char('n')) value += QLatin1Char('\n');
        else if (n == QLatin1Char('t')) value += QLatin1Char('\t');
        else if (n == QLatin1Char('r')) value += QLatin1Char('\r');
        else if (n == QLatin1Char('\\')) value += QLatin1Char('\\');
        else value += QLatin1Char('\\'), value += n;
    }
    value = value.trimmed();
    if (!value.startsWith(QLatin1Char('"'))) {
        const int space = value.indexOf(QLatin1Char(' '));
        return space < 0 ? value : value.left(space);
    }
    QString prog;
    for (int i = 1; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('"')) break;
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            prog += value[++i];
        } else {
            prog += c;
        }
    }
    return prog;
}

}  // namespace

QString autostartEntryPath() { return configHome() + QStringLiteral("/autostart/ostrel-organizer.desktop"); }

QString autostartCommand() {
    QFile f(autostartEntryPath());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&f);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (inEntry && line.startsWith(QStringLiteral("Exec"))) {
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq < 0 || line.left(eq).trimmed() != QStringLiteral("Exec")) continue;
            return programOfExec(line.mid(eq + 1));
        }
    }
    return {};
}

bool autostartEnabledFor(const QString& exePath) {
    const QString cmd = autostartCommand();
    return !cmd.isEmpty() && cmd == exePath;
}

void setAutostart(const QString& exePath) {
    const QString path = autostartEntryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        throw std::runtime_error(("Cannot write " + path + ": " + f.errorString()).toStdString());
    QTextStream out(&f);
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=Ostrel Organizer\n"
        << "Exec=" << quoteExec(exePath) << "\n"
        << "Icon=org.ostrel.organizer\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    if (!f.commit()) throw std::runtime_error(("Cannot write " + path + ": " + f.errorString()).toStdString());
}

void removeAutostart() {
    QFile f(autostartEntryPath());
    if (f.exists() && !f.remove())
        throw std::runtime_error(("Cannot remove " + f.fileName() + ": " + f.errorString()).toStdString());
}

}  // namespace ostrel
