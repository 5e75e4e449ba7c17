#pragma once
// The busy cursor for a step that may take noticeable time (a large file, a
// large data set), restored however the step ends. Message boxes shown
// meanwhile get the arrow back (GuiMessageSink).
#include <QApplication>
#include <QCursor>

namespace kurvex::gui {

class BusyCursor {
public:
    explicit BusyCursor(Qt::CursorShape shape = Qt::WaitCursor) { QApplication::setOverrideCursor(QCursor(shape)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace kurvex::gui
