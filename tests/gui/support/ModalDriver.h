#pragma once
// Answers the modal windows a test drives into: each time a modal widget
// appears, the next handler in the queue gets it and closes it. A modal
// widget that finds the queue empty is rejected and recorded as unexpected,
// so a test never hangs on a forgotten dialog.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>

namespace kurvex::test {

class ModalDriver : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(QWidget* modal)>;

    ModalDriver();
    ~ModalDriver() override;

    // Queues a handler for the next modal widget.
    void Then(Handler handler) { handlers_.push_back(std::move(handler)); }
    // Queues "accept the next modal whose objectName is `name`".
    void ThenAccept(const QString& name);

    // objectNames of the modal widgets seen, in order.
    const QStringList& Seen() const { return seen_; }
    const QStringList& Unexpected() const { return unexpected_; }
    bool Idle() const { return handlers_.empty(); }

private:
    void Poll();

    QTimer timer_;
    std::deque<Handler> handlers_;
    QPointer<QWidget> handled_;
    QStringList seen_;
    QStringList unexpected_;
};

// Clicks the child button `name` of `parent` (by objectName).
void ClickButton(QWidget* parent, const QString& name);

}  // namespace kurvex::test
