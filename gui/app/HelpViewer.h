#pragma once
// The help window over the HTML pages in help/: a table of contents, a
// keyword index with a search box, and look-up by keyword. Each page names
// its keywords in <meta name="keywords" content="a,b,...">; toc.txt lists
// the pages in reading order.
#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

namespace kurvex::gui {

class THelpViewer : public QDialog {
    Q_OBJECT

public:
    explicit THelpViewer(QWidget* parent = nullptr);

    // Reads the pages of `folder` (the program's help folder by default).
    void LoadFolder(const QString& folder);

    // The table of contents, the first page shown.
    void ShowContents();
    // The keyword index with `keyword` typed into its search box.
    void ShowKeywordSearch(const QString& keyword);
    // The page of an exact keyword; otherwise the index filtered by it.
    void ShowKeyword(const QString& keyword);

    // What is shown: the file name of the current page ("" when none).
    QString CurrentPage() const;
    QStringList Keywords() const { return keywordPages_.keys(); }
    QStringList PagesOf(const QString& keyword) const { return keywordPages_.value(keyword); }
    int PageCount() const { return static_cast<int>(pages_.size()); }

    QTabWidget* TabsNavigation = nullptr;
    QListWidget* ListContents = nullptr;
    QLineEdit* EditKeyword = nullptr;
    QListWidget* ListKeywords = nullptr;
    QTextBrowser* Browser = nullptr;

private:
    struct Page {
        QString file;
        QString title;
    };
    void OpenPage(const QString& file);
    // Shows the window in front, usable beside the window that asked for it.
    void Present();
    void FilterKeywords(const QString& text);
    void OpenSelectedKeyword();

    QString folder_;
    QList<Page> pages_;
    QMap<QString, QStringList> keywordPages_;  // keyword -> files, in contents order
};

}  // namespace kurvex::gui
