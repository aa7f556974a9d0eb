// Every window of the program, in every shipped language, at the default
// font and one size larger: no label, button, radio button or check box is
// narrower than its text. Every registered application window is opened
// (so a new window is covered as soon as the application registers it),
// plus the windows the application opens on demand (the settings dialog
// and a reminder window).

#include <QtTest>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "app/forms.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "data/data_module.h"
#include "fixture_db.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "tasks/reminder_window.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/application_forms.h"
#include "ui/languages.h"

using namespace ostrel;

namespace {

// The width a control's text needs beside its decoration.
QStringList overflows(QWidget* window) {
    QStringList out;
    const QString where = window->objectName() + QLatin1Char('.');
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(window) || l->text().isEmpty() || l->pixmap().cacheKey() != 0) continue;
        if (l->wordWrap()) {
            // A wrapped text must fit in the label's height.
            if (l->heightForWidth(l->width()) > l->height())
                out << QStringLiteral("%1%2 \"%3\" needs %4 rows of height, has %5")
                           .arg(where, l->objectName(), l->text())
                           .arg(l->heightForWidth(l->width()))
                           .arg(l->height());
            continue;
        }
        if (l->textFormat() == Qt::RichText || Qt::mightBeRichText(l->text())) continue;
        // Labels that fit their text on purpose (a smaller font, an
        // ellipsis) hold a tooltip with the whole text.
        if (!l->toolTip().isEmpty() && l->toolTip() != l->text()) continue;
        int need = 0;
        for (const QString& line : l->text().split(QLatin1Char('\n')))
            need = std::max(need, l->fontMetrics().horizontalAdvance(QString(line).remove(QLatin1Char('&'))));
        if (need > l->contentsRect().width())
            out << QStringLiteral("%1%2 \"%3\" needs %4, has %5")
                       .arg(where, l->objectName(), l->text())
                       .arg(need)
                       .arg(l->contentsRect().width());
    }
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || b->text().isEmpty() || qobject_cast<QToolButton*>(b)) continue;
        const int need = b->sizeHint().width();
        // Push buttons keep a little room of their own around the text.
        const int slack = qobject_cast<QPushButton*>(b) ? 8 : 0;
        if (need - slack > b->width())
            out << QStringLiteral("%1%2 \"%3\" needs %4, has %5")
                       .arg(where, b->objectName(), b->text())
                       .arg(need - slack)
                       .arg(b->width());
    }
    return out;
}

}  // namespace

class TestTextFit : public QObject {
    Q_OBJECT
    std::unique_ptr<ostrel::testing::TempDir> dir;

private slots:
    void initTestCase() {
        // The program's folder: the database and the shipped language files.
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel fit");
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        const QString folder = QString::fromStdString(dir->path().string());
        QDir().mkpath(folder + QStringLiteral("/Languages"));
        for (const char* language : {"English", "Russian"})
            QVERIFY(QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/%1.lng").arg(QLatin1String(language)),
                                folder + QStringLiteral("/Languages/%1.lng").arg(QLatin1String(language))));
        QDir().mkpath(folder + QStringLiteral("/skins"));
        QVERIFY(QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/skins/ostrel.skn"),
                            folder + QStringLiteral("/skins/ostrel.skn")));
        setExeDirForTesting(folder);
    }
    void cleanupTestCase() {
        setExeDirForTesting(QString());
        dir.reset();
    }

    void everyWindowFitsEveryLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("larger");
        for (const char* language : {"English", "Russian"}) {
            QTest::newRow((QByteArray(language) + ", default font").constData()) << QString::fromLatin1(language) << 0;
            QTest::newRow((QByteArray(language) + ", one size larger").constData())
                << QString::fromLatin1(language) << 1;
        }
    }
    void everyWindowFitsEveryLanguage() {
        QFETCH(QString, language);
        QFETCH(int, larger);
        const QFont before = QApplication::font();
        QFont font = before;
        font.setPointSizeF(font.pointSizeF() + larger);
        QApplication::setFont(font);
        SetCurrentLanguage(language);

        ostrel::testing::RecordingDialogs dialogs;
        createForms();
        TTaskParams params{1, QStringLiteral("Title"), QStringLiteral("Comment"), 45000.5};
        QPointer<TfrmToDo> reminder = ShowReminder(params, QStringLiteral("x"));

        QStringList problems;
        std::vector<QWidget*> windows = applicationForms();
        windows.push_back(frmSettings);
        windows.push_back(reminder);
        for (QWidget* w : windows) {
            if (!w || w->objectName() == QLatin1String("frmClock")) continue;
            TranslateForm(w);
            // Laid out as the user sees it.
            const bool shown = w->isVisible();
            w->show();
            problems += overflows(w);
            if (!shown) w->hide();
        }

        delete reminder.data();
        destroyForms();
        SetCurrentLanguage(QStringLiteral("English"));
        QApplication::setFont(before);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestTextFit)
#include "tst_text_fit.moc"
