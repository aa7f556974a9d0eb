#include "tasks/quick_task.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "base/language_texts.h"
#include "core/time/clock_service.h"
#include "data/task_store.h"
#include "ui/guarded.h"
#include "ui/languages.h"
#include "ui/locale_format.h"

namespace ostrel {

namespace {

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString message(const char* key, const QString& arg) {
    return FormatMessageText(GetLangMessage(QLatin1String(key)), {arg});
}

QString issueText(const QuickAddIssue& issue) {
    const QString fragment = fromUtf8(issue.fragment);
    switch (issue.kind) {
        case QuickAddIssueKind::Unclear: return message("QuickTaskUnclear", fragment);
        case QuickAddIssueKind::InvalidDate: return message("QuickTaskInvalidDate", fragment);
        case QuickAddIssueKind::InvalidTime: return message("QuickTaskInvalidTime", fragment);
        case QuickAddIssueKind::Conflict: return message("QuickTaskConflict", fragment);
        case QuickAddIssueKind::Past: return message("QuickTaskPast", fragment);
        case QuickAddIssueKind::NoTitle: return GetLangMessage(QStringLiteral("QuickTaskNoTitle"));
        case QuickAddIssueKind::NoWhen: return GetLangMessage(QStringLiteral("QuickTaskNoWhen"));
    }
    return {};
}

}  // namespace

TfrmQuickTask::TfrmQuickTask(TaskStore& tasks, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      tasks_(tasks) {
    setObjectName(QStringLiteral("frmQuickTask"));
    setWindowTitle(QStringLiteral("Quick task"));
    setFixedSize(380, 178);
    setModal(false);

    lbLine = new QLabel(QStringLiteral("Task and when:"), this);
    lbLine->setObjectName(QStringLiteral("lbLine"));
    lbLine->setGeometry(10, 8, 360, 18);
    edLine = new QLineEdit(this);
    edLine->setObjectName(QStringLiteral("edLine"));
    edLine->setGeometry(10, 28, 360, 24);
    // Several lines: the title, when, the repeat and what was not understood,
    // wrapped in either language.
    lbUnderstood = new QLabel(this);
    lbUnderstood->setObjectName(QStringLiteral("lbUnderstood"));
    lbUnderstood->setGeometry(10, 58, 360, 80);
    lbUnderstood->setWordWrap(true);
    lbUnderstood->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbUnderstood->setTextFormat(Qt::PlainText);

    bbOK = new QPushButton(QStringLiteral("Save"), this);
    bbOK->setObjectName(QStringLiteral("bbOK"));
    bbOK->setGeometry(172, 144, 96, 26);
    bbOK->setDefault(true);
    bbCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    bbCancel->setGeometry(274, 144, 96, 26);

    connect(edLine, &QLineEdit::textChanged, this, &TfrmQuickTask::lineChanged);
    connect(bbOK, &QPushButton::clicked, this, guarded([this] { save(); }));
    connect(bbCancel, &QPushButton::clicked, this, &QWidget::hide);
    connect(&languageNotifier(), &LanguageNotifier::languageApplied, this, &TfrmQuickTask::lineChanged);
    lineChanged();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 3);
    }
}

QuickAddLanguage TfrmQuickTask::lineLanguage() {
    return CurrentLanguage() == QLatin1String("Russian") ? QuickAddLanguage::Russian : QuickAddLanguage::English;
}

QString TfrmQuickTask::describe(const QuickAddResult& r) {
    QStringList lines;
    if (!r.title.empty()) lines << message("QuickTaskTitle", fromUtf8(r.title));
    if (r.isTask()) {
        lines << message("QuickTaskDue", formatLongDateTime(r.due));
        if (r.timeAssumed) lines << message("QuickTaskTimeAssumed", formatShortTime(timePart(r.due)));
        if (r.repeatUnit != puNone)
            lines << message("QuickTaskRepeat", QString::number(r.repeatCount) + QLatin1Char(' ') +
                                                    unitInListForCount(r.repeatCount, r.repeatUnit));
    }
    for (const auto& issue : r.issues) lines << issueText(issue);
    return lines.join(QLatin1Char('\n'));
}

void TfrmQuickTask::lineChanged() {
    if (edLine->text().trimmed().isEmpty()) {
        lbUnderstood->setText(GetLangMessage(QStringLiteral("QuickTaskHint")));
        bbOK->setEnabled(false);
        return;
    }
    const QuickAddResult r = parseQuickAdd(edLine->text().toStdString(), clock().now(), lineLanguage());
    lbUnderstood->setText(describe(r));
    bbOK->setEnabled(r.isTask());
}

void TfrmQuickTask::OpenForNewTask() {
    edLine->clear();
    lineChanged();
    show();
    raise();
    activateWindow();
    edLine->setFocus();
}

bool TfrmQuickTask::save() {
    // Read again: the present has moved on since the last key.
    const QuickAddResult r = parseQuickAdd(edLine->text().toStdString(), clock().now(), lineLanguage());
    lbUnderstood->setText(describe(r));
    bbOK->setEnabled(r.isTask());
    if (!r.isTask()) return false;
    TaskRow row;
    row.FirstDT = r.due;
    row.ShowDT = r.due;
    row.Title = fromUtf8(r.title);
    row.PeriodInt = r.repeatCount;
    row.PeriodType = r.repeatUnit;
    // The task editor's default: a reminder not shown within an hour is
    // dropped.
    row.ElapseInt = 1;
    row.ElapseType = puHours;
    tasks_.insertTask(row);
    hide();
    return true;
}

void TfrmQuickTask::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace ostrel
