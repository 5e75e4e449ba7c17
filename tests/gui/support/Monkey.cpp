#include "tests/gui/support/Monkey.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <pthread.h>
#include <unistd.h>
#endif

namespace kurvex::test {

namespace {

constexpr int kTickMilliseconds = 2;
constexpr int kRingSize = 20;
constexpr int kMaxNesting = 8;  // deeper than this, open modals are only closed
constexpr int kMessageStorm = 30;

// The last actions as plain bytes, for the crash handler (no allocation there).
char g_crashText[16384];
std::atomic<int> g_crashLength{0};
#if defined(Q_OS_UNIX)
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction g_previous[std::size(kCrashSignals)];

void OnCrash(int signal) {
    const int length = g_crashLength.load();
    if (length > 0) [[maybe_unused]]
        auto written = ::write(2, g_crashText, static_cast<size_t>(length));
    for (std::size_t i = 0; i < std::size(kCrashSignals); ++i)
        if (kCrashSignals[i] == signal) sigaction(signal, &g_previous[i], nullptr);
    raise(signal);  // on to the test framework's handler, which prints the stack
}

pthread_t g_mainThread;
#endif

QtMessageHandler g_previousHandler = nullptr;

// The offscreen platform says so for every raise, grab and size hint: noise here.
void FilterPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support"))) return;
    if (g_previousHandler) g_previousHandler(type, context, message);
}

qint64 NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString Shortened(const QString& text) {
    QString shown = text.left(40);
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    if (text.size() > 40) shown += QStringLiteral("...(%1 chars)").arg(text.size());
    return shown;
}

bool HasSurrogates(const QString& text) {
    for (QChar c : text)
        if (c.isSurrogate()) return true;
    return false;
}

// Key by key; characters outside Latin-1 come as key events with their text,
// as an input method delivers them.
void TypeText(QWidget* widget, const QString& text) {
    QPointer<QWidget> target(widget);
    for (QChar c : text) {
        if (!target || !target->isVisible()) return;  // a Return may have closed a cell editor
        if (c.unicode() > 0 && c.unicode() < 0x100 && c.isPrint()) QTest::keyClick(target, char(c.unicode()));
        else if (c == QLatin1Char('\n')) QTest::keyClick(target, Qt::Key_Return);
        else if (c == QLatin1Char('\t')) QTest::keyClick(target, Qt::Key_Tab);
        else QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Text goes in as a user types or pastes it: through the edit's validator.
void Enter(QLineEdit* edit, const QString& text, bool replace, bool typeIt) {
    if (replace) edit->selectAll();
    else edit->end(false);
    if (typeIt && text.size() <= 40 && !HasSurrogates(text)) TypeText(edit, text);
    else edit->insert(text);
}

struct KeyChoice {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* name;
};

const KeyChoice kKeys[] = {
    {Qt::Key_Return, Qt::NoModifier, "Return"},
    {Qt::Key_Enter, Qt::NoModifier, "Enter"},
    {Qt::Key_Escape, Qt::NoModifier, "Esc"},
    {Qt::Key_Tab, Qt::NoModifier, "Tab"},
    {Qt::Key_Backtab, Qt::ShiftModifier, "Shift+Tab"},
    {Qt::Key_Delete, Qt::NoModifier, "Delete"},
    {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
    {Qt::Key_Up, Qt::NoModifier, "Up"},
    {Qt::Key_Down, Qt::NoModifier, "Down"},
    {Qt::Key_Left, Qt::NoModifier, "Left"},
    {Qt::Key_Right, Qt::NoModifier, "Right"},
    {Qt::Key_Home, Qt::NoModifier, "Home"},
    {Qt::Key_End, Qt::NoModifier, "End"},
    {Qt::Key_PageUp, Qt::NoModifier, "PageUp"},
    {Qt::Key_PageDown, Qt::NoModifier, "PageDown"},
    {Qt::Key_Space, Qt::NoModifier, "Space"},
    {Qt::Key_F1, Qt::NoModifier, "F1"},
    {Qt::Key_F2, Qt::NoModifier, "F2"},
    {Qt::Key_Insert, Qt::NoModifier, "Insert"},
    {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
    {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
    {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"},
    {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
    {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
    {Qt::Key_Down, Qt::ShiftModifier, "Shift+Down"},
    {Qt::Key_End, Qt::ControlModifier, "Ctrl+End"},
    {Qt::Key_1, Qt::NoModifier, "1"},
    {Qt::Key_Minus, Qt::NoModifier, "-"},
    {Qt::Key_Period, Qt::NoModifier, "."},
    {Qt::Key_E, Qt::NoModifier, "e"},
};

}  // namespace

const QStringList& Monkey::InterestingTexts() {
    static const QStringList texts = [] {
        QStringList list{
            QString(),
            QStringLiteral("0"),
            QStringLiteral("1"),
            QStringLiteral("-1"),
            QStringLiteral("3.14"),
            QStringLiteral("1E400"),
            QStringLiteral("-1E400"),
            QStringLiteral("1E-400"),
            QStringLiteral("NaN"),
            QStringLiteral("inf"),
            QStringLiteral("-0"),
            QStringLiteral("1e308"),
            QStringLiteral("2147483648"),
            QStringLiteral("-2147483649"),
            QStringLiteral("99999999999999999999"),
            QStringLiteral("0.000001"),
            QStringLiteral("1,5"),
            QStringLiteral("１２３"),
            QStringLiteral("C0+C1*X1"),
            QStringLiteral("C0*EXP(-C1*X1)"),
            QStringLiteral("C0/(C1+X1)"),
            QStringLiteral("C0*X1^C1"),
            QStringLiteral("SIN("),
            QStringLiteral("(((((("),
            QStringLiteral("1/0"),
            QStringLiteral("LOG(-1)"),
            QStringLiteral("C50*X9"),
            QStringLiteral("X1+X2+X3+X4"),
            QStringLiteral("abc"),
            QStringLiteral("="),
            QStringLiteral("[Main Form]"),
            QStringLiteral("a=b"),
            QStringLiteral("\"quoted\""),
            QStringLiteral("%s%n%d"),
            QStringLiteral("../../x"),
            QStringLiteral(" "),
            QStringLiteral("\t"),
            QStringLiteral("1\n2"),
            QStringLiteral("日本語の文字列"),
            QStringLiteral("ｶﾀｶﾅ"),
            QStringLiteral("回帰分析"),
            QStringLiteral("😀"),
            QStringLiteral("+"),
            QStringLiteral("."),
            QStringLiteral("E5"),
            QStringLiteral("0x1F"),
            QStringLiteral("1;2;3"),
        };
        list << QString(3000, QLatin1Char('9'));
        list << QStringLiteral("C0+C1*X1").repeated(100);
        list << QStringLiteral("あ").repeated(600);
        return list;
    }();
    return texts;
}

Monkey::Monkey(std::uint32_t seed, int hangSeconds)
    : seed_(seed), random_(seed), hangSeconds_(hangSeconds), trace_(qEnvironmentVariableIsSet("KURVEX_MONKEY_TRACE")) {
#if defined(Q_OS_UNIX)
    g_mainThread = pthread_self();
    for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) {
        struct sigaction action {};
        action.sa_handler = OnCrash;
        sigemptyset(&action.sa_mask);
        sigaction(kCrashSignals[i], &action, &g_previous[i]);
    }
#endif
    g_previousHandler = qInstallMessageHandler(FilterPlatformNoise);
    Log(QStringLiteral("start"));
    watchdog_ = std::thread([this] { Watch(); });
}

Monkey::~Monkey() {
    {
        std::lock_guard lock(watchMutex_);
        stopWatch_ = true;
    }
    watchWake_.notify_all();
    watchdog_.join();
#if defined(Q_OS_UNIX)
    for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) sigaction(kCrashSignals[i], &g_previous[i], nullptr);
#endif
    g_crashLength = 0;
    qInstallMessageHandler(g_previousHandler);
}

int Monkey::Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

bool Monkey::Chance(double probability) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < probability;
}

void Monkey::Expect(const QString& name, std::function<void(QWidget*)> handler) {
    expectedName_ = name;
    expectedHandler_ = std::move(handler);
}

void Monkey::ClearExpectation() {
    expectedName_.clear();
    expectedHandler_ = nullptr;
}

void Monkey::Log(const QString& text) {
    std::lock_guard lock(logMutex_);
    if (!text.startsWith(QLatin1String("message")) && !text.startsWith(QLatin1String("  ..."))) {
        lastMessage_.clear();
        lastAction_ = text;
    }
    ring_ << QStringLiteral("[%1 ms] %2").arg(clock_.isValid() ? clock_.elapsed() : 0).arg(text);
    if (trace_) std::fprintf(stderr, "monkey %s\n", qPrintable(ring_.last()));
    // A repeated-message line replaces the previous one of its kind.
    if (text.startsWith(QLatin1String("  ...")) && ring_.size() >= 2 &&
        ring_[ring_.size() - 2].contains(QLatin1String("the same message")))
        ring_.removeAt(ring_.size() - 2);
    while (ring_.size() > kRingSize) ring_.removeFirst();
    QByteArray crash = QByteArrayLiteral("\n*** GUI robustness run, seed ") + QByteArray::number(seed_) +
                       QByteArrayLiteral(", last actions (oldest first):\n");
    for (const QString& line : ring_) crash += "  " + line.toUtf8() + '\n';
    const int length = int(std::min<qsizetype>(crash.size(), sizeof g_crashText));
    g_crashLength = 0;
    std::memcpy(g_crashText, crash.constData(), static_cast<size_t>(length));
    g_crashLength = length;
}

QStringList Monkey::LastActions() const {
    std::lock_guard lock(logMutex_);
    return ring_;
}

MessageAnswer Monkey::AnswerMessage(MessageKind kind, const std::string& text, MessageButtons buttons) {
    ++figures_.messages;
    const QString shown = QString::fromStdString(text);
    ++messageCounts_[shown];
    MessageAnswer answer = MessageAnswer::Ok;
    if (buttons == MessageButtons::YesNo) {
        ++figures_.questions;
        answer = Chance(0.5) ? MessageAnswer::Yes : MessageAnswer::No;
    } else if (shown == lastMessage_) {
        // The same box again and again: one line in the ring, with its count.
        ++lastMessageRepeats_;
        // Dozens of boxes in a row, each to be clicked away, leave a user no way on.
        if (lastMessageRepeats_ == kMessageStorm)
            storms_ << QStringLiteral("\"%1\" shown %2 times in a row after: %3")
                           .arg(Shortened(shown))
                           .arg(kMessageStorm)
                           .arg(lastAction_);
        if (lastMessageRepeats_ == 2 || lastMessageRepeats_ % 100 == 0)
            Log(QStringLiteral("  ... the same message %1 times in a row").arg(lastMessageRepeats_));
        return answer;
    }
    lastMessage_ = shown;
    lastMessageRepeats_ = 1;
    Log(QStringLiteral("message (%1): %2 -> %3")
            .arg(QString::fromLatin1(MessageKindName(kind)), Shortened(QString::fromStdString(text)),
                 answer == MessageAnswer::Yes  ? QStringLiteral("Yes")
                 : answer == MessageAnswer::No ? QStringLiteral("No")
                                               : QStringLiteral("OK")));
    return answer;
}

QStringList Monkey::FrequentMessages(int count) const {
    QList<QPair<int, QString>> sorted;
    for (auto it = messageCounts_.begin(); it != messageCounts_.end(); ++it) sorted.append({it.value(), it.key()});
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList lines;
    for (int i = 0; i < count && i < sorted.size(); ++i)
        lines << QStringLiteral("%1 x %2").arg(sorted[i].first).arg(Shortened(sorted[i].second));
    return lines;
}

QString Monkey::Describe(const QObject* object) const {
    if (!object) return QStringLiteral("(gone)");
    QString text = QString::fromLatin1(object->metaObject()->className());
    if (!object->objectName().isEmpty()) text += QLatin1Char('/') + object->objectName();
    if (const auto* action = qobject_cast<const QAction*>(object)) text += QLatin1Char(' ') + action->text();
    else if (const auto* button = qobject_cast<const QAbstractButton*>(object))
        text += QLatin1Char(' ') + button->text();
    if (const auto* widget = qobject_cast<const QWidget*>(object); widget && !widget->isWindow())
        text += QStringLiteral(" in ") + widget->window()->metaObject()->className() + QLatin1Char('/') +
                widget->window()->objectName();
    return text;
}

MonkeyFigures Monkey::Run(int milliseconds) {
    clock_.start();
    deadline_ = milliseconds;
    running_ = true;
    windingDown_ = false;
    lastProgress_ = NowMs();
    // The whole run, winding down included, must end in time too.
    hardLimit_ = NowMs() + milliseconds + qint64(hangSeconds_) * 1000;
    Log(QStringLiteral("run for %1 ms").arg(milliseconds));
    QEventLoop loop;
    connect(this, &Monkey::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, this, &Monkey::Tick);
    loop.exec();
    figures_.milliseconds = clock_.elapsed();
    hardLimit_ = 0;
    Log(QStringLiteral("run ended"));
    return figures_;
}

void Monkey::Progress() { lastProgress_ = NowMs(); }

void Monkey::Tick() {
    if (!running_) return;
    // The next tick is queued first: this one's action may open a modal
    // window whose event loop must keep the monkey going.
    QTimer::singleShot(kTickMilliseconds, this, &Monkey::Tick);
    const bool outermost = depth_ == 0;
    ++depth_;
    Step(outermost);
    --depth_;
    Progress();
}

void Monkey::Step(bool outermost) {
    if (!windingDown_ && clock_.elapsed() >= deadline_) {
        windingDown_ = true;
        Log(QStringLiteral("time is up: closing what is open"));
    }
    ForgetClosedModals();
    if (HandlePopup()) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible()) {
        HandleModal(modal);
        return;
    }
    if (windingDown_) {
        // A running computation is cancelled through its progress window.
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (dialog && dialog->isVisible() && (!mainWindow || dialog != mainWindow())) {
                Log(QStringLiteral("reject modeless ") + Describe(dialog));
                dialog->reject();
            }
        }
        if (outermost) {
            running_ = false;
            emit finished();
        }
        return;
    }
    if (outermost && betweenActions && betweenActions()) return;
    if (QWidget* window = ChooseWindow()) RandomActionIn(window);
}

bool Monkey::HandlePopup() {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup) return false;
    ++figures_.popups;
    auto closeAll = [] {
        for (int guard = 0; guard < 10 && QApplication::activePopupWidget(); ++guard)
            QApplication::activePopupWidget()->close();
    };
    if (windingDown_) {
        Log(QStringLiteral("close popup ") + Describe(popup));
        closeAll();
        return true;
    }
    if (auto* menu = qobject_cast<QMenu*>(popup)) {
        QList<QAction*> candidates;
        for (QAction* action : menu->actions())
            if (action->isVisible() && action->isEnabled() && !action->isSeparator() && !action->menu() &&
                !IsExcluded(action))
                candidates << action;
        if (!candidates.isEmpty() && Chance(0.6)) {
            QPointer<QAction> action = Pick(candidates);
            Log(QStringLiteral("popup menu item ") + Describe(action));
            closeAll();
            if (action) action->trigger();
        } else {
            Log(QStringLiteral("close popup ") + Describe(popup));
            closeAll();
        }
        return true;
    }
    // A combo box's list and the like: choose by keys or leave it.
    QPointer<QWidget> target = popup->focusWidget() ? popup->focusWidget() : popup;
    if (Chance(0.5)) {
        Log(QStringLiteral("popup Down, Return in ") + Describe(popup));
        QTest::keyClick(target, Qt::Key_Down);
        if (target) QTest::keyClick(target, Qt::Key_Return);
    } else {
        Log(QStringLiteral("popup Esc in ") + Describe(popup));
        QTest::keyClick(target, Qt::Key_Escape);
    }
    if (QApplication::activePopupWidget() == popup) closeAll();
    return true;
}

void Monkey::ForgetClosedModals() {
    // A window shown again later is a new modal, with a new budget.
    modalKeys_.removeIf([](const QPointer<QWidget>& key) { return !key || !key->isVisible(); });
    for (auto it = modals_.begin(); it != modals_.end();) {
        bool alive = false;
        for (const auto& key : modalKeys_) alive = alive || key.data() == it.key();
        it = alive ? std::next(it) : modals_.erase(it);
    }
}

void Monkey::HandleModal(QWidget* modal) {
    if (!modals_.contains(modal)) {
        ++figures_.modals;
        modalKeys_ << modal;
        ModalState& state = modals_[modal];
        state.budget = Chance(0.35) ? 0 : Uniform(1, 8);
        Log(QStringLiteral("modal ") + Describe(modal) + QStringLiteral(" \"") + modal->windowTitle() +
            QStringLiteral("\""));
        if (expectedHandler_) {
            auto handler = std::move(expectedHandler_);
            const QString name = expectedName_;
            ClearExpectation();
            if (modal->objectName() == name) {
                Log(QStringLiteral("answer as expected"));
                handler(modal);
                return;
            }
        }
        // Printing and real file dialogs never get a random answer: no paper
        // and no file outside the run's folder.
        if (modal->inherits("QPrintPreviewDialog") || modal->inherits("QAbstractPrintDialog") ||
            modal->inherits("QPageSetupDialog") || modal->inherits("QFileDialog")) {
            Log(QStringLiteral("reject at once"));
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            else modal->close();
            return;
        }
    }
    ModalState& state = modals_[modal];
    if (windingDown_ || depth_ > kMaxNesting) CloseModal(modal, state, false);
    else if (state.budget > 0) {
        --state.budget;
        RandomActionIn(modal);
    } else {
        CloseModal(modal, state, true);
    }
}

void Monkey::CloseModal(QWidget* modal, ModalState& state, bool politely) {
    const int attempt = ++state.attempts;
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (politely && attempt <= 3) {
        // Only what a user can do: a button, Return for the default button,
        // Esc, the window's close box. (QDialog::accept itself would skip the
        // checks a window makes before it lets an OK through.)
        switch (Uniform(0, 5)) {
            case 0:
            case 1:
            case 2:
                if (ClickButton(modal)) return;
                Log(QStringLiteral("no button: reject ") + Describe(modal));
                if (dialog) dialog->reject();
                else modal->close();
                return;
            case 3:
                Log(QStringLiteral("Return in ") + Describe(modal));
                QTest::keyClick(modal, Qt::Key_Return);
                return;
            case 4:
                Log(QStringLiteral("Esc in ") + Describe(modal));
                QTest::keyClick(modal, Qt::Key_Escape);
                return;
            default:
                Log(QStringLiteral("close ") + Describe(modal));
                modal->close();
                return;
        }
    }
    // Not closed by now (or no time left): firmer each time.
    if (attempt <= 6) {
        Log(QStringLiteral("reject (attempt %1) ").arg(attempt) + Describe(modal));
        if (dialog) dialog->reject();
        else modal->close();
    } else if (attempt <= 9) {
        Log(QStringLiteral("close (attempt %1) ").arg(attempt) + Describe(modal));
        modal->close();
    } else {
        Log(QStringLiteral("hide (attempt %1) ").arg(attempt) + Describe(modal));
        qWarning("GUI robustness: %s would not close", qPrintable(Describe(modal)));
        if (dialog) dialog->done(QDialog::Rejected);
        modal->hide();
    }
}

QWidget* Monkey::ChooseWindow() {
    QWidget* main = mainWindow ? mainWindow() : nullptr;
    QList<QWidget*> others;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top == main || !top->isVisible()) continue;
        const Qt::WindowType type = top->windowType();
        if (type == Qt::ToolTip || type == Qt::Popup || type == Qt::Desktop) continue;
        others << top;
    }
    if (main && main->isVisible() && (others.isEmpty() || Chance(0.8))) return main;
    return others.isEmpty() ? nullptr : Pick(others);
}

