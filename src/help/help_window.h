#pragma once
// The program's help window: the manual's contents, index and full-text
// search beside the page being read. One window serves the whole program;
// every request shows it again and brings it to the front.
//
// The manual is a Qt compressed help file ("help/ostrel_organizer.qch"
// beside the program, a translation in "help/<language>/"). The window
// registers it in a private help collection of its own (in a folder it may
// write, for the search index), so the installed files are only read.

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

class QHelpEngine;
class QHelpSearchEngine;
class QLabel;
class QLineEdit;
class QSplitter;
class QTabWidget;
class QTemporaryDir;
class QTextBrowser;
class QToolButton;

namespace ostrel {

class HelpBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    ~HelpWindow() override;

    // The help file the requests open. A name without a folder is taken
    // from the program folder. Only a ".qch" file (any letter case) is
    // opened; for any other name the requests do nothing.
    void setHelpFile(const QString& name);
    QString helpFile() const { return m_helpFile; }
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }
    // The manual follows this language where a translation exists.
    void setLanguage(const QString& language) { m_language = language; }
    // A new language while the window is open: the same page of the
    // manual in that language (its first page when it has no such page).
    void followLanguage(const QString& language);
    // Where the private collection and its search index are kept; a
    // temporary folder when none is given or it cannot be written.
    void setCollectionFolder(const QString& folder) { m_collectionFolder = folder; }

    // The file the next request opens: resolved, translated.
    QString currentHelpFile() const;

    // The table of contents with the manual's first page. False when no
    // manual could be shown (the window then shows why, or, for a file
    // that is no help file, nothing happens).
    bool showContents();
    // The topic of a window's help context number.
    bool showContext(int context);

    // What the window shows.
    QUrl currentPage() const;
    QString pageText() const;
    bool showsMessage() const { return m_showingMessage; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Load { Ready, NotHelpFile, Failed };
    Load loadManual();
    bool openEngine();
    // The full-text search and its index of the loaded manual. The index is
    // written by a background thread that opens the help collection itself,
    // so the collection changes only while no search exists:
    // dropSearch() stops that thread and waits for it.
    void makeSearch();
    void dropSearch();
    void showMessage(const QString& text);
    void showPage(const QUrl& url);
    void bringToFront();
    void followModalDialog();
    void retranslate();
    // Selects the page in the contents (the browser tells the new page
    // before its source() has it).
    void syncContents(const QUrl& page);

    QString m_helpFile;
    QString m_programFolder;
    QString m_language;
    QString m_collectionFolder;
    QString m_loadedFile;
    QString m_namespace;
    QString m_collectionFile;
    std::unique_ptr<QTemporaryDir> m_tempFolder;
    QHelpEngine* m_engine = nullptr;
    QHelpSearchEngine* m_search = nullptr;
    QPointer<QWidget> m_modal;
    bool m_showingMessage = false;
    bool m_placed = false;

    QSplitter* m_splitter = nullptr;
    QTabWidget* m_tabs = nullptr;
    QWidget* m_contentsPage = nullptr;
    QWidget* m_indexPage = nullptr;
    QWidget* m_searchPage = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QLabel* m_indexLabel = nullptr;
    HelpBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QToolButton* m_home = nullptr;
};

}  // namespace ostrel
