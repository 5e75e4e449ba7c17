#include "gui/app/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "gui/app/AppFolders.h"

namespace kurvex::gui {

namespace {

QString ReadText(const QString& path) { return ReadHelpText(path); }

QString Capture(const QString& html, const QString& pattern) {
    const QRegularExpression expression(
        pattern, QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = expression.match(html);
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

}  // namespace

THelpViewer::THelpViewer(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Kurvex ヘルプ"));
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    TabsNavigation = new QTabWidget(this);
    TabsNavigation->setObjectName(QStringLiteral("TabsNavigation"));
    ListContents = new QListWidget;
    ListContents->setObjectName(QStringLiteral("ListContents"));
    TabsNavigation->addTab(ListContents, QStringLiteral("目次"));

    auto* keywordPage = new QWidget;
    auto* keywordLayout = new QVBoxLayout(keywordPage);
    auto* prompt = new QLabel(QStringLiteral("キーワードを入力して下さい："), keywordPage);
    EditKeyword = new QLineEdit(keywordPage);
    EditKeyword->setObjectName(QStringLiteral("EditKeyword"));
    prompt->setBuddy(EditKeyword);
    ListKeywords = new QListWidget(keywordPage);
    ListKeywords->setObjectName(QStringLiteral("ListKeywords"));
    keywordLayout->addWidget(prompt);
    keywordLayout->addWidget(EditKeyword);
    keywordLayout->addWidget(ListKeywords, 1);
    TabsNavigation->addTab(keywordPage, QStringLiteral("キーワード"));

    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenLinks(false);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(TabsNavigation);
    splitter->addWidget(Browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 560});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);
    resize(820, 600);

    connect(ListContents, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < pages_.size()) OpenPage(pages_[row].file);
    });
    connect(EditKeyword, &QLineEdit::textChanged, this, &THelpViewer::FilterKeywords);
    connect(EditKeyword, &QLineEdit::returnPressed, this, &THelpViewer::OpenSelectedKeyword);
    connect(ListKeywords, &QListWidget::itemActivated, this, &THelpViewer::OpenSelectedKeyword);
    connect(ListKeywords, &QListWidget::itemClicked, this, &THelpViewer::OpenSelectedKeyword);
    connect(Browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() && url.path().endsWith(QStringLiteral(".html"))) {
            OpenPage(url.path());
            if (!url.fragment().isEmpty()) Browser->scrollToAnchor(url.fragment());
        } else if (url.isRelative() && url.path().isEmpty() && !url.fragment().isEmpty()) {
            Browser->scrollToAnchor(url.fragment());
        }
    });

    LoadFolder(HelpFolder());
}

void THelpViewer::LoadFolder(const QString& folder) {
    folder_ = folder;
    pages_.clear();
    keywordPages_.clear();
    ListContents->clear();
    if (folder.isEmpty()) return;
    Browser->setSearchPaths({folder});
    const QStringList lines = ReadText(folder + QStringLiteral("/toc.txt")).split('\n');
    for (const QString& line : lines) {
        const QString file = line.trimmed();
        if (file.isEmpty() || file.startsWith('#')) continue;
        const QString html = ReadText(folder + "/" + file);
        if (html.isEmpty()) continue;
        Page page{file, Capture(html, QStringLiteral("<title>(.*?)</title>"))};
        if (page.title.isEmpty()) page.title = file;
        pages_.append(page);
        ListContents->addItem(page.title);
        const QString keywords = Capture(html, QStringLiteral("<meta\\s+name=\"keywords\"\\s+content=\"([^\"]*)\""));
        for (const QString& keyword : keywords.split(',', Qt::SkipEmptyParts)) {
            QStringList& files = keywordPages_[keyword.trimmed()];
            if (!files.contains(file)) files.append(file);
        }
    }
    FilterKeywords(EditKeyword->text());
}

void THelpViewer::OpenPage(const QString& file) {
    Browser->setSource(QUrl(file));
    for (int i = 0; i < pages_.size(); ++i) {
        if (pages_[i].file == file && ListContents->currentRow() != i) {
            const QSignalBlocker blocker(ListContents);
            ListContents->setCurrentRow(i);
        }
    }
}

QString THelpViewer::CurrentPage() const { return Browser->source().path(); }

void THelpViewer::ShowContents() {
    TabsNavigation->setCurrentIndex(0);
    if (!pages_.isEmpty()) OpenPage(pages_.front().file);
    Present();
}

void THelpViewer::ShowKeywordSearch(const QString& keyword) {
    TabsNavigation->setCurrentIndex(1);
    EditKeyword->setText(keyword);
    FilterKeywords(keyword);
    Present();
    EditKeyword->setFocus();
}

void THelpViewer::ShowKeyword(const QString& keyword) {
    const auto found = keywordPages_.constFind(keyword);
    if (found == keywordPages_.cend() || found->isEmpty()) {
        ShowKeywordSearch(keyword);
        return;
    }
    TabsNavigation->setCurrentIndex(1);
    {
        const QSignalBlocker blocker(EditKeyword);
        EditKeyword->setText(keyword);
    }
    FilterKeywords(keyword);
    OpenPage(found->front());
    Present();
}

void THelpViewer::Present() {
    // Asked for from a modal window, the viewer is made that window's own:
    // otherwise the modal window would block it, and the page could not be
    // read or scrolled until that window closed.
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr || owner == this) owner = parentWidget();
    show();
    if (owner != nullptr && windowHandle() != nullptr && owner->window()->windowHandle() != nullptr)
        windowHandle()->setTransientParent(owner->window()->windowHandle());
    raise();
    activateWindow();
}

void THelpViewer::FilterKeywords(const QString& text) {
    ListKeywords->clear();
    const QString wanted = text.trimmed();
    for (auto it = keywordPages_.cbegin(); it != keywordPages_.cend(); ++it)
        if (wanted.isEmpty() || it.key().contains(wanted, Qt::CaseInsensitive)) ListKeywords->addItem(it.key());
    if (ListKeywords->count() > 0) ListKeywords->setCurrentRow(0);
}

void THelpViewer::OpenSelectedKeyword() {
    const QListWidgetItem* item = ListKeywords->currentItem();
    if (!item) return;
    const QStringList files = keywordPages_.value(item->text());
    if (!files.isEmpty()) OpenPage(files.front());
}

}  // namespace kurvex::gui