QList<QWidget*> Monkey::Usable(QWidget* window) const {
    QList<QWidget*> widgets;
    for (QWidget* widget : window->findChildren<QWidget*>())
        if (widget->isVisible() && widget->isEnabled() && widget->window() == window && !IsExcluded(widget))
            widgets << widget;
    return widgets;
}

void Monkey::RandomActionIn(QWidget* window) {
    ++figures_.actions;
    const int roll = Uniform(0, 99);
    bool done = false;
    if (roll < 18) done = ClickButton(window);
    else if (roll < 32) done = TriggerMenuAction(window);
    else if (roll < 46) done = TypeIntoEdit(window);
    else if (roll < 53) done = ChangeCombo(window);
    else if (roll < 59) done = SwitchTab(window);
    else if (roll < 72) done = WorkOnGrid(window);
    else if (roll < 85) {
        PressKey(window);
        done = true;
    } else if (roll < 98) done = ClickSomewhere(window);
    else {
        ResizeWindow(window);
        done = true;
    }
    if (!done) PressKey(window);
}

bool Monkey::ClickButton(QWidget* window) {
    QList<QAbstractButton*> buttons;
    for (QWidget* widget : Usable(window))
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) buttons << button;
    if (buttons.isEmpty()) return false;
    QPointer<QAbstractButton> button = Pick(buttons);
    Log(QStringLiteral("click ") + Describe(button));
    if (Chance(0.3)) QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    else button->click();
    return true;
}

