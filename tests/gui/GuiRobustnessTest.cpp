// The program under a random user: clicks, keys, text, menus and dialogs
// answered at random (fixed seeds) for a bounded time, closing and starting
// again now and then. It must neither crash nor hang, and every settings
// file it writes on closing must read back as a well-formed document.
//
// KURVEX_MONKEY_SECONDS (total for the three runs, default 20) and
// KURVEX_MONKEY_SEED (first of the three seeds, default 1) choose a longer
// run or other seeds.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <memory>

#include "core/common/IniFile.h"
#include "core/common/ProgramFolder.h"
#include "gui/app/OrlaMain.h"
#include "gui/chart/ChartExport.h"
#include "gui/data/FileDialogs.h"
#include "tests/gui/support/MainWindowFixture.h"
#include "tests/gui/support/Monkey.h"

using namespace kurvex;
using namespace kurvex::gui;
using kurvex::test::Monkey;
using kurvex::test::MonkeyFigures;

namespace {

constexpr int kHangSeconds = 30;
const char* const kSamples[] = {"enzyme_kinetics.csv", "bacterial_growth.csv", "fuel_consumption.csv"};

int EnvironmentNumber(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// What is wrong with a settings file the main window wrote; empty when it is
// a well-formed document with the main window's sections and sound numbers.
QStringList SettingsProblems(const QByteArray& bytes) {
    QStringList problems;
    if (bytes.isEmpty()) return {QStringLiteral("the settings file is missing or empty")};
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(bytes);
    if (utf8.hasError()) problems << QStringLiteral("not UTF-8");

    // Line by line: a section header, key=value, or empty; no key twice in a section.
    QString section;
    QSet<QString> sectionsSeen;
    QSet<QString> keysSeen;
    const QStringList lines = decoded.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QString where = QStringLiteral("line %1 \"%2\": ").arg(i + 1).arg(line.left(60));
        if (line.trimmed().isEmpty()) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).toLower();
            if (sectionsSeen.contains(section)) problems << where + QStringLiteral("section repeated");
            sectionsSeen.insert(section);
            keysSeen.clear();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || line.left(equals).trimmed().isEmpty()) {
            problems << where + QStringLiteral("neither a section, a key=value nor empty");
            continue;
        }
        if (section.isEmpty()) problems << where + QStringLiteral("key before the first section");
        const QString key = line.left(equals).trimmed().toLower();
        if (keysSeen.contains(key)) problems << where + QStringLiteral("key repeated in its section");
        keysSeen.insert(key);
    }

    // Through the program's own reader.
    const IniFile ini = IniFile::Parse(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    for (const char* name : {"Main Form", "Input Form", "File", "Model", "Conditions"})
        if (!ini.HasSection(name)) problems << QStringLiteral("section [%1] missing").arg(QLatin1String(name));
    auto integer = [&](const char* sectionName, const std::string& key, long long low, long long high) {
        const long long value = ini.ReadInteger(sectionName, key, LLONG_MIN);
        if (value == LLONG_MIN)
            problems << QStringLiteral("[%1] %2 is not a whole number: \"%3\"")
                            .arg(QLatin1String(sectionName), QString::fromStdString(key),
                                 QString::fromStdString(ini.ReadString(sectionName, key, "(missing)")));
        else if (value < low || value > high)
            problems << QStringLiteral("[%1] %2=%3 out of range")
                            .arg(QLatin1String(sectionName))
                            .arg(QString::fromStdString(key))
                            .arg(value);
        return value;
    };
    for (const char* form : {"Main Form", "Input Form"}) {
        integer(form, "Width", 0, INT_MAX);
        integer(form, "Height", 0, INT_MAX);
        integer(form, "Left", INT_MIN, INT_MAX);
        integer(form, "Top", INT_MIN, INT_MAX);
    }
    integer("Input Form", "Width of Panel 1", 0, INT_MAX);
    const long long model = integer("Model", "Model No.", 0, 9);
    integer("Model", "General Model No", 0, 32767);
    integer("Conditions", "Method Number for Calcuating Differential", 0, 1);
    const long long files = integer("File", "Number of Listed Files", 0, 10);
    for (long long j = 0; j >= 0 && j < files && j <= 10; ++j)
        if (ini.ReadString("File", "File " + std::to_string(j), "").empty())
            problems << QStringLiteral("[File] File %1 missing or empty").arg(j);
    for (const char* key : {"Alarm Max", "Max Iteration", "Initial Increment", "Confidence Limit"})
        if (!ini.HasKey("Conditions", key))
            problems << QStringLiteral("[Conditions] %1 missing").arg(QLatin1String(key));
    // Every built-in model has coefficients (a general model may have none yet).
    if (model >= 0 && model <= 8 && !ini.HasKey("Conditions", "Initial Values of C0"))
        problems << QStringLiteral("[Conditions] Initial Values of C0 missing");
    // The reader must see the very document that was written.
    if (QByteArray::fromStdString(ini.ToText()) != bytes) problems << QStringLiteral("does not read back as written");
    return problems;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(content);
}

