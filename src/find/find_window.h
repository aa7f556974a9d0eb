#pragma once
// The search window: one line, and below it what was found, grouped by kind
// (tasks, plans, holidays, contacts, notes) and ranked within each kind
// (data/search_store.h). Enter or a double click opens the current match in
// its own window (openItem, ui/app_commands.h). The notes' paragraphs are
// read when the window is shown (the application hands a reader of the
// notes file) and searched one by one.

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace ostrel {

class SearchStore;

class TfrmFind : public QDialog {
    Q_OBJECT
public:
    using NotesReader = std::function<QStringList()>;
    explicit TfrmFind(SearchStore& search, NotesReader notes = {}, QWidget* parent = nullptr);

    // Shown, raised, the line focused and selected.
    void OpenFind();
    // Searches the line now and fills the list.
    void runSearch();
    // Opens the current match; false when none is current.
    bool openCurrent();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readNotes();

    SearchStore& search_;
    NotesReader readNotes_;
    QStringList notes_;
    QLabel* lbFind = nullptr;
    QLineEdit* edFind = nullptr;
    QTreeWidget* tvFound = nullptr;
    QLabel* lbNothing = nullptr;
};

// The paragraphs of an RTF notes file; none when it cannot be read.
QStringList readNotesParagraphs(const QString& path);

}  // namespace ostrel