bool Monkey::TriggerMenuAction(QWidget* window) {
    auto* main = qobject_cast<QMainWindow*>(window);
    if (!main || !main->menuWidget() || !main->menuBar()->isEnabled()) return false;
    QList<QAction*> candidates;
    std::function<void(const QList<QAction*>&)> collect = [&](const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            if (!action->isVisible() || !action->isEnabled() || action->isSeparator() || IsExcluded(action)) continue;
            if (QMenu* menu = action->menu()) {
                if (menu->isEnabled()) collect(menu->actions());
            } else {
                candidates << action;
            }
        }
    };
    collect(main->menuBar()->actions());
    if (candidates.isEmpty()) return false;
    QPointer<QAction> action = Pick(candidates);
    Log(QStringLiteral("menu ") + Describe(action));
    action->trigger();
    return true;
}

bool Monkey::TypeIntoEdit(QWidget* window) {
    QList<QWidget*> edits;
    for (QWidget* widget : Usable(window)) {
        if (auto* line = qobject_cast<QLineEdit*>(widget); line && !line->isReadOnly()) edits << widget;
        else if (auto* text = qobject_cast<QTextEdit*>(widget); text && !text->isReadOnly()) edits << widget;
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget); plain && !plain->isReadOnly()) edits << widget;
    }
    if (edits.isEmpty()) return false;
    QPointer<QWidget> edit = Pick(edits);
    const QString text = Pick(InterestingTexts());
    const bool replace = Chance(0.7);
    const bool typeIt = Chance(0.5);
    Log(QStringLiteral("type \"%1\" into ").arg(Shortened(text)) + Describe(edit));
    if (auto* line = qobject_cast<QLineEdit*>(edit)) Enter(line, text, replace, typeIt);
    else if (auto* rich = qobject_cast<QTextEdit*>(edit)) {
        if (replace) rich->selectAll();
        rich->insertPlainText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(edit)) {
        if (replace) plain->selectAll();
        plain->insertPlainText(text);
    }
    const int after = Uniform(0, 9);
    if (edit && !edit->isVisible()) return true;
    if (edit && after < 4) {
        Log(QStringLiteral("Return"));
        QTest::keyClick(edit, Qt::Key_Return);
    } else if (edit && after < 6) {
        Log(QStringLiteral("Tab"));
        QTest::keyClick(edit, Qt::Key_Tab);
    }
    return true;
}

