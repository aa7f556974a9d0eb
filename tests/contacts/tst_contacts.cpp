// The address book, the contact viewer and the contact editor through the
// real windows, on a fixture database with a fake clock.

#include <QHeaderView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include <functional>
#include <map>

#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <filesystem>

#include "app/forms.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "clock/clock_window.h"
#include "clock_env.h"
#include "contacts/address_book.h"
#include "contacts/contact_photo.h"
#include "contacts/person_editor.h"
#include "contacts/person_viewer.h"
#include "core/data/sql/query.h"
#include "data/contact_store.h"
#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "recording_dialogs.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;

namespace {

// 2026-12-10 10:00:00.
const double kNow = encodeDateTime({{2026, 12, 10}, {10, 0, 0, 0}});

// One stored contact, read back for comparison.
struct Stored {
    std::map<std::string, sql::Value> columns;
    bool isNull(const std::string& c) const { return sql::isNull(columns.at(c)); }
    std::string text(const std::string& c) const { return sql::toText(columns.at(c)); }
    std::int64_t integer(const std::string& c) const { return sql::toInteger(columns.at(c)); }
    double number(const std::string& c) const { return sql::toDouble(columns.at(c)); }
};

// A user's double click: a click, then the second press that the system
// reports as a double click.
void doubleClick(QWidget* w, QPoint at) {
    QTest::mouseClick(w, Qt::LeftButton, {}, at);
    QTest::mouseDClick(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
}

QStringList cells(const QTableWidget* grid, int column) {
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r) out << TfrmViewPerson::cellText(grid, r, column);
    return out;
}

}  // namespace

