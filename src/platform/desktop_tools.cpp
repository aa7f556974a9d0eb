#include "platform/desktop_tools.h"

#include <QProcess>
#include <QStandardPaths>

namespace ostrel {

bool startFirstAvailable(const std::vector<ToolCandidate>& candidates) {
    for (const ToolCandidate& c : candidates) {
        const QString path = QStandardPaths::findExecutable(c.program);
        if (path.isEmpty()) continue;
        if (QProcess::startDetached(path, c.arguments)) return true;
    }
    return false;
}

const std::vector<ToolCandidate>& calculatorCandidates() {
    static const std::vector<ToolCandidate> list = {
        {QStringLiteral("gnome-calculator"), {}}, {QStringLiteral("kcalc"), {}},
        {QStringLiteral("mate-calc"), {}},        {QStringLiteral("galculator"), {}},
        {QStringLiteral("qalculate-gtk"), {}},    {QStringLiteral("qalculate-qt"), {}},
        {QStringLiteral("speedcrunch"), {}},      {QStringLiteral("xcalc"), {}},
    };
    return list;
}

const std::vector<ToolCandidate>& dateTimeSettingsCandidates() {
    static const std::vector<ToolCandidate> list = {
        {QStringLiteral("gnome-control-center"), {QStringLiteral("datetime")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_clock")}},
        {QStringLiteral("kcmshell6"), {QStringLiteral("kcm_clock")}},
        {QStringLiteral("kcmshell5"), {QStringLiteral("clock")}},
        {QStringLiteral("cinnamon-settings"), {QStringLiteral("calendar")}},
        {QStringLiteral("mate-time-admin"), {}},
        {QStringLiteral("time-admin"), {}},
    };
    return list;
}

QString toolNames(const std::vector<ToolCandidate>& candidates) {
    QStringList names;
    for (const ToolCandidate& c : candidates) names << c.program;
    return names.join(QStringLiteral(", "));
}

bool startCalculator() { return startFirstAvailable(calculatorCandidates()); }
bool startDateTimeSettings() { return startFirstAvailable(dateTimeSettingsCandidates()); }

}  // namespace ostrel