bool Monkey::ChangeCombo(QWidget* window) {
    QList<QComboBox*> combos;
    for (QWidget* widget : Usable(window))
        if (auto* combo = qobject_cast<QComboBox*>(widget)) combos << combo;
    if (combos.isEmpty()) return false;
    QPointer<QComboBox> combo = Pick(combos);
    const int roll = Uniform(0, 9);
    if (roll < 6) {
        static const Qt::Key keys[] = {Qt::Key_Up,   Qt::Key_Down, Qt::Key_Down,
                                       Qt::Key_Home, Qt::Key_End,  Qt::Key_PageDown};
        const int presses = Uniform(1, 3);
        for (int i = 0; i < presses && combo; ++i) {
            const Qt::Key key = Pick(keys);
            Log(QStringLiteral("key %1 on ").arg(int(key), 0, 16) + Describe(combo));
            QTest::keyClick(combo, key);
        }
    } else if (roll < 8 && combo->isEditable() && combo->lineEdit()) {
        const QString text = Pick(InterestingTexts());
        Log(QStringLiteral("type \"%1\" into ").arg(Shortened(text)) + Describe(combo));
        Enter(combo->lineEdit(), text, true, Chance(0.5));
        if (combo) QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    } else {
        Log(QStringLiteral("open list of ") + Describe(combo));
        QTest::mouseClick(combo, Qt::LeftButton, {}, combo->rect().center());
    }
    return true;
}

