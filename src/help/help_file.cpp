#include "help/help_file.h"

#include <QDir>
#include <QFileInfo>

namespace ostrel {

bool isHelpFileName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return false;
    return name.mid(dot).compare(QLatin1String(".qch"), Qt::CaseInsensitive) == 0;
}

QString resolveHelpFile(const QString& name, const QString& programFolder) {
    if (name.isEmpty()) return name;
    if (name.contains(QLatin1Char('/'))) return name;
    return QDir(programFolder).filePath(name);
}

QString localizedHelpFile(const QString& file, const QString& language) {
    if (language.isEmpty() || language.compare(QLatin1String("English"), Qt::CaseInsensitive) == 0) return file;
    if (language.contains(QLatin1Char('/')) || language.contains(QLatin1Char('\\')) ||
        language.contains(QLatin1String(".."))) {
        return file;
    }
    const QFileInfo info(file);
    const QString translated = info.dir().filePath(language + QLatin1Char('/') + info.fileName());
    return QFileInfo(translated).isFile() ? translated : file;
}

QString helpIdentifier(int context) { return QStringLiteral("context-%1").arg(context); }

}  // namespace ostrel
