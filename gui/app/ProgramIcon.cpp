#include "gui/app/ProgramIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace kurvex::gui {

QIcon ProgramIcon() {
    static const QIcon icon = [] {
        QIcon drawn;
        QSvgRenderer renderer(QStringLiteral(":/kurvex.svg"));
        if (!renderer.isValid()) return drawn;
        for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
            painter.end();
            drawn.addPixmap(pixmap);
        }
        return drawn;
    }();
    return icon;
}

void InstallProgramIcon() { QApplication::setWindowIcon(ProgramIcon()); }

}  // namespace kurvex::gui