bool Monkey::SwitchTab(QWidget* window) {
    QList<QPair<QTabBar*, int>> tabs;
    for (QWidget* widget : Usable(window))
        if (auto* bar = qobject_cast<QTabBar*>(widget))
            for (int i = 0; i < bar->count(); ++i)
                if (bar->isTabVisible(i) && bar->isTabEnabled(i)) tabs.append({bar, i});
    if (tabs.isEmpty()) return false;
    const auto [bar, index] = Pick(tabs);
    Log(QStringLiteral("tab %1 \"%2\" of ").arg(index).arg(bar->tabText(index)) + Describe(bar));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    return true;
}

bool Monkey::WorkOnGrid(QWidget* window) {
    QList<QAbstractItemView*> views;
    for (QWidget* widget : Usable(window))
        if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model() &&
                                                                   view->model()->rowCount(view->rootIndex()) > 0 &&
                                                                   view->model()->columnCount(view->rootIndex()) > 0)
            views << view;
    if (views.isEmpty()) return false;
    QPointer<QAbstractItemView> view = Pick(views);
    QAbstractItemModel* model = view->model();
    const int row = Uniform(0, model->rowCount(view->rootIndex()) - 1);
    const int column = Uniform(0, model->columnCount(view->rootIndex()) - 1);
    const QModelIndex index = model->index(row, column, view->rootIndex());
    view->scrollTo(index);
    const QRect rect = view->visualRect(index);
    Log(QStringLiteral("cell (%1, %2) of ").arg(row).arg(column) + Describe(view));
    if (rect.isValid() && view->viewport()->rect().contains(rect.center()))
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    else view->setCurrentIndex(index);
    if (!view) return true;
    const int roll = Uniform(0, 99);
    if (roll < 40) {
        // Edit the cell as F2 or a double click would, then commit with Return.
        const QString text = Pick(InterestingTexts());
        QTest::keyClick(view, Qt::Key_F2);
        if (!view) return true;
        QLineEdit* editor = nullptr;
        for (QLineEdit* line : view->viewport()->findChildren<QLineEdit*>())
            if (line->isVisible()) editor = line;
        if (editor) {
            Log(QStringLiteral("edit cell with \"%1\"").arg(Shortened(text)));
            QPointer<QLineEdit> guard(editor);
            Enter(editor, text, Chance(0.8), Chance(0.5));
            if (guard && guard->isVisible()) QTest::keyClick(guard, Chance(0.85) ? Qt::Key_Return : Qt::Key_Escape);
        } else if (!text.isEmpty() && text.size() <= 20 && !HasSurrogates(text)) {
            Log(QStringLiteral("type \"%1\" on the grid").arg(Shortened(text)));
            TypeText(view, text);
        }
    } else if (roll < 55) {
        Log(QStringLiteral("Delete on the grid"));
        QTest::keyClick(view, Chance(0.7) ? Qt::Key_Delete : Qt::Key_Backspace);
    } else if (roll < 65) {
        Log(QStringLiteral("double click on the cell"));
        if (rect.isValid()) QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    } else if (roll < 75) {
        const bool paste = Chance(0.5);
        Log(paste ? QStringLiteral("Ctrl+V on the grid") : QStringLiteral("Ctrl+C on the grid"));
        QTest::keyClick(view, paste ? Qt::Key_V : Qt::Key_C, Qt::ControlModifier);
    } else if (roll < 90) {
        static const Qt::Key keys[] = {Qt::Key_Up,       Qt::Key_Down, Qt::Key_Left, Qt::Key_Right,
                                       Qt::Key_PageDown, Qt::Key_End,  Qt::Key_Home};
        const Qt::Key key = Pick(keys);
        Log(QStringLiteral("key %1 on the grid").arg(int(key), 0, 16));
        QTest::keyClick(view, key, Chance(0.2) ? Qt::ShiftModifier : Qt::NoModifier);
    }
    return true;
}

