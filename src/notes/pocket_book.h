#pragma once
// The pocket book: one page of formatted notes with a small formatting tool
// bar, kept in "pockerbook.rtf" beside the program. The notes are written
// about a second after typing stops (at the latest two seconds after the
// first unsaved change), when the window is hidden and at the end of the
// program; the write happens on a worker thread, so typing never waits.

#include <QColor>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <memory>

namespace ostrel {

class NotesSaver;
class RtfSnapshots;

class TfrmPocketBook : public QWidget {
    Q_OBJECT
public:
    // Quiet time after the last change before the notes are written, and
    // the longest a change waits while typing goes on.
    static constexpr int kAutosaveDelayMs = 1000;
    static constexpr int kAutosaveMaxDelayMs = 2000;

    explicit TfrmPocketBook(QWidget* parent = nullptr);
    ~TfrmPocketBook() override;

    // True while the tool bar is being set from the text.
    bool Updating = false;
    // Read once at start-up from "AutohidePanel" (on only when exactly 1).
    bool AutohideToolbar = false;

    void SelectionChange();
    void BoldButtonClick();
    void ItalicButtonClick();
    void UnderlineButtonClick();
    void BulletsButtonClick();
    void edFontSizeChange();
    void cbFontNameChange();
    // pos in the editor's coordinates.
    void EditorMouseMove(const QPoint& pos);

    // The character format the formatting commands change: the selection's
    // when text is selected, otherwise the one new text is typed in.
    QTextCharFormat CurrentAttributes() const;
    // Fills the font box with the families, sorted.
    void FillFontNames(const QStringList& families);

    // The editor's background and default text colours (the settings
    // dialog changes them while the program runs).
    QColor editorColor() const;
    QColor editorFontColor() const;
    void setEditorColor(const QColor& color);
    void setEditorFontColor(const QColor& color);

    // Writes the notes now (after a background write in progress), when
    // there are unsaved changes. False when the write failed.
    bool saveNotes();
    // Whether changes wait to be written.
    bool hasUnsavedChanges() const { return dirty_; }
    // Waits until background writes are done (tests, the end).
    void waitForSaves();

signals:
    // After every write of the notes file, with its outcome.
    void notesSaved(bool ok);

protected:
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* tbPockerBook = nullptr;
    QComboBox* cbFontName = nullptr;
    QSpinBox* edFontSize = nullptr;
    QToolButton* sbBold = nullptr;
    QToolButton* sbItalic = nullptr;
    QToolButton* sbUnderLine = nullptr;
    QToolButton* sbBillet = nullptr;
    QTextEdit* Editor = nullptr;
    QTimer* tmrAutosave = nullptr;

    void FormCreate();
    void buildToolBar();
    void FormDestroy();
    void loadNotes();
    void readSettings();
    void writeSettings();
    void mergeFormat(const QTextCharFormat& change);
    void notesChanged();
    void autosave();
    void saveFinished(bool ok, const QString& error);
    void reportSaveFailure(const QString& error);
    void applyColors();

    std::unique_ptr<NotesSaver> saver_;
    RtfSnapshots* snapshots_ = nullptr;
    bool dirty_ = false;
    // The designed first line shows (no notes file yet) and the editor has
    // not had the focus.
    bool selectDesignedText_ = false;
    // The click that focused the editor is not to move its cursor.
    bool keepDesignedSelection_ = false;
    bool saveBlocked_ = false;  // the file could not be read nor kept aside
    bool failureReported_ = false;
    QElapsedTimer firstUnsaved_;
    QColor color_ = Qt::white;
    QColor fontColor_ = Qt::black;
};

}  // namespace ostrel
