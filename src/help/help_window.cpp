#include "help/help_window.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentItem>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "help/help_file.h"
#include "ui/languages.h"

namespace ostrel {

// Pages and pictures come out of the help engine; links to other sites are
// left to the desktop's browser.
class HelpBrowser : public QTextBrowser {
public:
    explicit HelpBrowser(QWidget* parent) : QTextBrowser(parent) { setOpenExternalLinks(true); }
    void setEngine(QHelpEngine* engine) { m_engine = engine; }

    QVariant loadResource(int type, const QUrl& name) override {
        if (m_engine && name.scheme() == QLatin1String("qthelp")) {
            const QByteArray data = m_engine->fileData(name);
            if (type == QTextDocument::StyleSheetResource) return QString::fromUtf8(data);
            if (type == QTextDocument::ImageResource) {
                QImage image;
                image.loadFromData(data);
                return image;
            }
            return data;
        }
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine* m_engine = nullptr;
};

namespace {

QString message(const char* key) { return GetLangMessage(QLatin1String(key)); }

// The item of the contents that stands for a page (its path, without the
// part after "#"), searched through the whole tree.
QModelIndex findContentsItem(QHelpContentModel* model, const QModelIndex& parent, const QUrl& page) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (QHelpContentItem* item = model->contentItemAt(index)) {
            const QUrl url = item->url();
            if (url.host() == page.host() && QDir::cleanPath(url.path()) == QDir::cleanPath(page.path())) return index;
        }
        const QModelIndex found = findContentsItem(model, index, page);
        if (found.isValid()) return found;
    }
    return {};
}

QString htmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

// A dialog-kind window, as every other window of the program: the X11
// platform marks only such windows transient for the window they open over,
// and so only they share the stacking of a clock that stays on top. Its own
// buttons to minimise and maximise stay.
constexpr Qt::WindowFlags kHelpWindowFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, kHelpWindowFlags) {
    setObjectName(QStringLiteral("frmHelp"));
    // The window's own help context is none: F1 here opens nothing else.
    setProperty("helpContext", 0);
    resize(860, 600);

    m_back = new QToolButton(this);
    m_back->setObjectName(QStringLiteral("tbBack"));
    m_back->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    m_back->setEnabled(false);
    m_forward = new QToolButton(this);
    m_forward->setObjectName(QStringLiteral("tbForward"));
    m_forward->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    m_forward->setEnabled(false);
    m_home = new QToolButton(this);
    m_home->setObjectName(QStringLiteral("tbHome"));
    m_home->setIcon(style()->standardIcon(QStyle::SP_DirHomeIcon));
    for (QToolButton* b : {m_back, m_forward, m_home}) {
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
    }

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabsHelp"));
    m_contentsPage = new QWidget;
    new QVBoxLayout(m_contentsPage);
    m_contentsPage->layout()->setContentsMargins(2, 2, 2, 2);
    m_indexPage = new QWidget;
    auto* indexLayout = new QVBoxLayout(m_indexPage);
    indexLayout->setContentsMargins(2, 2, 2, 2);
    m_indexLabel = new QLabel(m_indexPage);
    m_indexFilter = new QLineEdit(m_indexPage);
    m_indexFilter->setObjectName(QStringLiteral("edIndexFilter"));
    m_indexFilter->setClearButtonEnabled(true);
    indexLayout->addWidget(m_indexLabel);
    indexLayout->addWidget(m_indexFilter);
    m_searchPage = new QWidget;
    new QVBoxLayout(m_searchPage);
    m_searchPage->layout()->setContentsMargins(2, 2, 2, 2);
    m_tabs->addTab(m_contentsPage, QString());
    m_tabs->addTab(m_indexPage, QString());
    m_tabs->addTab(m_searchPage, QString());

    m_browser = new HelpBrowser(this);
    m_browser->setObjectName(QStringLiteral("tbrHelp"));
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QToolButton::clicked, this, [this] { showContents(); });
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->addWidget(m_tabs);
    m_splitter->addWidget(m_browser);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({260, 600});
    m_splitter->setChildrenCollapsible(false);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(m_home);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(bar);
    layout->addWidget(m_splitter, 1);

    connect(&languageNotifier(), &LanguageNotifier::languageApplied, this, &HelpWindow::retranslate);
    retranslate();
}

HelpWindow::~HelpWindow() {
    if (m_modal) m_modal->removeEventFilter(this);
    dropSearch();
}