void Monkey::PressKey(QWidget* window) {
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != window || Chance(0.4)) {
        const QList<QWidget*> widgets = Usable(window);
        target = widgets.isEmpty() ? window : Pick(widgets);
    }
    const KeyChoice& key = Pick(kKeys);
    Log(QStringLiteral("key %1 on ").arg(QString::fromLatin1(key.name)) + Describe(target));
    QTest::keyClick(target, key.key, key.modifiers);
}

bool Monkey::ClickSomewhere(QWidget* window) {
    const QList<QWidget*> widgets = Usable(window);
    if (widgets.isEmpty()) return false;
    QWidget* target = Pick(widgets);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target)) target = area->viewport();
    if (target->width() <= 0 || target->height() <= 0) return false;
    const QPoint point(Uniform(0, target->width() - 1), Uniform(0, target->height() - 1));
    const bool twice = Chance(0.2);
    Log(QStringLiteral("%1 at (%2, %3) on ")
            .arg(twice ? QStringLiteral("double click") : QStringLiteral("click"))
            .arg(point.x())
            .arg(point.y()) +
        Describe(target));
    if (twice) QTest::mouseDClick(target, Qt::LeftButton, {}, point);
    else QTest::mouseClick(target, Qt::LeftButton, {}, point);
    return true;
}

