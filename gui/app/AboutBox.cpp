#include "gui/app/AboutBox.h"
#include "gui/app/ProgramIcon.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "core/common/Version.h"

namespace kurvex::gui {

const char* TAboutBox::VersionText() {
    static const std::string text = std::string("Version ") + kProgramVersion;
    return text.c_str();
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(ProgramIcon().pixmap(48, 48));

    auto* name = new QLabel(QStringLiteral("Kurvex"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont = name->font();
    nameFont.setPointSize(nameFont.pointSize() + 6);
    nameFont.setBold(true);
    name->setFont(nameFont);

    auto* version = new QLabel(QString::fromLatin1(VersionText()), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* comments = new QLabel(QStringLiteral("This program is for nonlinear regression analysis. "), this);
    comments->setObjectName(QStringLiteral("Comments"));
    comments->setWordWrap(true);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(comments);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(320, 170)));
}

}  // namespace kurvex::gui
