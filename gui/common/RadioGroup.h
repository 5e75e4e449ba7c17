#pragma once
// A titled group of radio buttons addressed by item index.
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace kurvex::gui {

class RadioGroup : public QGroupBox {
    Q_OBJECT

public:
    RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    // Checks item `index` (-1 clears) without emitting Click.
    void SetItemIndex(int index);
    int Count() const;
    QRadioButton* Item(int index) const;

signals:
    // The user (or a test) clicked item `index`.
    void Click(int index);

private:
    QButtonGroup* group_ = nullptr;
};

}  // namespace kurvex::gui
