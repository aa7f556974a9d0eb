#pragma once
// Starting the desktop's own tools: the first of the usual programs found on
// PATH is started detached. Nothing is reported when none starts.

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

bool startCalculator();
bool startDateTimeSettings();

}  // namespace ostrel