// One run: the program in its own temporary folder; every file dialog is
// answered with a path inside that folder.
class Session {
public:
    Session(Monkey& monkey) : monkey_(monkey), folder_(folderHolder_.path()) {
        SetProgramFolder(folder_.toStdString());
        QDir::setCurrent(folder_);
        for (const char* name : kSamples) {
            const QString target = folder_ + QLatin1Char('/') + QLatin1String(name);
            QFile::copy(kurvex::test::SourceFile(QStringLiteral("samples/") + QLatin1String(name)), target);
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
            samples_ << target;
        }
        QFile::copy(samples_[0], folder_ + QStringLiteral("/データ 日本語.csv"));
        Write(folder_ + QStringLiteral("/empty.csv"), {});
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i) garbage += char(monkey.Uniform(0, 255));
        Write(folder_ + QStringLiteral("/garbage.csv"), garbage);
        Write(folder_ + QStringLiteral("/odd.csv"),
              "x,y\n1,2\n1E400,3\nNaN,4\n,\n5,abc\n-1E-400,6\n7\n8,9,10,11\n\"q\",\"r\"\n1;2\n");
        openChoices_ = samples_;
        openChoices_ << folder_ + QStringLiteral("/データ 日本語.csv") << folder_ + QStringLiteral("/empty.csv")
                     << folder_ + QStringLiteral("/garbage.csv") << folder_ + QStringLiteral("/odd.csv")
                     << folder_ + QStringLiteral("/missing.csv") << folder_;

        SetOpenFileDialogHook([this](const FileDialogRequest&) { return AnswerOpen(); });
        SetSaveFileDialogHook([this](const FileDialogRequest&) { return AnswerSave(); });
        SetChartSaveDialogHook([this](QWidget*, const QString&, const QStringList& filters, QString* selected) {
            if (selected && !filters.isEmpty())
                *selected = monkey_.Chance(0.9) ? monkey_.Pick(filters) : QStringLiteral("unknown (*.xyz)");
            return AnswerSave();
        });

        monkey_.mainWindow = [this] { return static_cast<QWidget*>(form_.get()); };
        // The real printer is never used; closing the window is a restart, done below.
        monkey_.excluded = [this](const QObject* object) {
            return form_ && (object == form_->Print1 || object == form_->Exit1 || object == form_->BitBtn6);
        };
        monkey_.betweenActions = [this] { return BetweenActions(); };
    }

    ~Session() {
        monkey_.mainWindow = nullptr;
        monkey_.excluded = nullptr;
        monkey_.betweenActions = nullptr;
        form_.reset();
        SetOpenFileDialogHook({});
        SetSaveFileDialogHook({});
        SetChartSaveDialogHook({});
        QDir::setCurrent(QDir::tempPath());
        SetProgramFolder({});
    }

    // After the run: the window is closed as the user closes it.
    void Close() {
        if (!form_) return;
        if (form_->isVisible()) {
            monkey_.Log(QStringLiteral("close the main window at the end"));
            form_->close();
        }
        if (form_->isVisible()) problems_ << QStringLiteral("the main window did not close at the end");
        Finish();
    }

    const QStringList& Problems() const { return problems_; }
    int Loads() const { return loads_; }
    int LoadsBuilt() const { return built_; }
    int Restarts() const { return restarts_; }
    int SettingsChecked() const { return settingsChecked_; }