class TestContacts : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScopedFakeClock> clock;
    std::unique_ptr<RecordingDialogs> dialogs;
    TDataModule1* dm = nullptr;
    TfrmViewPerson* viewer = nullptr;
    TfrmPersonEdit* editor = nullptr;
    TfrmAddressBook* book = nullptr;

    std::filesystem::path db() const { return std::filesystem::path(dir->path().toStdString()) / "Tamo.qdb"; }
    void sql(const std::string& statement) { ostrel::testing::execSql(db(), statement); }

    // Adds a contact; extra holds further "Column, value" pairs as SQL.
    void add(const QString& first, const QString& last, int group = 4, const std::string& extraColumns = {},
             const std::string& extraValues = {}) {
        auto quote = [](const QString& s) {
            QString q = s;
            q.replace(QLatin1Char('\''), QLatin1String("''"));
            return "'" + q.toStdString() + "'";
        };
        sql("INSERT INTO AddressBook (FirstName, LastName, [Group]" + extraColumns + ") VALUES (" + quote(first) +
            ", " + quote(last) + ", " + std::to_string(group) + extraValues + ")");
    }
    // Contacts "Name 01" .. "Name nn", listed in that order.
    void addNumbered(int count) {
        for (int i = 1; i <= count; ++i) add(QStringLiteral("Name %1").arg(i, 2, 10, QLatin1Char('0')), QString(" "));
    }
    std::vector<Stored> stored() {
        sql::Query q(dm->connTAMO);
        q.add("SELECT * FROM AddressBook ORDER BY ABID");
        q.open();
        std::vector<Stored> out;
        for (; !q.eof(); q.next()) {
            Stored s;
            for (const std::string& c : q.columnNames()) s.columns[c] = q.value(c);
            out.push_back(s);
        }
        return out;
    }
    QStringList listed() const {
        QStringList out;
        for (int r = 0; r < child<ContactListModel>(*book, "dsContactList")->rowCount(); ++r)
            out << child<ContactListModel>(*book, "dsContactList")->nameAt(r);
        return out;
    }
    void showBook() {
        book->show();
        QVERIFY(book->qrContactList());
    }
    // Runs a command that opens the editor modally; fn acts while it is
    // shown. The editor must be closed when the command returns.
    void withEditor(const std::function<void()>& command, const std::function<void()>& fn) {
        bool ran = false;
        QTimer::singleShot(0, editor, [&] {
            ran = true;
            if (!editor->isVisible()) return;
            fn();
            if (editor->isVisible()) {
                editor->AllowClose = true;
                editor->done(QDialog::Rejected);
                QFAIL("the editor stayed open");
            }
        });
        command();
        QVERIFY(ran);
        QVERIFY(!editor->isVisible());
    }
    void addWith(const std::function<void()>& fill) {
        withEditor([this] { book->tbAddClick(); },
                   [&] {
                       fill();
                       editor->bbOkClick();
                   });
    }
    void editRow(int row, const std::function<void()>& change) {
        book->setCurrentRow(row);
        withEditor([this] { book->tbEditClick(); },
                   [&] {
                       change();
                       editor->bbOkClick();
                   });
    }
    QString writePicture(const QString& name, const char* format, QSize size = {40, 60}) {
        QImage img(size, QImage::Format_RGB32);
        img.fill(Qt::darkGreen);
        const QString path = dir->path() + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!img.save(path, format)) return {};
        return path;
    }
    QString writeBytes(const QString& name, const QByteArray& bytes) {
        const QString path = dir->path() + QLatin1Char('/') + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/ostrel contacts-XXXXXX"));
        setExeDirForTesting(dir->path());
        ostrel::testing::createOrganizerDatabase(db());
        clock = std::make_unique<ScopedFakeClock>(kNow);
        dialogs = std::make_unique<RecordingDialogs>();
        dm = new TDataModule1(QString::fromStdString(db().string()));
        viewer = new TfrmViewPerson(dm->contacts());
        editor = new TfrmPersonEdit(dm->contacts());
        book = new TfrmAddressBook(dm->contacts(), viewer, editor);
    }
    void cleanup() {
        delete book;
        delete editor;
        delete viewer;
        delete dm;
        dialogs.reset();
        clock.reset();
        setExeDirForTesting({});
        dir.reset();
    }

    // ---------------------------------------------------------------- list

    void windowsHaveTheirSizesAndHelpTopic() {
        QCOMPARE(book->size(), QSize(216, 386));
        QCOMPARE(viewer->size(), QSize(293, 387));
        QCOMPARE(editor->size(), QSize(312, 483));
        for (QWidget* w : {static_cast<QWidget*>(book), static_cast<QWidget*>(viewer), static_cast<QWidget*>(editor)})
            QCOMPARE(w->property("helpContext").toInt(), 7);
        QVERIFY(editor->isModal());
        QVERIFY(!viewer->isModal() && !book->isModal());
        QCOMPARE(child<QWidget>(*book, "ToolBar1")->height(), 29);
        QCOMPARE(child<QWidget>(*book, "plBottom")->height(), 33);
    }

    void onlyGroupsOneToFourAreListedAsTheTogglesSay() {
        add("Zero", "Group", 0);
        add("Five", "Group", 5);
        add("Anna", "Family", 1);
        add("Boris", "Job", 2);
        add("Clara", "Friend", 3);
        add("Dmitri", "Nobody", 4);
        showBook();
        QCOMPARE(listed(), (QStringList{"Anna  Family", "Boris  Job", "Clara  Friend", "Dmitri  Nobody"}));
        QCOMPARE(child<QTableView>(*book, "dgContactList")->columnWidth(0), 194);

        struct Case {
            bool family, job, friends, notAssigned;
            QStringList names;
            int width;
        };
        const Case cases[] = {
            {false, false, false, false, {}, 210},
            {true, false, false, false, {"Anna  Family"}, 210},
            {false, true, false, true, {"Boris  Job", "Dmitri  Nobody"}, 194},
            {false, false, true, false, {"Clara  Friend"}, 210},
            {true, true, true, true, {"Anna  Family", "Boris  Job", "Clara  Friend", "Dmitri  Nobody"}, 194},
        };
        for (const Case& c : cases) {
            child<QToolButton>(*book, "tbFamily")->setChecked(c.family);
            child<QToolButton>(*book, "tbJob")->setChecked(c.job);
            child<QToolButton>(*book, "tbFrends")->setChecked(c.friends);
            child<QToolButton>(*book, "tbNotAssigned")->setChecked(c.notAssigned);
            QCOMPARE(listed(), c.names);
            QCOMPARE(child<QTableView>(*book, "dgContactList")->columnWidth(0), c.width);
        }
        // Clicking a toggle releases it on its own.
        QTest::mouseClick(child<QToolButton>(*book, "tbJob"), Qt::LeftButton);
        QVERIFY(!child<QToolButton>(*book, "tbJob")->isChecked() && child<QToolButton>(*book, "tbFamily")->isChecked());
        QCOMPARE(listed(), (QStringList{"Anna  Family", "Clara  Friend", "Dmitri  Nobody"}));
    }

    void namesAreTrimmedAndEqualNamesBothListed() {
        add(" ", "Lastonly");
        add("Firstonly", " ");
        add("Same", "Name");
        add("Same", "Name");
        showBook();
        QCOMPARE(listed(), (QStringList{"Firstonly", "Lastonly", "Same  Name", "Same  Name"}));
        QVERIFY(child<ContactListModel>(*book, "dsContactList")->idAt(2) !=
                child<ContactListModel>(*book, "dsContactList")->idAt(3));
        QCOMPARE(book->currentRow(), 1);
        book->hide();
        QVERIFY(!book->qrContactList());  // the cursor is closed while hidden
    }

    void theRowAfterEditingIsKeptExceptTheLast() {
        addNumbered(10);
        showBook();
        editRow(3, [this] { child<QLineEdit>(*editor, "edHomePhone")->setText("123"); });
        QCOMPARE(book->currentRow(), 3);
        QCOMPARE(stored().at(2).text("HomePhone"), std::string("123"));
        editRow(10, [this] { child<QLineEdit>(*editor, "edHomePhone")->setText("456"); });
        QCOMPARE(book->currentRow(), 1);
        QCOMPARE(stored().at(9).text("HomePhone"), std::string("456"));
    }

    void deletingKeepsTheRowThatMovesUp() {
        addNumbered(10);
        showBook();
        book->setCurrentRow(4);
        dialogs->answers = {MsgCancel};
        book->tbDeleteClick();
        QCOMPARE(dialogs->texts(), QStringList{"WantDelete"});
        QCOMPARE(dialogs->messages[0].icon, MsgIcon::Question);
        QCOMPARE(dialogs->messages[0].buttons, unsigned(MsgOk | MsgCancel));
        QCOMPARE(stored().size(), std::size_t{10});

        book->tbDeleteClick();  // OK
        QCOMPARE(stored().size(), std::size_t{9});
        QCOMPARE(book->currentRow(), 4);
        QCOMPARE(book->currentContactName(), QStringLiteral("Name 05"));
        QVERIFY(!listed().contains("Name 04"));

        book->setCurrentRow(9);
        book->tbDeleteClick();
        QCOMPARE(listed().size(), 8);
        QVERIFY(!listed().contains("Name 10"));
        QCOMPARE(book->currentRow(), 1);
    }

    void searchMovesToTheFirstNameWithThePrefix() {
        add("Boris", "Ivanov");
        add("Anna", "Petrova");
        add("Борис", "Сидоров");
        add("Bob", "Smith");
        showBook();
        QCOMPARE(listed(), (QStringList{"Anna  Petrova", "Bob  Smith", "Boris  Ivanov", "Борис  Сидоров"}));
        struct Step {
            QString typed;
            int row;
        };
        const Step steps[] = {
            {"b", 2},                 // first match wins, case ignored
            {"bor", 3}, {"borx", 3},  // no match: the row stays
            {"", 1},                  // the empty prefix matches the first name
            {"zz", 1},  {"бор", 4},   // Cyrillic, case ignored
        };
        for (const Step& s : steps) {
            QTest::keyClick(child<QLineEdit>(*book, "edSearch"), Qt::Key_A, Qt::ControlModifier);
            if (s.typed.isEmpty()) QTest::keyClick(child<QLineEdit>(*book, "edSearch"), Qt::Key_Backspace);
            else if (s.typed.at(0).unicode() < 128) QTest::keyClicks(child<QLineEdit>(*book, "edSearch"), s.typed);
            else child<QLineEdit>(*book, "edSearch")->insert(s.typed);
            QCOMPARE(child<QLineEdit>(*book, "edSearch")->text(), s.typed);
            QCOMPARE(book->currentRow(), s.row);
        }
    }

    void viewEditDeleteOnAnEmptyListDoNothing() {
        showBook();
        book->tbViewClick();
        QVERIFY(!viewer->isVisible());
        book->tbEditClick();
        QVERIFY(!editor->isVisible());
        book->tbDeleteClick();
        QVERIFY(dialogs->messages.empty());
        // Releasing the toggles empties a list that has contacts.
        add("Anna", "Family", 1);
        book->RefreshContactList();
        child<QToolButton>(*book, "tbFamily")->setChecked(false);
        QCOMPARE(child<ContactListModel>(*book, "dsContactList")->rowCount(), 0);
        book->tbDeleteClick();
        QVERIFY(dialogs->messages.empty());
        QCOMPARE(stored().size(), std::size_t{1});
    }

    void doubleClickViewsIncludingTheTitleRow() {
        addNumbered(3);
        showBook();
        QVERIFY(QTest::qWaitForWindowExposed(book));
        QWidget* vp = child<QTableView>(*book, "dgContactList")->viewport();
        const QRect second = child<QTableView>(*book, "dgContactList")
                                 ->visualRect(child<ContactListModel>(*book, "dsContactList")->index(1, 0));
        doubleClick(vp, second.center());
        QTRY_VERIFY(viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), QStringLiteral("View contact - Name 02"));
        QCOMPARE(viewer->Tag, child<ContactListModel>(*book, "dsContactList")->idAt(1));
        QCOMPARE(viewer->pos(), QPoint(0, 0));
        viewer->hide();

        // Below the last row: nothing.
        doubleClick(vp, QPoint(20, vp->height() - 5));
        QVERIFY(!viewer->isVisible());

        // The title row views the current contact.
        book->setCurrentRow(3);
        QHeaderView* header = child<QTableView>(*book, "dgContactList")->horizontalHeader();
        doubleClick(header->viewport(), QPoint(20, header->height() / 2));
        QTRY_VERIFY(viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), QStringLiteral("View contact - Name 03"));
    }

    void editOfAContactGoneMeanwhileShowsNothing() {
        add("Anna", "Family", 1);
        showBook();
        sql("DELETE FROM AddressBook");
        bool shown = false;
        QTimer::singleShot(0, editor, [&] {
            shown = editor->isVisible();
            if (shown) editor->reject();
        });
        book->tbEditClick();
        QCoreApplication::processEvents();
        QVERIFY(!shown);
        QCOMPARE(listed(), QStringList{"Anna  Family"});  // not refreshed
    }

    // ---------------------------------------------------------------- editor

    void addStoresBlanksForAMissingNameAndTextsAsTyped() {
        showBook();
        addWith([this] {
            QCOMPARE(editor->windowTitle(), QStringLiteral("NewAddress"));
            QCOMPARE(editor->Tag, std::int64_t{0});
            child<QLineEdit>(*editor, "edLastName")->setText("Lastonly");
        });
        addWith([this] { child<QLineEdit>(*editor, "edFirstName")->setText("   "); });
        const auto rows = stored();
        QCOMPARE(rows.size(), std::size_t{2});
        QCOMPARE(rows[0].text("FirstName"), std::string(" "));
        QCOMPARE(rows[0].text("LastName"), std::string("Lastonly"));
        QCOMPARE(rows[0].integer("Group"), std::int64_t{4});
        QVERIFY(rows[0].isNull("Photo") && rows[0].isNull("Birthday") && rows[0].isNull("Comment"));
        QCOMPARE(rows[1].text("FirstName"), std::string("   "));
        QCOMPARE(rows[1].text("LastName"), std::string(" "));
        QVERIFY(listed().contains("Lastonly"));

        // The viewer skips the blank name.
        book->setCurrentRow(listed().indexOf("") + 1);
        book->tbViewClick();
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfo"), 0), QStringList(6, QString()));
        QVERIFY(dialogs->messages.empty());
    }

    // Texts longer than their boxes open at their first letters; the comment
    // wraps at words and has a vertical scroll bar only when it needs one.
    void longFieldsOpenAtTheirStartAndTheCommentWraps() {
        const std::string longText = "'Beginning of a text far longer than its box, " + std::string(80, 'x') + " end'";
        add("Anna", "Long", 1, ", Address, Mail, Web_site, Comment",
            ", " + longText + ", " + longText + ", " + longText + ", 'A short comment'");
        add("Boris", "Long", 1, ", Comment",
            ", '" + std::string(60, 'w') + " words that go on and on " + std::string(600, 'z') + "'");
        showBook();
        for (int row : {1, 2}) {
            book->setCurrentRow(row);
            withEditor([this] { book->tbEditClick(); },
                       [&] {
                           for (const char* name : {"edFirstName", "edAddress", "edMail", "edWebSite"}) {
                               auto* edit = child<QLineEdit>(*editor, name);
                               QVERIFY2(edit->cursorPosition() == 0, name);
                               QVERIFY2(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 8,
                                        name);  // scrolled to its start
                           }
                           auto* comment = child<QPlainTextEdit>(*editor, "memComment");
                           const bool longComment = comment->toPlainText().size() > 100;
                           QTRY_COMPARE(comment->verticalScrollBar()->isVisible(), longComment);
                           QVERIFY(!comment->horizontalScrollBar()->isVisible());
                           editor->bbCancelClick();
                       });
        }
    }

    void bothNamesEmptyIsRefused() {
        showBook();
        withEditor([this] { book->tbAddClick(); },
                   [this] {
                       child<QLineEdit>(*editor, "edHomePhone")->setText("1");
                       QVERIFY(!editor->bbOkClick());
                       QVERIFY(editor->isVisible());
                       QVERIFY(!editor->AllowClose);
                       editor->close();  // refused as well
                       QVERIFY(editor->isVisible());
                       QCOMPARE(dialogs->texts(), QStringList{"InputLastNameOrFirstName"});
                       QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Address book"));
                       QCOMPARE(dialogs->messages[0].icon, MsgIcon::Information);
                       editor->bbCancelClick();
                   });
        QVERIFY(stored().empty());
    }

    void everySaveBindsEveryParameterAfresh() {
        showBook();
        addWith([this] {
            child<QLineEdit>(*editor, "edFirstName")->setText("With");
            child<QLineEdit>(*editor, "edHomePhone")->setText(" 1 ");
            child<QLineEdit>(*editor, "edJobPhone")->setText("2");
            child<QLineEdit>(*editor, "edMobilePhone")->setText("3");
            child<QLineEdit>(*editor, "edAddress")->setText("Street");
            child<QLineEdit>(*editor, "edMail")->setText("a@b");
            child<QLineEdit>(*editor, "edICQ")->setText("123");
            child<QLineEdit>(*editor, "edWebSite")->setText("w.org");
            child<QPlainTextEdit>(*editor, "memComment")->setPlainText("line 1\nline 2");
            child<QComboBox>(*editor, "cbGroup")->setCurrentIndex(2);
            child<QDateEdit>(*editor, "dtpBithday")->setDate(QDate(1981, 3, 15));
            // The birthday's calendar, made when the editor is first shown,
            // is large enough to read.
            QCOMPARE(child<QDateEdit>(*editor, "dtpBithday")->calendarWidget()->minimumSize(), QSize(200, 150));
        });
        addWith([this] { child<QLineEdit>(*editor, "edFirstName")->setText("Without"); });
        const auto rows = stored();
        QCOMPARE(rows.size(), std::size_t{2});
        QCOMPARE(rows[0].text("HomePhone"), std::string(" 1 "));  // not trimmed
        QCOMPARE(rows[0].text("Web_site"), std::string("w.org"));
        QCOMPARE(rows[0].text("Comment"), std::string("line 1\nline 2"));
        QCOMPARE(rows[0].integer("Group"), std::int64_t{2});
        QCOMPARE(rows[0].number("Birthday"), encodeDate(1981, 3, 15));
        for (const char* c : {"HomePhone", "JobPhone", "MobilePhone", "Address", "Mail", "ICQ", "Web_site", "Comment",
                              "Birthday", "Photo"})
            QVERIFY2(rows[1].isNull(c), c);
        QCOMPARE(rows[1].integer("Group"), std::int64_t{4});
    }

    void okWithoutChangesStoresNothing() {
        add("Anna", "Family", 1, ", HomePhone, Comment, Birthday", ", '5', 'x', 29660");
        showBook();
        const auto before = stored();
        QSignalSpy writes(&dm->contacts(), &ContactStore::changed);
        editRow(1, [this] {
            QCOMPARE(editor->windowTitle(), QStringLiteral("AddressBook - Anna  Family"));
            QVERIFY(!editor->Modified);
        });
        QCOMPARE(writes.count(), 0);
        QVERIFY(stored().at(0).columns == before.at(0).columns);
    }

    void aBirthdayOfTodayIsStoredAsNone() {
        add("Anna", "Family", 1, ", Birthday", ", " + std::to_string(encodeDate(1981, 3, 15)));
        showBook();
        editRow(1, [this] {
            QCOMPARE(child<QDateEdit>(*editor, "dtpBithday")->date(), QDate(1981, 3, 15));
            child<QDateEdit>(*editor, "dtpBithday")->setDate(QDate(2026, 12, 10));
            child<QLineEdit>(*editor, "edMail")->setText("a@b");
        });
        QVERIFY(stored().at(0).isNull("Birthday"));
        editRow(1, [this] {
            QCOMPARE(child<QDateEdit>(*editor, "dtpBithday")->date(), QDate(2026, 12, 10));  // shown as today
            editor->bbCancelClick();
        });
    }

    void changingOnlyTheBirthdaySavesIt() {
        add("Anna", "Family", 1);
        showBook();
        editRow(1, [this] { child<QDateEdit>(*editor, "dtpBithday")->setDate(QDate(1990, 7, 1)); });
        QCOMPARE(stored().at(0).number("Birthday"), encodeDate(1990, 7, 1));
    }

    void groupsRoundTrip() {
        add("Four", "G", 4);
        add("Two", "G", 2);
        add("Nine", "G", 9);
        showBook();
        child<QToolButton>(*book, "tbNotAssigned")->setChecked(false);
        child<QToolButton>(*book, "tbNotAssigned")->setChecked(true);
        QCOMPARE(listed(), (QStringList{"Four  G", "Two  G"}));
        struct Case {
            int row;
            int item;
            QString text;
        };
        for (const Case& c : {Case{1, 0, "Not assigned"}, Case{2, 2, "Job"}}) {
            editRow(c.row, [&] {
                QCOMPARE(child<QComboBox>(*editor, "cbGroup")->currentIndex(), c.item);
                QCOMPARE(child<QComboBox>(*editor, "cbGroup")->currentText(), c.text);
                QVERIFY(!child<QComboBox>(*editor, "cbGroup")->itemIcon(c.item).isNull());
                child<QLineEdit>(*editor, "edICQ")->setText("1");
            });
        }
        auto rows = stored();
        QCOMPARE(rows[0].integer("Group"), std::int64_t{4});
        QCOMPARE(rows[1].integer("Group"), std::int64_t{2});
        // A code outside 1 to 4 shows as "Not assigned" and is saved as 4.
        withEditor(
            [this, id = rows[2].integer("ABID")] {
                editor->Tag = id;
                QVERIFY(editor->LoadContact(id));
                editor->exec();
            },
            [this] {
                QCOMPARE(child<QComboBox>(*editor, "cbGroup")->currentIndex(), 0);
                child<QLineEdit>(*editor, "edICQ")->setText("2");
                editor->bbOkClick();
            });
        QCOMPARE(stored().at(2).integer("Group"), std::int64_t{4});
    }

    void aFailedSaveKeepsTheEditorOpenWithTheFixedText() {
        add("Anna", "Family", 1);
        sql("CREATE TRIGGER no_insert BEFORE INSERT ON AddressBook BEGIN SELECT RAISE(ABORT, 'full'); END;"
            "CREATE TRIGGER no_update BEFORE UPDATE ON AddressBook BEGIN SELECT RAISE(ABORT, 'full'); END;");
        showBook();
        for (bool adding : {true, false}) {
            dialogs->messages.clear();
            withEditor([&] { adding ? book->tbAddClick() : book->tbEditClick(); },
                       [this] {
                           child<QLineEdit>(*editor, "edFirstName")->setText("Changed");
                           QVERIFY(!editor->bbOkClick());
                           QVERIFY(editor->isVisible());
                           QCOMPARE(child<QLineEdit>(*editor, "edFirstName")->text(), QStringLiteral("Changed"));
                           editor->bbCancelClick();
                       });
            QCOMPARE(dialogs->texts(), QStringList{adding ? "Error on add contact. Check all fields"
                                                          : "Error on update contact. Check all fields"});
            QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Addition of contact"));
        }
        QCOMPARE(stored().size(), std::size_t{1});
        QCOMPARE(stored().at(0).text("FirstName"), std::string("Anna"));
    }

    void closingIsRefusedUntilAllowed() {
        QVERIFY(editor->AllowClose);  // after creation
        showBook();
        withEditor([this] { book->tbAddClick(); },
                   [this] {
                       QVERIFY(!editor->AllowClose);
                       editor->close();
                       QVERIFY(editor->isVisible());
                       editor->AllowClose = true;  // the end of the session says so
                       editor->close();
                   });
        // Escape cancels.
        withEditor([this] { book->tbAddClick(); },
                   [this] {
                       child<QLineEdit>(*editor, "edFirstName")->setText("Not saved");
                       QTest::keyClick(editor, Qt::Key_Escape);
                   });
        QVERIFY(stored().empty());
    }

    // ---------------------------------------------------------------- photos

    void photoPathsResolveAndStoreRelativeInsideTheProgramFolder() {
        const QString exe = dir->path();
        struct Case {
            QString stored, resolved;
        };
        const Case cases[] = {
            {"", ""},
            {"photos/a.jpg", exe + "/photos/a.jpg"},
            {"\\photos\\a.jpg", exe + "/photos/a.jpg"},
            {"/srv/pics/a.jpg", "/srv/pics/a.jpg"},
            {"C:\\pics\\a.jpg", exe + "/C:/pics/a.jpg"},
        };
        for (const Case& c : cases) QCOMPARE(resolvePhotoPath(c.stored), c.resolved);
        QCOMPARE(storablePhotoPath(exe + "/photos/a.jpg"), QStringLiteral("photos/a.jpg"));
        QCOMPARE(storablePhotoPath("/srv/pics/a.jpg"), QStringLiteral("/srv/pics/a.jpg"));
        QCOMPARE(storablePhotoPath(exe + "/../elsewhere/a.jpg"), QDir::cleanPath(exe + "/../elsewhere/a.jpg"));
    }

    void picturesOfEveryOfferedKindLoadAndBrokenOnesDoNot() {
        QVERIFY(!loadPicture(writePicture("p.jpg", "JPG")).isNull());
        QVERIFY(!loadPicture(writePicture("p.png", "PNG")).isNull());
        QVERIFY(!loadPicture(writePicture("p.bmp", "BMP")).isNull());
        QVERIFY(!loadPicture(writePicture("p.ico", "ICO", {32, 32})).isNull());
        QVERIFY(!loadPicture(writePicture("png-named.jpg", "PNG")).isNull());  // the content decides
        QByteArray jpeg;
        {
            QFile f(writePicture("full.jpg", "JPG"));
            f.open(QIODevice::ReadOnly);
            jpeg = f.readAll();
        }
        QVERIFY(loadPicture(writeBytes("cut.jpg", jpeg.left(jpeg.size() / 2))).isNull());
        QVERIFY(loadPicture(writeBytes("junk.jpg", "\xFF\xD8\xFF junk")).isNull());
        QVERIFY(loadPicture(writeBytes("text.png", "not a picture")).isNull());
        QVERIFY(loadPicture(dir->path() + "/missing.jpg").isNull());
        QVERIFY(loadPicture(dir->path()).isNull());  // a folder
    }

    void theViewerShowsThePhotoAndHidesAMissingOrDamagedOne() {
        writePicture("photos/ok.jpg", "JPG");
        writeBytes("photos/bad.jpg", "\xFF\xD8\xFF damaged");
        add("Ok", "Photo", 1, ", Photo, Birthday", ", 'photos/ok.jpg', " + std::to_string(encodeDate(1981, 9, 30)));
        add("Bad", "Photo", 1, ", Photo", ", 'photos/bad.jpg'");
        add("Missing", "Photo", 1, ", Photo", ", '/nonexistent/ostrel/x.jpg'");
        showBook();
        QCOMPARE(listed(), (QStringList{"Bad  Photo", "Missing  Photo", "Ok  Photo"}));

        book->setCurrentRow(3);
        book->tbViewClick();
        QCOMPARE(child<QLabel>(*viewer, "plPhoto")->width(), 68);
        QVERIFY(child<QLabel>(*viewer, "plPhoto")->isVisibleTo(viewer));
        QVERIFY(!child<QLabel>(*viewer, "imgPhoto")->pixmap().isNull());
        QCOMPARE(child<QTableWidget>(*viewer, "sgPersonInfo")->geometry().left(), 81);
        QCOMPARE(child<QTableWidget>(*viewer, "sgPersonInfo")->width(), 202);
        QCOMPARE(child<QTableWidget>(*viewer, "sgPersonInfo")->columnWidth(1), 107);
        // Beside the photo the month is abbreviated, so the date fits.
        QCOMPARE(TfrmViewPerson::cellText(child<QTableWidget>(*viewer, "sgPersonInfo"), 2, 1),
                 QStringLiteral("Sep 30, 1981"));

        for (int row : {1, 2}) {
            book->setCurrentRow(row);
            book->tbViewClick();
            QCOMPARE(child<QLabel>(*viewer, "plPhoto")->width(), 0);
            QVERIFY(!child<QLabel>(*viewer, "plPhoto")->isVisibleTo(viewer));
            QCOMPARE(child<QTableWidget>(*viewer, "sgPersonInfo")->geometry().left(), 8);
            QCOMPARE(child<QTableWidget>(*viewer, "sgPersonInfo")->width(),
                     child<QTableWidget>(*viewer, "sgPersonInfoBottom")->width());
            QCOMPARE(child<QTableWidget>(*viewer, "sgPersonInfo")->columnWidth(1), 181);

            editRow(row, [this] { QVERIFY(!editor->hasPicture()); });
        }
        QVERIFY(dialogs->messages.empty());
        // A stored path whose file cannot be read now is kept on save.
        editRow(1, [this] { child<QLineEdit>(*editor, "edMail")->setText("m"); });
        QCOMPARE(stored().at(1).text("Photo"), std::string("photos/bad.jpg"));
    }

    void deletingThePhotoAloneSavesTheRemoval() {
        writePicture("photos/ok.jpg", "JPG");
        add("Ok", "Photo", 1, ", Photo", ", 'photos/ok.jpg'");
        showBook();
        editRow(1, [this] {
            QVERIFY(editor->hasPicture());
            child<QToolButton>(*editor, "sbDeletePhoto")->click();
            QVERIFY(!editor->hasPicture());
        });
        QVERIFY(stored().at(0).isNull("Photo"));
        book->tbViewClick();
        QCOMPARE(child<QLabel>(*viewer, "plPhoto")->width(), 0);
        QCOMPARE(child<QTableWidget>(*viewer, "sgPersonInfo")->width(), 276);
    }

    void loadingAPhoto() {
        const QString inside = writePicture("photos/new.png", "PNG");
        const QString bad = writeBytes("bad.jpg", "\xFF\xD8\xFF damaged");
        add("Anna", "Family", 1);
        showBook();
        editRow(1, [&] {
            dialogs->fileAnswer = bad;
            child<QToolButton>(*editor, "sbLoadPhoto")->click();
            QCOMPARE(dialogs->texts(), QStringList{"DontLoadImage"});
            QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Loading photo"));
            QCOMPARE(dialogs->messages[0].icon, MsgIcon::Information);
            QVERIFY(!editor->hasPicture());
            QVERIFY(editor->PhotoPath.isEmpty());
            QVERIFY(!editor->Modified);
            QCOMPARE(child<QLabel>(*editor, "plPhoto")->text(), QStringLiteral("Photo"));

            dialogs->fileAnswer = inside;
            child<QToolButton>(*editor, "sbLoadPhoto")->click();
            QVERIFY(editor->hasPicture());
            QVERIFY(editor->Modified);
            QVERIFY(child<QLabel>(*editor, "plPhoto")->text().isEmpty());
        });
        QCOMPARE(stored().at(0).text("Photo"), std::string("photos/new.png"));

        dialogs->fileAnswer.clear();  // cancelled: nothing changes
        editRow(1, [this] {
            child<QToolButton>(*editor, "sbLoadPhoto")->click();
            QVERIFY(editor->hasPicture());
            QVERIFY(!editor->Modified);
        });
    }

    // ---------------------------------------------------------------- viewer

    void theFullCardIsSplitBetweenTheGrids() {
        add("Anna", "Petrova", 1, ", Birthday, HomePhone, JobPhone, MobilePhone, Address, Mail, ICQ, Web_site, Comment",
            ", " + std::to_string(encodeDate(1981, 3, 15)) +
                ", 'h1', 'j2', 'm3', 'Street 1', 'a@b.c', '777', 'w.org', 'first' || char(13,10) || 'second'");
        showBook();
        book->tbViewClick();
        QCOMPARE(viewer->windowTitle(), QStringLiteral("View contact - Anna  Petrova"));
        const QString birthday = QStringLiteral("March 15, 1981");  // no weekday
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfo"), 0),
                 (QStringList{"FirstNname", "LastName", "Birthday", "HomePhone", "JobPhone", "MobilePhone"}));
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfo"), 1),
                 (QStringList{"Anna", "Petrova", birthday, "h1", "j2", "m3"}));
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfoBottom"), 0).mid(0, 7),
                 (QStringList{"Address", "Mail", "ICQ", "WebSite", "Comment", "", ""}));
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfoBottom"), 1).mid(0, 7),
                 (QStringList{"Street 1", "a@b.c", "777", "w.org", "first", "second", ""}));
    }

    void anEightLineCommentShowsFiveLinesBesideTheName() {
        add("Only", " ", 1, ", Comment",
            ", 'c1' || char(13,10) || 'c2' || char(13,10) || 'c3' || char(13,10) || "
            "'c4' || char(13,10) || 'c5' || char(13,10) || 'c6' || char(13,10) || 'c7' || "
            "char(13,10) || 'c8'");
        add("Blank", "Comment", 1, ", Comment, Mail", ", '   ', 'm'");
        showBook();
        QCOMPARE(listed(), (QStringList{"Blank  Comment", "Only"}));
        book->setCurrentRow(2);
        book->tbViewClick();
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfo"), 0),
                 (QStringList{"FirstNname", "Comment", "", "", "", ""}));
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfo"), 1),
                 (QStringList{"Only", "c1", "c2", "c3", "c4", "c5"}));
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfoBottom"), 1), QStringList(11, QString()));

        book->setCurrentRow(1);
        book->tbViewClick();  // the previous card is gone
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfo"), 0),
                 (QStringList{"FirstNname", "LastName", "Mail", "", "", ""}));
        QCOMPARE(cells(child<QTableWidget>(*viewer, "sgPersonInfo"), 1),
                 (QStringList{"Blank", "Comment", "m", "", "", ""}));

        // No cell is ever highlighted.
        QTest::mouseClick(child<QTableWidget>(*viewer, "sgPersonInfo")->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
        QVERIFY(child<QTableWidget>(*viewer, "sgPersonInfo")->selectedItems().isEmpty());
        QVERIFY(!child<QTableWidget>(*viewer, "sgPersonInfo")->currentIndex().isValid());
        child<QPushButton>(*viewer, "BitBtn1")->click();
        QVERIFY(!viewer->isVisible());
    }

    // A value wider than its cell ends in an ellipsis and its hint shows it
    // whole; a short one is drawn as it stands and has no hint. The card is
    // painted everywhere (no dark box over any row), with and without a
    // photo.
    void longAddressesAreElidedWithTheWholeTextAsHint() {
        writePicture("photos/ok.png", "PNG");
        const QString mail = QStringLiteral("anna.petrova.long-department-name@example-corporation.com");
        const QString web = QStringLiteral("https://www.example-corporation.com/people/anna-petrova/index.html");
        for (const char* photo : {"NULL", "'photos/ok.png'"})
            add("Anna", "Petrova", 1, ", Mail, Web_site, HomePhone, Photo",
                ", '" + mail.toStdString() + "', '" + web.toStdString() + "', 'h1', " + photo);
        showBook();
        for (int row : {1, 2}) {
            book->setCurrentRow(row);
            book->tbViewClick();
            QTest::qWait(50);
            QTableWidget* grid = child<QTableWidget>(*viewer, "sgPersonInfo");
            QCOMPARE(cells(grid, 1).mid(0, 5), (QStringList{"Anna", "Petrova", "h1", mail, web}));
            auto hintAt = [&](int r, int c) {
                QToolTip::hideText();
                QDeadlineTimer gone(2000);
                while (QToolTip::isVisible() && !gone.hasExpired()) QTest::qWait(20);
                QHelpEvent help(QEvent::ToolTip, grid->visualRect(grid->model()->index(r, c)).center(),
                                grid->viewport()->mapToGlobal(grid->visualRect(grid->model()->index(r, c)).center()));
                QApplication::sendEvent(grid->viewport(), &help);
                return QToolTip::isVisible() ? QToolTip::text() : QString();
            };
            QCOMPARE(hintAt(3, 1), mail);
            QCOMPARE(hintAt(4, 1), web);
            QCOMPARE(hintAt(0, 1), QString());

            // The ellipsis is drawn: the mail cell's last text pixels end
            // before the cell's right edge, and no row is a dark box.
            const QImage image = viewer->grab().toImage().convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y) {
                int run = 0, longest = 0;
                for (int x = 0; x < image.width(); ++x) {
                    run = qGray(image.pixel(x, y)) < 60 ? run + 1 : 0;
                    longest = std::max(longest, run);
                }
                QVERIFY2(
                    longest < 40,
                    qPrintable(
                        QStringLiteral("dark run of %1 pixels at y=%2, photo row %3").arg(longest).arg(y).arg(row)));
            }
        }
    }

    // The card in English and Russian on the screen, for a person to look
    // at: OSTREL_SCREENSHOT_DIR=dir xvfb-run ... tst_contacts screenshots
    void screenshots() {
        const QString out = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR");
        if (out.isEmpty()) QSKIP("set OSTREL_SCREENSHOT_DIR to take screenshots");
        QFile skin(QStringLiteral(OSTREL_SOURCE_DIR "/skins/ostrel.skn"));
        skin.open(QIODevice::ReadOnly);
        qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
        writePicture("photos/ok.png", "PNG", {60, 80});
        const std::string all =
            ", Birthday, HomePhone, JobPhone, MobilePhone, Address, Mail, ICQ, Web_site, Comment, Photo";
        const std::string values =
            ", " + std::to_string(encodeDate(1981, 3, 15)) +
            ", '+7 495 123-45-67', '+7 495 765-43-21', '+7 916 000-11-22', 'Tverskaya 1, Moscow', "
            "'anna.petrova.long-department@example-corporation.com', '123456789', "
            "'https://www.example-corporation.com/people/anna-petrova', 'Met at the conference' || "
            "char(13,10) || 'Likes tea'";
        writePicture("photos/ok.jpg", "JPG", {90, 60});
        add("Anna", "Petrova", 1, all, values + ", 'photos/ok.png'");
        add("Boris", "Ivanov", 2, all, values + ", NULL");
        add("Clara", "Jpeg", 2, ", Mail, Photo", ", 'c@example.com', 'photos/ok.jpg'");
        add("Dmitri", "Sparse", 2, ", Mail", ", 'd@example.com'");
        for (const QString& language : {QStringLiteral("English"), QStringLiteral("Russian")}) {
            QDir().mkpath(dir->path() + QStringLiteral("/Languages"));
            QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/") + language + QStringLiteral(".lng"),
                        dir->path() + QStringLiteral("/Languages/") + language + QStringLiteral(".lng"));
            SetCurrentLanguage(language);
            showBook();
            for (int row : {1, 2, 3, 4}) {
                book->setCurrentRow(row);
                book->tbViewClick();
                QTest::qWait(400);
                QGuiApplication::primaryScreen()->grabWindow(0).save(
                    out + QStringLiteral("/card-%1-%2.png").arg(language).arg(row));
            }
            viewer->hide();
            book->hide();
        }
        SetCurrentLanguage(QStringLiteral("English"));
        qApp->setStyleSheet({});
    }

    // ---------------------------------------------------------------- program

    void theClockMenuOpensTheBookAndTheSessionEndLetsTheEditorClose() {
        ostrel::testing::ClockEnv env;
        ostrel::testing::createOrganizerDatabase((env.dir.path() + QStringLiteral("/Tamo.qdb")).toStdString());
        createForms();
        child<QAction>(*frmClock, "miAddresBook")->trigger();
        QVERIFY(frmAddressBook->isVisible());
        QCOMPARE(frmAddressBook->pos(), QPoint(55, 75));
        bool refused = false;
        bool closed = false;
        QTimer::singleShot(0, frmPersonEdit, [&] {
            frmPersonEdit->close();
            refused = frmPersonEdit->isVisible();
            frmClock->endSession();
            frmPersonEdit->close();
            closed = !frmPersonEdit->isVisible();
            if (!closed) frmPersonEdit->reject();
        });
        frmAddressBook->tbAddClick();
        QVERIFY(refused);
        QVERIFY(closed);
        destroyForms();
        QVERIFY(!frmAddressBook && !frmPersonEdit && !frmViewPerson);
    }
};

int main(int argc, char** argv) {
    qputenv("TZ", "UTC");
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("LANG", "en_US.UTF-8");
    QApplication app(argc, argv);
    TestContacts t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_contacts.moc"
