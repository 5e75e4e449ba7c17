#pragma once
// A random user for robustness runs: clicks, keys, typed text, menu commands
// and tab switches on whatever window has the input, with a fixed seed. Every
// modal widget is driven too (a few random actions inside, then accepted,
// rejected or closed at random), from a chain of single-shot timers so that a
// nested event loop (a dialog's exec, a fit's event processing) keeps it going.
// A watchdog thread ends the program with the seed and the last actions when
// nothing completes for too long; a crash prints the same before the test
// framework's own report.
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <iterator>
#include <mutex>
#include <random>
#include <thread>

#include "core/common/MessageSink.h"

namespace kurvex::test {

struct MonkeyFigures {
    int actions = 0;    // random actions done (inside modals too)
    int modals = 0;     // modal widgets that appeared and were answered
    int popups = 0;     // menus and lists that popped up
    int messages = 0;   // message boxes of the program (through the sink)
    int questions = 0;  // of those, Yes/No questions
    qint64 milliseconds = 0;
};

class Monkey : public QObject {
    Q_OBJECT

public:
    Monkey(std::uint32_t seed, int hangSeconds);
    ~Monkey() override;

    std::uint32_t Seed() const { return seed_; }
    // A whole number in [low, high], from the seeded generator.
    int Uniform(int low, int high);
    bool Chance(double probability);
    template <class List>
    const auto& Pick(const List& list) {
        return list[Uniform(0, int(std::size(list)) - 1)];
    }

    // The program's main window (it may change when the program restarts).
    std::function<QWidget*()> mainWindow;
    // Widgets and actions the monkey must never use (e.g. the real printer).
    std::function<bool(const QObject*)> excluded;
    // Called on each outermost tick while no modal or popup is open, before
    // the random action; true when it did something instead (a load, a
    // restart). Here the main window may be created or destroyed.
    std::function<bool()> betweenActions;

    // The next modal widget goes to `handler` instead of the random answer
    // when its objectName is `name`; cleared by the next modal either way.
    void Expect(const QString& name, std::function<void(QWidget*)> handler);
    void ClearExpectation();

    // Runs for `milliseconds`, then closes what is open and returns once the
    // outermost event loop is reached again.
    MonkeyFigures Run(int milliseconds);

    // Appends to the ring of the last actions (printed on a hang or crash).
    void Log(const QString& text);
    QStringList LastActions() const;
    // Counts a message box and chooses its answer.
    MessageAnswer AnswerMessage(MessageKind kind, const std::string& text, MessageButtons buttons);

    // The same message box over and over for one action, with that action.
    const QStringList& MessageStorms() const { return storms_; }
    // The message texts shown most often, with their counts.
    QStringList FrequentMessages(int count) const;

    // Texts typed into edits and cells.
    static const QStringList& InterestingTexts();

signals:
    void finished();

private:
    struct ModalState {
        int budget = 0;    // random actions still to do inside before closing
        int attempts = 0;  // closing attempts made
    };

    void Tick();
    void Step(bool outermost);
    void ForgetClosedModals();
    bool HandlePopup();
    void HandleModal(QWidget* modal);
    void CloseModal(QWidget* modal, ModalState& state, bool politely);
    void RandomActionIn(QWidget* window);
    QWidget* ChooseWindow();

    bool ClickButton(QWidget* window);
    bool TriggerMenuAction(QWidget* window);
    bool TypeIntoEdit(QWidget* window);
    bool ChangeCombo(QWidget* window);
    bool SwitchTab(QWidget* window);
    bool WorkOnGrid(QWidget* window);
    void PressKey(QWidget* window);
    bool ClickSomewhere(QWidget* window);
    void ResizeWindow(QWidget* window);

    QList<QWidget*> Usable(QWidget* window) const;
    bool IsExcluded(const QObject* object) const { return excluded && excluded(object); }
    QString Describe(const QObject* object) const;

    void Watch();
    void Progress();

    std::uint32_t seed_;
    std::mt19937 random_;
    int hangSeconds_;
    QElapsedTimer clock_;
    qint64 deadline_ = 0;
    bool running_ = false;
    bool windingDown_ = false;
    int depth_ = 0;
    QHash<QWidget*, ModalState> modals_;
    QList<QPointer<QWidget>> modalKeys_;
    QString expectedName_;
    std::function<void(QWidget*)> expectedHandler_;
    MonkeyFigures figures_;
    QHash<QString, int> messageCounts_;
    QString lastMessage_;
    QString lastAction_;
    QStringList storms_;
    int lastMessageRepeats_ = 0;
    bool trace_ = false;  // KURVEX_MONKEY_TRACE: every action to stderr as it happens

    mutable std::mutex logMutex_;
    QStringList ring_;
    std::atomic<qint64> lastProgress_{0};
    std::atomic<qint64> hardLimit_{0};
    std::atomic<bool> stopWatch_{false};
    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    std::thread watchdog_;
};

// A message sink that answers questions from the monkey's generator and
// logs every message among the last actions.
class MonkeyMessageSink : public MessageSink {
public:
    explicit MonkeyMessageSink(Monkey& monkey) : monkey_(monkey) {}
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
        return monkey_.AnswerMessage(kind, text, buttons);
    }

private:
    Monkey& monkey_;
};

}  // namespace kurvex::test