void HelpWindow::retranslate() {
    setWindowTitle(message("HelpCaption"));
    m_tabs->setTabText(0, message("HelpContents"));
    m_tabs->setTabText(1, message("HelpIndex"));
    m_tabs->setTabText(2, message("HelpSearch"));
    m_indexLabel->setText(message("HelpLookFor"));
    m_back->setText(message("HelpBack"));
    m_forward->setText(message("HelpForward"));
    m_home->setText(message("HelpHome"));
    // Every tab title stays readable in every language.
    m_tabs->setMinimumWidth(m_tabs->tabBar()->sizeHint().width() + 6);
}

void HelpWindow::setHelpFile(const QString& name) { m_helpFile = name; }

QString HelpWindow::currentHelpFile() const {
    return localizedHelpFile(resolveHelpFile(m_helpFile, m_programFolder), m_language);
}

bool HelpWindow::openEngine() {
    if (m_engine) return true;
    QString folder = m_collectionFolder;
    if (folder.isEmpty() || !QDir().mkpath(folder) || !QFileInfo(folder).isWritable()) {
        m_tempFolder = std::make_unique<QTemporaryDir>();
        if (!m_tempFolder->isValid()) return false;
        folder = m_tempFolder->path();
    }
    m_collectionFile = QDir(folder).filePath(QStringLiteral("ostrel_organizer.qhc"));
    m_engine = new QHelpEngine(m_collectionFile, this);
    m_engine->setReadOnly(false);
    if (!m_engine->setupData()) {
        // A damaged private collection is ours to replace.
        delete m_engine;
        m_engine = nullptr;
        QFile::remove(m_collectionFile);
        m_engine = new QHelpEngine(m_collectionFile, this);
        m_engine->setReadOnly(false);
        if (!m_engine->setupData()) {
            delete m_engine;
            m_engine = nullptr;
            return false;
        }
    }
    m_browser->setEngine(m_engine);

    QHelpContentWidget* contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("tvContents"));
    contents->setHeaderHidden(true);
    m_contentsPage->layout()->addWidget(contents);
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showPage);
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this,
            [this] { syncContents(m_browser->source()); });

    QHelpIndexWidget* index = m_engine->indexWidget();
    index->setObjectName(QStringLiteral("lvIndex"));
    m_indexPage->layout()->addWidget(index);
    connect(m_indexFilter, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(m_indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& link, const QString&) { showPage(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this, [this](const QList<QHelpLink>& links, const QString&) {
        if (!links.isEmpty()) showPage(links.first().url);
    });

    makeSearch();
    return true;
}

void HelpWindow::makeSearch() {
    if (m_search) return;
    m_search = new QHelpSearchEngine(m_engine, this);
    QHelpSearchEngine* search = m_search;
    QHelpSearchQueryWidget* query = search->queryWidget();
    QHelpSearchResultWidget* results = search->resultWidget();
    query->setObjectName(QStringLiteral("edSearch"));
    results->setObjectName(QStringLiteral("lvSearchResults"));
    m_searchPage->layout()->addWidget(query);
    m_searchPage->layout()->addWidget(results);
    connect(query, &QHelpSearchQueryWidget::search, search, [search, query] { search->search(query->searchInput()); });
    connect(results, &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::showPage);
}

void HelpWindow::dropSearch() {
    if (!m_search) return;
    // The widgets first: they follow the search engine's signals (and the
    // result list may take the engine with it). Deleting the engine cancels
    // its index writer and waits until the thread has ended.
    QPointer<QHelpSearchEngine> search = m_search;
    m_search = nullptr;
    delete search->queryWidget();
    if (search) delete search->resultWidget();
    delete search.data();
}

HelpWindow::Load HelpWindow::loadManual() {
    const QString file = currentHelpFile();
    if (!isHelpFileName(file)) return Load::NotHelpFile;
    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo(file).isFile()) {
        showMessage(FormatMessageText(message("HelpFileMissing"), {shown}));
        return Load::Failed;
    }
    if (!openEngine()) {
        showMessage(FormatMessageText(message("HelpFileDamaged"), {shown}));
        return Load::Failed;
    }
    const QString absolute = QFileInfo(file).absoluteFilePath();
    if (absolute == m_loadedFile && !m_namespace.isEmpty() &&
        m_engine->registeredDocumentations().contains(m_namespace)) {
        return Load::Ready;
    }

    const QString ns = QHelpEngineCore::namespaceName(absolute);
    m_loadedFile.clear();
    m_namespace.clear();
    dropSearch();
    // Only one manual is shown at a time: the previous one (another
    // language, another file) leaves the collection.
    for (const QString& registered : m_engine->registeredDocumentations()) {
        if (registered != ns || m_engine->documentationFileName(registered) != absolute) {
            m_engine->unregisterDocumentation(registered);
        }
    }
    if (ns.isEmpty() ||
        (!m_engine->registeredDocumentations().contains(ns) && !m_engine->registerDocumentation(absolute))) {
        m_engine->setupData();
        makeSearch();
        showMessage(FormatMessageText(message("HelpFileDamaged"), {shown}));
        return Load::Failed;
    }
    m_engine->setupData();
    m_loadedFile = absolute;
    m_namespace = ns;
    makeSearch();
    m_search->reindexDocumentation();
    return Load::Ready;
}

