#pragma once
// Starting the desktop's own tools: the first of the usual programs found on
// PATH is started detached. When none starts, the caller tells the user what
// was looked for (toolNames).

#include <QString>
#include <QStringList>
#include <vector>

namespace ostrel {

struct ToolCandidate {
    QString program;
    QStringList arguments;
};

// Starts the first candidate found on PATH; returns whether one started.
bool startFirstAvailable(const std::vector<ToolCandidate>& candidates);

const std::vector<ToolCandidate>& calculatorCandidates();
const std::vector<ToolCandidate>& dateTimeSettingsCandidates();

// The programs of a list, as the user reads them: "a, b, c".
QString toolNames(const std::vector<ToolCandidate>& candidates);

bool startCalculator();
bool startDateTimeSettings();

}  // namespace ostrel