private:
    bool BetweenActions() {
        if (!form_) {
            monkey_.Log(QStringLiteral("start the program"));
            form_ = std::make_unique<TForm1>();
            form_->show();  // the about box is answered by the monkey
            loadAttempts_ = 0;
            hasData_ = false;
            return true;
        }
        if (!form_->isVisible()) {
            Finish();
            return true;
        }
        if ((!hasData_ && loadAttempts_ < 3) || monkey_.Chance(1.0 / 150)) {
            Load();
            return true;
        }
        if (monkey_.Chance(1.0 / 300)) {
            switch (monkey_.Uniform(0, 2)) {
                case 0:
                    monkey_.Log(QStringLiteral("restart: click 閉じる"));
                    form_->BitBtn6->click();
                    break;
                case 1:
                    monkey_.Log(QStringLiteral("restart: menu 終了"));
                    form_->Exit1->trigger();
                    break;
                default:
                    monkey_.Log(QStringLiteral("restart: close the window"));
                    form_->close();
                    break;
            }
            return true;
        }
        return false;
    }

    void Load() {
        const QString path = monkey_.Pick(samples_);
        ++loadAttempts_;
        ++loads_;
        const bool accept = !hasData_ || monkey_.Chance(0.8);
        monkey_.Log(QStringLiteral("load ") + QFileInfo(path).fileName() +
                    (accept ? QStringLiteral(", then 読込み") : QStringLiteral(", data window at random")));
        if (accept)
            monkey_.Expect(QStringLiteral("Form2"), [this](QWidget* modal) {
                if (auto* button = modal->findChild<QPushButton*>(QStringLiteral("BitBtn1"))) button->click();
                else problems_ << QStringLiteral("the data input window has no 読込み button");
            });
        const bool built = form_->LoadAndShow(path);
        monkey_.ClearExpectation();
        if (built) {
            ++built_;
            hasData_ = true;
        }
    }

    // The window has been closed: its settings file must be sound; the next
    // tick starts the program again from it.
    void Finish() {
        const QString path = QString::fromStdString(form_->SettingsPath().string());
        form_.reset();
        ++settingsChecked_;
        const QByteArray text = ReadAll(path);
        const QStringList found = SettingsProblems(text);
        for (const QString& problem : found)
            problems_ << QStringLiteral("settings after session %1: %2").arg(restarts_ + 1).arg(problem);
        if (!found.isEmpty()) problems_ << QStringLiteral("the file:\n") + QString::fromUtf8(text);
        ++restarts_;
        monkey_.Log(QStringLiteral("closed; settings checked"));
    }

    QString AnswerOpen() {
        QString answer;
        const int roll = monkey_.Uniform(0, 99);
        if (roll < 15) answer.clear();
        else if (roll < 30 && !saved_.isEmpty()) answer = monkey_.Pick(saved_);
        else answer = monkey_.Pick(openChoices_);
        monkey_.Log(QStringLiteral("open dialog -> ") + (answer.isEmpty() ? QStringLiteral("cancel") : answer));
        return answer;
    }

    QString AnswerSave() {
        static const QStringList names = {
            QStringLiteral("saved.csv"),
            QStringLiteral("結果 データ.txt"),
            QStringLiteral("a&b;c.csv"),
            QStringLiteral("no such folder/x.csv"),
            QStringLiteral("saved"),
            QStringLiteral("enzyme_kinetics.csv"),
            QString(300, QLatin1Char('n')) + QStringLiteral(".csv"),
            QString(),
        };
        QString answer;
        if (monkey_.Chance(0.65)) {
            answer = folder_ + QLatin1Char('/') + monkey_.Pick(names);
            if (answer.endsWith(QLatin1Char('/'))) answer.chop(1);  // the folder itself
            saved_ << answer;
        }
        monkey_.Log(QStringLiteral("save dialog -> ") + (answer.isEmpty() ? QStringLiteral("cancel") : answer));
        return answer;
    }

    Monkey& monkey_;
    QTemporaryDir folderHolder_;
    QString folder_;
    std::unique_ptr<TForm1> form_;
    QStringList samples_;
    QStringList openChoices_;
    QStringList saved_;
    QStringList problems_;
    bool hasData_ = false;
    int loadAttempts_ = 0;
    int loads_ = 0;
    int built_ = 0;
    int restarts_ = 0;
    int settingsChecked_ = 0;
};

}  // namespace

