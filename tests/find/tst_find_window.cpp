// The search window: matches grouped by kind with their counts, the notes'
// paragraphs among them, Enter opening the current match through the
// command interface, and Ctrl+F from any window of ours.

#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "base/app_paths.h"
#include "core/data/sql/connection.h"
#include "data/search_store.h"
#include "find/find_window.h"
#include "fixture_db.h"
#include "ui/app_commands.h"
#include "ui/find_key.h"
#include "ui/languages.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;

class TestFindWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<sql::Connection> conn;
    std::unique_ptr<SearchStore> search;
    std::unique_ptr<TfrmFind> window;
    QList<QPair<AppItem, qint64>> opened;
    QStringList notes;

    // Each group's heading and its rows' first column.
    QStringList shownTree() {
        QStringList out;
        auto* tree = child<QTreeWidget>(*window, "tvFound");
        for (int g = 0; g < tree->topLevelItemCount(); ++g) {
            out << tree->topLevelItem(g)->text(0);
            for (int r = 0; r < tree->topLevelItem(g)->childCount(); ++r)
                out << QStringLiteral("  ") + tree->topLevelItem(g)->child(r)->text(0);
        }
        return out;
    }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel find");
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title) VALUES "
                                 "(0, 46000.5, 46000.5, 'Call Ann'), (0, 46001, 46001, 'Annual review'),"
                                 "(1, 46002.25, 46002.25, 'Planning'), (2, 45000, 46100, 'Годовщина');"
                                 "INSERT INTO AddressBook (FirstName, LastName) VALUES ('Анна', 'Петрова');");
        conn = std::make_unique<sql::Connection>((dir->path() / "Tamo.qdb").string());
        search = std::make_unique<SearchStore>(*conn);
        setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
        SetCurrentLanguage(QStringLiteral("English"));
        notes.clear();
        window = std::make_unique<TfrmFind>(*search, [this] { return notes; });
        TranslateForm(window.get());
        opened.clear();
        setItemHandler([this](AppItem item, std::int64_t id) { opened << qMakePair(item, qint64(id)); });
    }
    void cleanup() {
        setItemHandler({});
        setCommandHandler({});
        window.reset();
        search.reset();
        conn.reset();
        setExeDirForTesting({});
        dir.reset();
    }

    void matchesAreGroupedByKindWithTheNotes() {
        // The notes are read as the window shows.
        notes = QStringList{"Shopping", "Joanna's birthday", "Ask ANNA about the flat", "Анна звонила"};
        window->OpenFind();
        child<QLineEdit>(*window, "edFind")->setText(QStringLiteral("ann"));
        // Within a kind: the text's start, a word's start, inside a word.
        QCOMPARE(shownTree(), (QStringList{"Tasks (2)", "  Annual review", "  Call Ann", "Plans (1)", "  Planning",
                                           "Notes (2)", "  Ask ANNA about the flat", "  Joanna's birthday"}));
        child<QLineEdit>(*window, "edFind")->setText(QStringLiteral("АНН"));
        QCOMPARE(shownTree(), (QStringList{"Contacts (1)", "  Анна Петрова", "Notes (1)", "  Анна звонила"}));
        QVERIFY(!child<QLabel>(*window, "lbNothing")->isVisible());

        child<QLineEdit>(*window, "edFind")->setText(QStringLiteral("zzz"));
        QVERIFY(shownTree().isEmpty());
        QVERIFY(child<QLabel>(*window, "lbNothing")->isVisible());
        QCOMPARE(child<QLabel>(*window, "lbNothing")->text(), QStringLiteral("Nothing found for \"zzz\"."));

        SetCurrentLanguage(QStringLiteral("Russian"));
        emit languageNotifier().languageApplied();
        child<QLineEdit>(*window, "edFind")->setText(QStringLiteral("план"));
        QVERIFY(shownTree().isEmpty());
        child<QLineEdit>(*window, "edFind")->setText(QStringLiteral("годов"));
        QCOMPARE(shownTree(), (QStringList{"Праздники (1)", "  Годовщина"}));
        SetCurrentLanguage(QStringLiteral("English"));
    }

    // Enter in the line opens the first match; Down goes into the list,
    // where Enter opens the current one. A heading opens nothing.
    void enterOpensTheCurrentMatch() {
        window->OpenFind();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        auto* line = child<QLineEdit>(*window, "edFind");
        line->setText(QStringLiteral("ann"));
        QTest::keyClick(line, Qt::Key_Return);
        QCOMPARE(opened, (QList<QPair<AppItem, qint64>>{{AppItem::Task, 2}}));

        QTest::keyClick(line, Qt::Key_Down);
        auto* tree = child<QTreeWidget>(*window, "tvFound");
        QVERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Enter);
        QCOMPARE(opened.last(), qMakePair(AppItem::Task, qint64(1)));
        line->setText(QStringLiteral("петр"));
        QTest::keyClick(line, Qt::Key_Enter);
        QCOMPARE(opened.last(), qMakePair(AppItem::Contact, qint64(1)));

        tree->setCurrentItem(tree->topLevelItem(0));
        QVERIFY(!window->openCurrent());
        line->setText(QStringLiteral("planning"));
        QVERIFY(window->openCurrent());
        QCOMPARE(opened.last(), qMakePair(AppItem::Plan, qint64(3)));
    }

    void ctrlFAsksForTheSearchWindow() {
        QList<AppCommand> commands;
        setCommandHandler([&commands](AppCommand c) { commands << c; });
        QWidget other;
        auto* edit = new QLineEdit(&other);
        installFindKey(&other);
        installFindKey(&other);  // once is enough: no second shortcut
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(commands, QList<AppCommand>{AppCommand::Find});
    }
};

QTEST_MAIN(TestFindWindow)
#include "tst_find_window.moc"
