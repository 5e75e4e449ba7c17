#pragma once
#include <QDialog>

class QPushButton;

namespace kurvex::gui {

// The version box shown at start-up and from the help menu.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    static const char* VersionText();

private:
    QPushButton* OKButton = nullptr;
};

}  // namespace kurvex::gui