bool HelpWindow::showContents() {
    retranslate();
    const Load load = loadManual();
    if (load == Load::NotHelpFile) return false;
    if (load == Load::Ready) {
        QList<QHelpLink> first = m_engine->documentsForIdentifier(QStringLiteral("contents"));
        QUrl url;
        if (!first.isEmpty()) {
            url = first.first().url;
        } else {
            const QList<QUrl> pages = m_engine->files(m_namespace, QStringList(), QStringLiteral("html"));
            if (!pages.isEmpty()) url = pages.first();
        }
        m_tabs->setCurrentWidget(m_contentsPage);
        if (url.isValid()) showPage(url);
    }
    bringToFront();
    return load == Load::Ready;
}

bool HelpWindow::showContext(int context) {
    retranslate();
    if (context <= 0) return false;
    const Load load = loadManual();
    if (load == Load::NotHelpFile) return false;
    bool shown = false;
    if (load == Load::Ready) {
        const QList<QHelpLink> links = m_engine->documentsForIdentifier(helpIdentifier(context));
        if (links.isEmpty()) {
            showMessage(message("HelpTopicMissing"));
        } else {
            showPage(links.first().url);
            shown = true;
        }
    }
    bringToFront();
    return shown;
}

void HelpWindow::followLanguage(const QString& language) {
    if (language == m_language) return;
    m_language = language;
    if (!isVisible() || m_showingMessage || !m_engine) return;
    const QString page = m_browser->source().path();
    if (loadManual() != Load::Ready) return;
    QUrl url;
    url.setScheme(QStringLiteral("qthelp"));
    url.setHost(m_namespace);
    url.setPath(page);
    if (!m_engine->fileData(url).isEmpty()) {
        m_browser->clearHistory();
        showPage(url);
    } else {
        showContents();
    }
}

void HelpWindow::showPage(const QUrl& url) {
    m_showingMessage = false;
    if (m_browser->source() == url) {
        m_browser->reload();
    } else {
        m_browser->setSource(url);
    }
}

void HelpWindow::showMessage(const QString& text) {
    m_showingMessage = true;
    m_browser->clearHistory();
    m_browser->setHtml(QStringLiteral("<p style=\"margin:24px\">%1</p>").arg(htmlEscaped(text)));
}

QUrl HelpWindow::currentPage() const { return m_showingMessage ? QUrl() : m_browser->source(); }

QString HelpWindow::pageText() const { return m_browser->toPlainText(); }

void HelpWindow::syncContents(const QUrl& page) {
    if (!m_engine || m_showingMessage) return;
    QHelpContentWidget* contents = m_engine->contentWidget();
    const QModelIndex index = findContentsItem(m_engine->contentModel(), QModelIndex(), page);
    if (index.isValid()) {
        contents->setCurrentIndex(index);
        contents->scrollTo(index);
    } else {
        contents->clearSelection();
    }
}

void HelpWindow::followModalDialog() {
    // A modal dialog (the settings, the about box) blocks every window but
    // its own: while one is open the help window becomes one of its windows,
    // and stands alone again when the dialog goes.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == this) return;
    if (modal && modal != m_modal) {
        if (m_modal) m_modal->removeEventFilter(this);
        const QRect frame = geometry();
        const bool placed = isVisible();
        setParent(modal, kHelpWindowFlags);
        if (placed) setGeometry(frame);
        m_modal = modal;
        modal->installEventFilter(this);
    } else if (!modal && parentWidget()) {
        const QRect frame = geometry();
        if (m_modal) m_modal->removeEventFilter(this);
        m_modal = nullptr;
        setParent(nullptr, kHelpWindowFlags);
        setGeometry(frame);
    }
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_modal && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
        const bool open = !isHidden();
        const QRect frame = geometry();
        m_modal->removeEventFilter(this);
        m_modal = nullptr;
        setParent(nullptr, kHelpWindowFlags);
        setGeometry(frame);
        if (open) show();
    }
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::bringToFront() {
    followModalDialog();
    if (!m_placed) {
        // First showing: the middle of the screen.
        m_placed = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - rect().center());
        }
    }
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

}  // namespace ostrel