class GuiRobustnessTest : public QObject {
    Q_OBJECT

private slots:
    void settingsCheckFindsDamage();
    void randomUserNeitherCrashesNorHangs_data();
    void randomUserNeitherCrashesNorHangs();
};

void GuiRobustnessTest::settingsCheckFindsDamage() {
    kurvex::test::MainWindowFixture fixture;
    fixture.Start();
    fixture.Stop();
    const QByteArray sound = fixture.SettingsText();
    QVERIFY2(SettingsProblems(sound).isEmpty(), qPrintable(SettingsProblems(sound).join(QLatin1Char('\n'))));

    const QList<QPair<QByteArray, QByteArray>> damages = {
        {"[Model]\n", ""},                                         // section gone
        {"Model No.=0", "Model No.=12"},                           // out of range
        {"Model No.=0", "Model No.=zero"},                         // not a number
        {"[Conditions]\n", "[Conditions]\nstray text\n"},          // neither section nor key=value
        {"[Conditions]\n", "[Conditions]\nAlarm Max=1\n"},         // key twice
        {"Number of Listed Files=0", "Number of Listed Files=2"},  // entries missing
        {"[File]\n", "[File]\n[File]\n"},                          // section twice
    };
    for (const auto& [from, to] : damages) {
        QVERIFY2(sound.contains(from), from.constData());
        QByteArray damaged = sound;
        damaged.replace(from, to);
        QVERIFY2(!SettingsProblems(damaged).isEmpty(), to.constData());
    }
    QVERIFY(!SettingsProblems(sound.left(sound.size() / 2)).isEmpty());
    QVERIFY(!SettingsProblems(QByteArray()).isEmpty());
}

void GuiRobustnessTest::randomUserNeitherCrashesNorHangs_data() {
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("milliseconds");
    const int first = EnvironmentNumber("KURVEX_MONKEY_SEED", 1);
    const int total = EnvironmentNumber("KURVEX_MONKEY_SECONDS", 20) * 1000;
    for (int i = 0; i < 3; ++i) QTest::addRow("seed %d", first + i) << first + i << total / 3;
}

void GuiRobustnessTest::randomUserNeitherCrashesNorHangs() {
    QFETCH(int, seed);
    QFETCH(int, milliseconds);
    Monkey monkey(std::uint32_t(seed), kHangSeconds);
    kurvex::test::MonkeyMessageSink sink(monkey);
    ScopedMessageSink scopedSink(sink);
    Session session(monkey);

    const MonkeyFigures figures = monkey.Run(milliseconds);
    session.Close();
    qInfo(
        "seed %d: %d actions, %d modal windows, %d popups, %d messages (%d questions), %d loads (%d read), "
        "%d settings files checked, in %.1f s",
        seed, figures.actions, figures.modals, figures.popups, figures.messages, figures.questions, session.Loads(),
        session.LoadsBuilt(), session.SettingsChecked(), figures.milliseconds / 1000.0);

    for (const QString& line : monkey.FrequentMessages(5)) qInfo("  message %s", qPrintable(line));
    if (!session.Problems().isEmpty()) {
        for (const QString& problem : session.Problems()) qWarning("seed %d: %s", seed, qPrintable(problem));
        for (const QString& action : monkey.LastActions()) qWarning("  last: %s", qPrintable(action));
    }
    QVERIFY2(session.Problems().isEmpty(), qPrintable(session.Problems().value(0)));
    QVERIFY2(monkey.MessageStorms().isEmpty(), qPrintable(monkey.MessageStorms().value(0)));
    // The run really worked the program: data read, commands given, dialogs answered.
    QVERIFY(session.LoadsBuilt() >= 1);
    QVERIFY(figures.actions >= 50);
    QVERIFY(figures.modals >= 2);  // the about box and the data input window at least
    QVERIFY(session.SettingsChecked() >= 1);
}

QTEST_MAIN(GuiRobustnessTest)
#include "GuiRobustnessTest.moc"
