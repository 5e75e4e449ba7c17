#include "gui/regression/Processing.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace kurvex::gui {

TFrmProgress::TFrmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmProgress"));
    setModal(false);
    setWindowModality(Qt::NonModal);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    LblComment = new QLabel(this);
    LblComment->setObjectName(QStringLiteral("LblComment"));
    LblComment->setMinimumWidth(260);

    BitBtn1 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    connect(BitBtn1, &QPushButton::clicked, this, &TFrmProgress::BitBtn1Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar1);
    layout->addWidget(LblComment);
    layout->addLayout(buttons);
    resize(340, 130);
}

void TFrmProgress::StartProgress(const std::string& caption) {
    cancelled_ = false;
    setWindowTitle(QString::fromStdString(caption));
    ProgressBar1->setValue(0);
    LblComment->clear();  // the last run's iteration count does not belong to this one
    show();
    raise();
    ProcessPendingEvents();
}

void TFrmProgress::SetProgress(int percent) {
    ProcessPendingEvents();
    ProgressBar1->setValue(std::clamp(percent, 0, 100));
}

void TFrmProgress::SetComment(const std::string& text) { LblComment->setText(QString::fromStdString(text)); }

void TFrmProgress::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TFrmProgress::FinishProgress() { hide(); }

void TFrmProgress::BitBtn1Click() { cancelled_ = true; }

void TFrmProgress::reject() { BitBtn1Click(); }

}  // namespace kurvex::gui