void Monkey::ResizeWindow(QWidget* window) {
    const QSize size(Uniform(100, 1400), Uniform(80, 1000));
    Log(QStringLiteral("resize to %1x%2 ").arg(size.width()).arg(size.height()) + Describe(window));
    window->resize(size);
}

void Monkey::Watch() {
    std::unique_lock lock(watchMutex_);
    while (!stopWatch_) {
        watchWake_.wait_for(lock, std::chrono::seconds(1));
        if (stopWatch_) break;
        const qint64 now = NowMs();
        const qint64 limit = hardLimit_;
        QString reason;
        if (limit != 0 && now - lastProgress_ > qint64(hangSeconds_) * 1000)
            reason = QStringLiteral("no action completed within %1 s").arg(hangSeconds_);
        else if (limit != 0 && now > limit)
            reason = QStringLiteral("the run did not end within %1 s after its time").arg(hangSeconds_);
        if (reason.isEmpty()) continue;
        QByteArray report = "\n*** GUI robustness run HANGS (seed " + QByteArray::number(seed_) +
                            "): " + reason.toUtf8() + "\nLast actions (oldest first):\n";
        for (const QString& line : LastActions()) report += "  " + line.toUtf8() + '\n';
        std::fputs(report.constData(), stderr);
        std::fflush(stderr);
        g_crashLength = 0;  // already printed
#if defined(Q_OS_UNIX)
        // Abort on the main thread, so the test framework prints where it is stuck.
        pthread_kill(g_mainThread, SIGABRT);
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::seconds(30));
        std::_Exit(3);
#else
        std::abort();
#endif
    }
}

}  // namespace kurvex::test
