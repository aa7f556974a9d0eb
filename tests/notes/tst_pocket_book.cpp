// The pocket book window: first start, the notes file written while typing
// and at the end, damaged files kept aside, the tool bar in step with the
// caret, formatting commands, autohide and the settings.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "app/forms.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "clock_env.h"
#include "core/notes/rtf_reader.h"
#include "core/notes/rtf_writer.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "notes/pocket_book.h"
#include "notes/rtf_text_document.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "ui/app_commands.h"
#include "ui/application_forms.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::ClockEnv;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;

namespace {

// The pocket book's controls, found by name.
QWidget* toolBar(const TfrmPocketBook& pb) { return child<QWidget>(pb, "tbPockerBook"); }
QComboBox* fontBox(const TfrmPocketBook& pb) { return child<QComboBox>(pb, "cbFontName"); }
QSpinBox* sizeBox(const TfrmPocketBook& pb) { return child<QSpinBox>(pb, "edFontSize"); }
QToolButton* boldButton(const TfrmPocketBook& pb) { return child<QToolButton>(pb, "sbBold"); }
QToolButton* italicButton(const TfrmPocketBook& pb) { return child<QToolButton>(pb, "sbItalic"); }
QToolButton* underlineButton(const TfrmPocketBook& pb) { return child<QToolButton>(pb, "sbUnderLine"); }
QToolButton* bulletButton(const TfrmPocketBook& pb) { return child<QToolButton>(pb, "sbBillet"); }
QTextEdit* editor(const TfrmPocketBook& pb) { return child<QTextEdit>(pb, "Editor"); }
QTimer* autosaveTimer(const TfrmPocketBook& pb) { return child<QTimer>(pb, "tmrAutosave"); }

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::string notesText() {
    const QByteArray bytes = readFile(notesFilePath());
    return rtf::read(std::string_view(bytes.constData(), bytes.size())).document.plainText();
}

QStringList filesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files, QDir::Name); }

// The language files the program ships, for the message texts.
void installLanguages(const ClockEnv& env) {
    QDir().mkpath(env.dir.path() + QStringLiteral("/Languages"));
    for (const char* name : {"English", "Russian"})
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/%1.lng").arg(QLatin1String(name)),
                    env.dir.path() + QStringLiteral("/Languages/%1.lng").arg(QLatin1String(name)));
    SetCurrentLanguage(QStringLiteral("English"));
}

}  // namespace

class TestPocketBook : public QObject {
    Q_OBJECT
private slots:
    void firstStartShowsTheDefaults() {
        ClockEnv env;
        RecordingDialogs dialogs;
        auto pb = std::make_unique<TfrmPocketBook>();
        QCOMPARE(pb->geometry(), QRect(200, 130, 360, 260));
        QCOMPARE(pb->editorColor(), QColor(Qt::white));
        QCOMPARE(pb->editorFontColor(), QColor(Qt::black));
        QCOMPARE(editor(*pb)->toPlainText(), QStringLiteral("Editor"));
        QCOMPARE(pb->windowTitle(), QStringLiteral("Pocket-Book"));
        QCOMPARE(pb->property("helpContext").toInt(), 12);
        QVERIFY(!pb->AutohideToolbar);
        QVERIFY(!toolBar(*pb)->isHidden());
        QCOMPARE(toolBar(*pb)->height(), 32);
        QVERIFY(dialogs.messages.empty());
        // Nothing typed: the end writes the settings, and the notes file
        // only when something changed.
        pb.reset();
        QVERIFY(!QFile::exists(notesFilePath()));
        const QByteArray ini = env.readSettings();
        for (const char* key : {"Top=130", "Left=200", "Width=360", "Height=260", "Color=16777215", "FontColor=0"})
            QVERIFY2(ini.contains(key), ini.constData());
        QVERIFY(!ini.contains("AutohidePanel"));
    }

