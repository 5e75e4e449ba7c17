#include "gui/common/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kurvex::gui {

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), group_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("%1Item%2").arg(objectName()).arg(i));
        group_->addButton(button, i);
        layout->addWidget(button);
    }
    connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::Click);
}

int RadioGroup::ItemIndex() const { return group_->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
    const QSignalBlocker blocker(group_);
    if (index < 0 || index >= Count()) {
        group_->setExclusive(false);
        for (QAbstractButton* button : group_->buttons()) button->setChecked(false);
        group_->setExclusive(true);
        return;
    }
    group_->button(index)->setChecked(true);
}

int RadioGroup::Count() const { return static_cast<int>(group_->buttons().size()); }

QRadioButton* RadioGroup::Item(int index) const { return qobject_cast<QRadioButton*>(group_->button(index)); }

}  // namespace kurvex::gui