    // The designed first line is selected when the editor first gets the
    // focus (by the keyboard or by a click into it), so the first keystroke
    // replaces it; later focus changes select nothing.
    void theFirstKeystrokeReplacesTheDesignedLine_data() {
        QTest::addColumn<bool>("byClick");
        QTest::newRow("keyboard") << false;
        QTest::newRow("click") << true;
    }
    void theFirstKeystrokeReplacesTheDesignedLine() {
        QFETCH(bool, byClick);
        ClockEnv env;
        RecordingDialogs dialogs;
        TfrmPocketBook pb;
        pb.show();
        pb.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pb));
        QTextEdit* e = editor(pb);
        child<QComboBox>(pb, "cbFontName")->setFocus(Qt::TabFocusReason);
        QVERIFY(!e->hasFocus());
        if (byClick) {
            QTest::mouseClick(e->viewport(), Qt::LeftButton, {}, e->cursorRect(e->textCursor()).center());
        } else {
            e->setFocus(Qt::TabFocusReason);
        }
        QVERIFY(e->hasFocus());
        QTest::keyClicks(e, QStringLiteral("Note"));
        QCOMPARE(e->toPlainText(), QStringLiteral("Note"));
        child<QComboBox>(pb, "cbFontName")->setFocus(Qt::TabFocusReason);
        e->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(e, QStringLiteral("s"));
        QVERIFY(e->toPlainText().contains(QStringLiteral("Note")));
    }

    // Ctrl+B, Ctrl+I and Ctrl+U do what the B, I and U buttons do.
    void formattingKeysWorkAsTheButtons() {
        ClockEnv env;
        RecordingDialogs dialogs;
        TfrmPocketBook pb;
        pb.show();
        QTextEdit* e = editor(pb);
        e->selectAll();
        const std::pair<Qt::Key, QToolButton*> keys[] = {
            {Qt::Key_B, boldButton(pb)}, {Qt::Key_I, italicButton(pb)}, {Qt::Key_U, underlineButton(pb)}};
        for (const auto& [key, button] : keys) {
            QTest::keyClick(e, key, Qt::ControlModifier);
            QVERIFY(button->isChecked());
        }
        QTextCursor c(e->document());
        c.setPosition(2);
        QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));
        QVERIFY(c.charFormat().fontItalic() && c.charFormat().fontUnderline());
        QCOMPARE(e->toPlainText(), QStringLiteral("Editor"));  // no control characters typed
        QTest::keyClick(e, Qt::Key_B, Qt::ControlModifier);
        QVERIFY(!boldButton(pb)->isChecked());
        QVERIFY(c.charFormat().fontWeight() < QFont::DemiBold);
    }

    void typedNotesComeBackAfterCloseAndRestart() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[PocketBook]\nTop=50\nLeft=60\nWidth=400\nHeight=300\nColor=255\nFontColor=65280\n");
        {
            TfrmPocketBook pb;
            QCOMPARE(pb.geometry(), QRect(60, 50, 400, 300));
            QCOMPARE(pb.editorColor(), QColor(255, 0, 0));
            QCOMPARE(pb.editorFontColor(), QColor(0, 255, 0));
            pb.show();
            editor(pb)->selectAll();
            QTest::keyClicks(editor(pb), QStringLiteral("Plain "));
            boldButton(pb)->click();
            QTest::keyClicks(editor(pb), QStringLiteral("bold"));
            QTest::keyClick(editor(pb), Qt::Key_Return);
            editor(pb)->insertPlainText(QStringLiteral("\u0417\u0430\u043c\u0435\u0442\u043a\u0430"));
            pb.setEditorColor(QColor(1, 2, 3));
            pb.move(70, 80);
            pb.close();
        }
        QCOMPARE(notesText(), std::string("Plain bold\n\u0417\u0430\u043c\u0435\u0442\u043a\u0430"));
        const QByteArray ini = env.readSettings();
        QVERIFY2(ini.contains("Left=70") && ini.contains("Top=80") && ini.contains("Color=197121"), ini.constData());

        TfrmPocketBook again;
        QCOMPARE(editor(again)->toPlainText(),
                 QStringLiteral("Plain bold\n\u0417\u0430\u043c\u0435\u0442\u043a\u0430"));
        QTextCursor c(editor(again)->document());
        c.setPosition(3);
        QVERIFY(c.charFormat().fontWeight() < QFont::DemiBold);
        c.setPosition(8);
        QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(again.editorColor(), QColor(1, 2, 3));
        QVERIFY(dialogs.messages.empty());
    }

    void notesAreWrittenSoonAfterTypingStops() {
        ClockEnv env;
        RecordingDialogs dialogs;
        TfrmPocketBook pb;
        pb.show();
        QVERIFY(!autosaveTimer(pb)->isActive());
        QTest::keyClicks(editor(pb), QStringLiteral("abc"));
        QVERIFY(pb.hasUnsavedChanges());
        QVERIFY(autosaveTimer(pb)->isActive());
        QVERIFY(autosaveTimer(pb)->interval() <= TfrmPocketBook::kAutosaveDelayMs);
        QVERIFY(!QFile::exists(notesFilePath()));
        QSignalSpy saved(&pb, &TfrmPocketBook::notesSaved);
        // The timer's own second, with a bound.
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 5000);
        QCOMPARE(saved.at(0).at(0).toBool(), true);
        QCOMPARE(notesText(), std::string("abcEditor"));
        QVERIFY(!pb.hasUnsavedChanges());
        // No temporary files are left behind.
        QCOMPARE(filesIn(env.dir.path()).filter(QStringLiteral("pockerbook")),
                 QStringList{QStringLiteral("pockerbook.rtf")});

        // Hiding the window writes at once.
        QTest::keyClicks(editor(pb), QStringLiteral("X"));
        pb.hide();
        QVERIFY(!autosaveTimer(pb)->isActive());
        pb.waitForSaves();
        QCOMPARE(notesText(), std::string("abcXEditor"));
    }

    void damagedNotesFileIsKeptAsideAndReportedOnce_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shown");
        QTest::newRow("not rtf") << QByteArray("just some text\n") << QStringLiteral("Editor");
        QTest::newRow("cut off") << QByteArray("{\\rtf1\\ansi {\\b my notes}\\par and mo")
                                 << QStringLiteral("my notes\nand mo");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{\\rtf", 8) << QStringLiteral("Editor");
    }
    void damagedNotesFileIsKeptAsideAndReportedOnce() {
        QFETCH(QByteArray, content);
        QFETCH(QString, shown);
        ClockEnv env;
        installLanguages(env);
        ScopedFakeClock clock(46000.5);  // 2025-12-09 12:00:00
        RecordingDialogs dialogs;
        writeFile(notesFilePath(), content);
        const QString kept = env.dir.path() + QStringLiteral("/pockerbook-damaged-2025-12-09-120000.rtf");
        {
            TfrmPocketBook pb;
            QCOMPARE(editor(pb)->toPlainText(), shown);
            // Kept before anything was written, byte for byte.
            QCOMPARE(readFile(kept), content);
            QVERIFY(!QFile::exists(notesFilePath()));
            QCOMPARE(dialogs.texts(),
                     QStringList{QStringLiteral("The notes file could not be read. It has been kept unchanged as ") +
                                 QDir::toNativeSeparators(kept) + QStringLiteral(".")});
            QCOMPARE(dialogs.messages.at(0).caption, QStringLiteral("Ostrel Organizer"));
            QTest::keyClicks(editor(pb), QStringLiteral("new "));
        }
        QCOMPARE(readFile(kept), content);
        QVERIFY(notesText().rfind("new ", 0) == 0);
        // The next start reads the new file and says nothing.
        TfrmPocketBook again;
        QVERIFY(editor(again)->toPlainText().startsWith(QStringLiteral("new ")));
        QCOMPARE(dialogs.messages.size(), size_t(1));
    }

    void unreadableNotesFileIsNeverWrittenOver() {
        ClockEnv env;
        installLanguages(env);
        RecordingDialogs dialogs;
        // A folder of that name can be neither read nor moved aside when
        // the folder around it is read-only.
        const QString sub = env.dir.path() + QStringLiteral("/ro");
        QDir().mkpath(sub + QStringLiteral("/pockerbook.rtf"));
        setExeDirForTesting(sub);
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (QFileInfo(sub).isWritable()) {
            QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QSKIP("running with rights that ignore folder permissions");
        }
        {
            TfrmPocketBook pb;
            QCOMPARE(dialogs.messages.size(), size_t(1));
            QVERIFY(dialogs.messages.at(0).text.startsWith(QStringLiteral("The notes file ")));
            QTest::keyClicks(editor(pb), QStringLiteral("x"));
            QVERIFY(!pb.saveNotes());
        }
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(QFileInfo(sub + QStringLiteral("/pockerbook.rtf")).isDir());
    }

    void failedWriteIsReportedOnceAndRetried() {
        ClockEnv env;
        installLanguages(env);
        RecordingDialogs dialogs;
        TfrmPocketBook pb;
        QTest::keyClicks(editor(pb), QStringLiteral("a"));
        // A folder in the file's place cannot be replaced.
        QVERIFY(QDir().mkpath(notesFilePath()));
        QVERIFY(!pb.saveNotes());
        QVERIFY(!pb.saveNotes());
        QCOMPARE(dialogs.messages.size(), size_t(1));
        QVERIFY2(
            dialogs.messages.at(0).text.startsWith(QStringLiteral("The notes could not be saved to ") +
                                                   QDir::toNativeSeparators(notesFilePath()) + QStringLiteral(": ")),
            qPrintable(dialogs.messages.at(0).text));
        QVERIFY(pb.hasUnsavedChanges());
        QVERIFY(QDir().rmdir(notesFilePath()));
        QVERIFY(pb.saveNotes());
        QCOMPARE(notesText(), std::string("aEditor"));
    }

    // The B, I and U icons are drawn on demand: a letter on a clear
    // ground, greyed like any icon when the button is disabled.
    void letterIconsAreDrawnAndGreyedWhenDisabled() {
        ClockEnv env;
        TfrmPocketBook pb;
        const QIcon icon = boldButton(pb)->icon();
        const QImage normal = icon.pixmap(QSize(16, 16)).toImage();
        const QImage disabled = icon.pixmap(QSize(16, 16), QIcon::Disabled).toImage();
        int inked = 0;
        for (int y = 0; y < normal.height(); ++y)
            for (int x = 0; x < normal.width(); ++x) inked += qAlpha(normal.pixel(x, y)) > 0;
        QVERIFY(inked > 0 && inked < 16 * 16 / 2);
        QCOMPARE(qAlpha(normal.pixel(0, 0)), 0);
        QVERIFY(disabled != normal);
    }

    void toolBarFollowsTheCaretWithoutChangingText() {
        ClockEnv env;
        writeFile(
            notesFilePath(),
            "{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}{\\f1 DejaVu Serif;}}\\f0\\fs20 plain \\b\\f1\\fs36 bold\\b0\\par"
            "{\\pntext\\'B7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}item\\par}");
        TfrmPocketBook pb;
        QSignalSpy changed(editor(pb)->document(), &QTextDocument::contentsChanged);
        QTextCursor c = editor(pb)->textCursor();
        c.setPosition(8);  // inside "bold"
        editor(pb)->setTextCursor(c);
        QVERIFY(boldButton(pb)->isChecked());
        QVERIFY(!italicButton(pb)->isChecked());
        QVERIFY(!bulletButton(pb)->isChecked());
        QCOMPARE(sizeBox(pb)->value(), 18);
        QCOMPARE(fontBox(pb)->currentText(), QStringLiteral("DejaVu Serif"));
        c.setPosition(3);
        editor(pb)->setTextCursor(c);
        QVERIFY(!boldButton(pb)->isChecked());
        QCOMPARE(sizeBox(pb)->value(), 10);
        c.setPosition(editor(pb)->document()->lastBlock().position() + 2);
        editor(pb)->setTextCursor(c);
        QVERIFY(bulletButton(pb)->isChecked());
        QCOMPARE(changed.count(), 0);
        QVERIFY(!pb.hasUnsavedChanges());
        QVERIFY(!pb.Updating);
    }

    void formattingGoesToTheSelectionOrToWhatIsTypedNext() {
        ClockEnv env;
        TfrmPocketBook pb;
        pb.show();
        editor(pb)->setPlainText(QStringLiteral("abcdef"));
        QTextCursor c = editor(pb)->textCursor();
        // No selection: existing text keeps its format, typed text takes it.
        c.setPosition(3);
        editor(pb)->setTextCursor(c);
        boldButton(pb)->click();
        italicButton(pb)->click();
        underlineButton(pb)->click();
        sizeBox(pb)->setValue(20);
        QVERIFY(pb.CurrentAttributes().fontWeight() == QFont::Bold);
        QTest::keyClicks(editor(pb), QStringLiteral("X"));
        QTextCursor probe(editor(pb)->document());
        probe.setPosition(4);
        QCOMPARE(probe.charFormat().fontWeight(), int(QFont::Bold));
        QVERIFY(probe.charFormat().fontItalic() && probe.charFormat().fontUnderline());
        QCOMPARE(probe.charFormat().fontPointSize(), 20.0);
        probe.setPosition(3);
        QVERIFY(probe.charFormat().fontWeight() != QFont::Bold);
        QCOMPARE(editor(pb)->toPlainText(), QStringLiteral("abcXdef"));

        // A one-character selection: only that character changes.
        c.setPosition(5);
        c.setPosition(6, QTextCursor::KeepAnchor);
        editor(pb)->setTextCursor(c);
        fontBox(pb)->clear();
        pb.FillFontNames({QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Sans")});
        fontBox(pb)->setCurrentIndex(1);
        pb.cbFontNameChange();
        probe.setPosition(6);
        QCOMPARE(probe.charFormat().fontFamilies().toStringList(), QStringList{QStringLiteral("DejaVu Serif")});
        probe.setPosition(5);
        QVERIFY(probe.charFormat().fontFamilies().toStringList() != QStringList{QStringLiteral("DejaVu Serif")});
        QCOMPARE(pb.CurrentAttributes().fontFamilies().toStringList(), QStringList{QStringLiteral("DejaVu Serif")});

        // Bullets on the paragraph at the caret, and off again.
        bulletButton(pb)->click();
        QVERIFY(editor(pb)->textCursor().currentList());
        bulletButton(pb)->click();
        QVERIFY(!editor(pb)->textCursor().currentList());

        // While Updating, commands change nothing.
        pb.Updating = true;
        boldButton(pb)->click();
        pb.Updating = false;
        probe.setPosition(6);
        QVERIFY(probe.charFormat().fontWeight() != QFont::Bold);
    }

    void sizeThatIsNotAWholeNumberChangesNothing() {
        ClockEnv env;
        RecordingDialogs dialogs;
        TfrmPocketBook pb;
        editor(pb)->setPlainText(QStringLiteral("abc"));
        editor(pb)->selectAll();
        sizeBox(pb)->setValue(14);
        for (const char* text : {"12.5", "abc", "", "1e3"}) {
            sizeBox(pb)->findChild<QLineEdit*>()->setText(QLatin1String(text));
            pb.edFontSizeChange();
            QTextCursor probe(editor(pb)->document());
            probe.setPosition(2);
            QCOMPARE(probe.charFormat().fontPointSize(), 14.0);
        }
        QVERIFY(dialogs.messages.empty());
    }

    void fontListIsSorted() {
        ClockEnv env;
        TfrmPocketBook pb;
        pb.FillFontNames(
            {QStringLiteral("Zeta"), QStringLiteral("alpha"), QStringLiteral("Beta"), QString(40, QLatin1Char('x'))});
        QStringList items;
        for (int i = 0; i < fontBox(pb)->count(); ++i) items << fontBox(pb)->itemText(i);
        QCOMPARE(items, (QStringList{QStringLiteral("alpha"), QStringLiteral("Beta"), QString(32, QLatin1Char('x')),
                                     QStringLiteral("Zeta")}));
        QCOMPARE(fontBox(pb)->maxVisibleItems(), 10);
        // The real list is sorted too.
        TfrmPocketBook real;
        for (int i = 1; i < fontBox(real)->count(); ++i)
            QVERIFY(QString::compare(fontBox(real)->itemText(i - 1), fontBox(real)->itemText(i), Qt::CaseInsensitive) <=
                    0);
    }

    void toolBarAutohides_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("autohide");
        QTest::newRow("1 is on") << QByteArray("1") << true;
        QTest::newRow("2 is off") << QByteArray("2") << false;
        QTest::newRow("0 is off") << QByteArray("0") << false;
        QTest::newRow("text is off") << QByteArray("yes") << false;
    }
    void toolBarAutohides() {
        QFETCH(QByteArray, value);
        QFETCH(bool, autohide);
        ClockEnv env;
        env.writeSettings("[PocketBook]\nAutohidePanel=" + value + "\n");
        TfrmPocketBook pb;
        pb.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pb));
        QCOMPARE(pb.AutohideToolbar, autohide);
        QTest::mouseMove(editor(pb)->viewport(), QPoint(20, 40));
        QCOMPARE(toolBar(pb)->isHidden(), autohide);
        // The top 3 pixels of the editor bring the bar back; 3 and below
        // do not.
        pb.EditorMouseMove(QPoint(20, 3));
        QCOMPARE(toolBar(pb)->isHidden(), autohide);
        pb.EditorMouseMove(QPoint(20, 2));
        QVERIFY(!toolBar(pb)->isHidden());
        pb.EditorMouseMove(QPoint(20, 0));
        QVERIFY(!toolBar(pb)->isHidden());
        pb.EditorMouseMove(QPoint(20, 3));
        QCOMPARE(toolBar(pb)->isHidden(), autohide);
        // The setting is never written by the window.
        pb.close();
    }

    // The model into a document and back: every run keeps its text and
    // format however the paragraph's formats are mixed (the commonest one
    // first, the others later on their ranges), including characters
    // outside the basic plane, Cyrillic, tabs and line breaks.
    void aModelComesBackFromTheDocumentUnchanged() {
        using rtf::CharFormat;
        CharFormat plain;
        plain.font = "DejaVu Sans";
        plain.halfPoints = 20;
        CharFormat bold = plain;
        bold.bold = true;
        CharFormat red = plain;
        red.italic = true;
        red.color = rtf::Rgb{255, 0, 0};
        CharFormat big = plain;
        big.font = "DejaVu Serif";
        big.halfPoints = 32;
        big.underline = true;
        auto para = [](std::vector<rtf::Run> runs, CharFormat mark, rtf::ListStyle list = rtf::ListStyle::None) {
            rtf::Paragraph p;
            p.runs = std::move(runs);
            p.markFormat = mark;
            p.list = list;
            if (list != rtf::ListStyle::None) {
                p.leftIndent = 720;
                p.firstIndent = -360;
            }
            return p;
        };
        rtf::Document model;
        model.paragraphs = {
            para({{plain, "Hello "},
                  {bold, "w\xc3\xb6rld"},
                  {plain, " \xf0\x9f\x98\x80 x"},
                  {red, "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82"},
                  {plain, "\tend"}},
                 plain),
            para({{big, "one run"}}, big),
            para({{bold, "\xf0\x9f\x98\x80"}, {red, "two"}}, red),
            para({}, big),
            para({{bold, "a"},
                  {plain,
                   "b\xe2\x80\xa8"
                   "c"},
                  {bold, "d"},
                  {big, "e"},
                  {bold, "f"}},
                 bold, rtf::ListStyle::Bullet),
            para({{plain, "after the list"}}, plain),
        };
        // Alignments and indents that change from one paragraph to the next
        // and stay for the one after.
        const struct {
            rtf::Align align;
            int left, first;
        } blocks[] = {{rtf::Align::Center, 0, 0},    {rtf::Align::Center, 360, 0}, {rtf::Align::Left, 360, -180},
                      {rtf::Align::Left, 360, -180}, {rtf::Align::Right, 0, 0},    {rtf::Align::Left, 0, 0}};
        for (const auto& b : blocks) {
            rtf::Paragraph p = para({{plain, "aligned"}, {bold, " and indented"}}, plain);
            p.align = b.align;
            p.leftIndent = b.left;
            p.firstIndent = b.first;
            model.paragraphs.push_back(p);
        }
        QTextDocument doc;
        setRtfModel(doc, model);
        QCOMPARE(doc.blockCount(), static_cast<int>(model.paragraphs.size()));
        const rtf::Document back = rtfModelOf(doc);
        QCOMPARE(back.paragraphs.size(), model.paragraphs.size());
        for (std::size_t i = 0; i < model.paragraphs.size(); ++i)
            QVERIFY2(back.paragraphs[i] == model.paragraphs[i], qPrintable(QStringLiteral("paragraph %1").arg(i)));
        QVERIFY(!doc.isUndoAvailable());
        QVERIFY(!doc.isModified());
    }

    // A snapshot converts only changed paragraphs; whatever the edit, it
    // must equal a full conversion.
    void snapshotsFollowEveryKindOfEdit() {
        QTextDocument doc;
        readRtf(doc, "{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}\\f0 one \\b two\\b0\\par three\\par four\\par five}");
        RtfSnapshots snapshots(&doc);
        QCOMPARE(snapshots.take().document(), rtfModelOf(doc));
        QTextCursor c(&doc);
        auto check = [&](const char* what) {
            const rtf::Document got = snapshots.take().document();
            QVERIFY2(got == rtfModelOf(doc), what);
        };
        c.setPosition(2);
        c.insertText(QStringLiteral("X"));
        check("typing");
        c.setPosition(10);
        c.setPosition(13, QTextCursor::KeepAnchor);
        QTextCharFormat italic;
        italic.setFontItalic(true);
        c.mergeCharFormat(italic);
        check("format of a selection");
        c.clearSelection();
        c.insertBlock();
        check("a new paragraph");
        c.setPosition(doc.findBlockByNumber(3).position());
        c.createList(QTextListFormat::ListDisc);
        check("a list");
        c.currentList()->remove(c.block());
        check("out of the list");
        QTextBlockFormat centre;
        centre.setAlignment(Qt::AlignHCenter);
        c.mergeBlockFormat(centre);
        check("alignment");
        c.setPosition(doc.findBlockByNumber(1).position() + 1);
        c.setPosition(doc.findBlockByNumber(2).position() + 2, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        check("paragraphs joined");
        QTextCharFormat big;
        big.setFontPointSize(30);
        c.mergeBlockCharFormat(big);
        check("format of the paragraph mark");
        c.select(QTextCursor::Document);
        c.insertText(QStringLiteral("all new"));
        check("everything replaced");
        doc.undo();
        check("undo");
    }

    // The program's own wiring: the clock menu's command shows the window,
    // the settings dialog's colour buttons change the editor at once.
    void menuCommandAndSettingsColoursReachTheWindow() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::createOrganizerDatabase(databaseFilePath().toStdString());
        createForms();
        QVERIFY(frmPocketBook);
        QCOMPARE(applicationForms().back(), static_cast<QWidget*>(frmPocketBook));
        QVERIFY(!frmPocketBook->isVisible());
        runCommand(AppCommand::ShowPocketBook);
        QVERIFY(frmPocketBook->isVisible());
        dialogs.colorAnswer = QColor(10, 20, 30);
        frmSettings->btnBgdColorClick();
        QCOMPARE(frmPocketBook->editorColor(), QColor(10, 20, 30));
        dialogs.colorAnswer = QColor(200, 100, 0);
        frmSettings->btnPBFontColorClick();
        QCOMPARE(frmPocketBook->editorFontColor(), QColor(200, 100, 0));
        destroyForms();
        QVERIFY(!frmPocketBook);
        const QByteArray ini = env.readSettings();
        QVERIFY2(ini.contains("Color=1971210") && ini.contains("FontColor=25800"), ini.constData());
    }
};

QTEST_MAIN(TestPocketBook)
#include "tst_pocket_book.moc"
