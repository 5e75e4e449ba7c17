#include "gui/app/OrlaMain.h"
#include "core/common/MessageSink.h"
#include "core/data/BuildDataSet.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

#include "core/common/ProgramFolder.h"
#include "gui/app/AboutBox.h"
#include "gui/app/FileOpening.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/ProgramIcon.h"
#include "gui/app/ReportCommands.h"
#include "gui/chart/AxisSet.h"
#include "gui/chart/ChartComposer.h"
#include "gui/chart/ChartExport.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/data/MakeData.h"
#include "gui/data/ReadData.h"
#include "gui/data/SaveData.h"
#include "gui/equations/EquSet.h"
#include "gui/regression/Processing.h"
#include "gui/tools/KendallCommand.h"
#include "gui/tools/PredictionWindow.h"
#include "gui/tools/SetSpline.h"

namespace kurvex::gui {

namespace {

QAction* NewAction(QMenu* menu, const char* objectName, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(objectName));
    return action;
}

QMenu* NewMenu(QMenuBar* bar, const char* objectName, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(objectName));
    menu->menuAction()->setObjectName(QString::fromLatin1(objectName) + QStringLiteral("Action"));
    return menu;
}

QLabel* NewFitEndLabel(QWidget* parent, const char* objectName) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(objectName));
    label->setWordWrap(true);
    return label;
}

QLineEdit* NewEdit(QWidget* parent, const char* objectName, bool readOnly = false) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setReadOnly(readOnly);
    return edit;
}

QPushButton* NewButton(QWidget* parent, const char* objectName, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("回帰分析"));
    InstallProgramIcon();  // before the other windows, which take it from the application

    CreateMenus();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(CreateTopPanel());

    auto* splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    Chart1 = new ChartPanel(splitter);
    Chart1->setMinimumSize(360, 300);
    splitter->addWidget(Chart1);
    splitter->addWidget(CreateRightPanel());
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    // The other windows live as long as the main window, created in this order.
    FrmAxisSet = new TFrmAxisSet(Chart1, this);
    FrmEquSet = new TFrmEquSet(this);
    FrmProgress = new TFrmProgress(this);
    Form2 = new TForm2(this);
    AboutBox = new TAboutBox(this);
    FrmPredict = new TFrmPredict(this);
    FrmMakeData = new TFrmMakeData(this);
    FrmSetSpline = new TFrmSetSpline(this);
    FrmSaveData = new TFrmSaveData(this);
    HelpViewer = new THelpViewer(this);

    Composer = new ChartComposer(Chart1, &fitState_, this);
    Composer->SetCommandActions({PredictMenu, SaveRegression, SaveSpline, GraphRefresh, DrawSpline});
    Composer->SetTableRowCountSource([this] { return Form2->TableRowCount(); });

    saveDialog_.parent = this;
    saveDialog_.filterList = QStringLiteral("カンマ区切りファイル (*.csv)|*.CSV");

    ConnectCommands();
    Report = new ReportCommands(this);
    setAcceptDrops(true);
    resize(1060, 660);
}

TForm1::~TForm1() = default;

void TForm1::CreateMenus() {
    QMenuBar* bar = menuBar();

    File1 = NewMenu(bar, "File1", QStringLiteral("ファイル(&F)"));
    Open1 = NewAction(File1, "Open1", QStringLiteral("データの読み込み(&O)"));
    MakeData = NewAction(File1, "MakeData", QStringLiteral("データの作成(&P)"));
    File1->addSeparator();
    SaveData = NewAction(File1, "SaveData", QStringLiteral("使用データの保存(&S)"));
    G2 = NewAction(File1, "G2", QStringLiteral("グラフ画面の保存(&G)"));
    SaveRegression = NewAction(File1, "SaveRegression", QStringLiteral("回帰曲線データの保存(&R)"));
    SaveSpline = NewAction(File1, "SaveSpline", QStringLiteral("スプライン回帰曲線データの保存(&S)"));
    File1->addSeparator();
    Exit1 = NewAction(File1, "Exit1", QStringLiteral("終了(&Q)"));

    D1 = NewMenu(bar, "D1", QStringLiteral("データ(&D)"));
    InputFilter = NewAction(D1, "InputFilter", QStringLiteral("入力画面(&F)"));

    G1 = NewMenu(bar, "G1", QStringLiteral("グラフ(&G)"));
    A1 = NewAction(G1, "A1", QStringLiteral("軸の設定(&A)"));
    GraphRefresh = NewAction(G1, "GraphRefresh", QStringLiteral("グラフのリフレッシュ(&R)"));
    G1->addSeparator();
    CopyGraph = G1->addMenu(QStringLiteral("画面コピー(&C)"));
    CopyGraph->setObjectName(QStringLiteral("CopyGraph"));
    CopyGraph->menuAction()->setObjectName(QStringLiteral("CopyGraphAction"));
    M1 = NewAction(CopyGraph, "M1", QStringLiteral("メタファイル(&M)"));
    B1 = NewAction(CopyGraph, "B1", QStringLiteral("ビットマップファイル(&B)"));
    Print1 = NewAction(G1, "Print1", QStringLiteral("印刷(&P)"));
    PrintPreview1 = NewAction(G1, "PrintPreview1", QStringLiteral("印刷プレビュー(&V)"));

    Tool1 = NewMenu(bar, "Tool1", QStringLiteral("ツール(&T)"));
    PredictMenu = NewAction(Tool1, "PredictMenu", QStringLiteral("回帰式による予測(&P)"));
    DrawSpline = NewAction(Tool1, "DrawSpline", QStringLiteral("スプラインの描画(&S)"));
    Tool1->addSeparator();
    C2 = NewAction(Tool1, "C2", QStringLiteral("相関のKendallの検定(&K)"));

    Help1 = NewMenu(bar, "Help1", QStringLiteral("ヘルプ(&H)"));
    Contents = NewAction(Help1, "Contents", QStringLiteral("目次(&C)"));
    N1 = NewAction(Help1, "N1", QStringLiteral("キーワードﾞ検索(&K)"));
    Help1->addSeparator();
    About1 = NewAction(Help1, "About1", QStringLiteral("バージョン情報(&V)"));

    // The keys every desktop program has; the menus show them.
    // Spelled out: some platform themes leave the standard Quit key empty.
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Print1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    Contents->setShortcut(QKeySequence(Qt::Key_F1));
}

void TForm1::ConnectCommands() {
    connect(Open1, &QAction::triggered, this, &TForm1::Open1Click);
    connect(MakeData, &QAction::triggered, this, &TForm1::MakeDataClick);
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    connect(InputFilter, &QAction::triggered, this, &TForm1::InputFilterClick);
    connect(GraphRefresh, &QAction::triggered, Composer, &ChartComposer::GraphRefreshClick);
    connect(SaveData, &QAction::triggered, this, &TForm1::SaveDataClick);
    connect(SaveRegression, &QAction::triggered, this, &TForm1::SaveRegressionClick);
    connect(SaveSpline, &QAction::triggered, this, &TForm1::SaveSplineClick);
    connect(G2, &QAction::triggered, this, [this] {
        if (!busy_) G2Click(this, *Chart1, Form2->CurrentFileName());
    });
    connect(A1, &QAction::triggered, this, [this] {
        if (!busy_) FrmAxisSet->A1Click();
    });
    connect(Chart1, &ChartPanel::chartAxisClicked, this, [this](QCPAxis* axis) {
        if (!busy_) FrmAxisSet->Chart1ClickAxis(axis);
    });
    connect(M1, &QAction::triggered, this, [this] { M1Click(*Chart1); });
    connect(B1, &QAction::triggered, this, [this] { B1Click(*Chart1); });
    connect(Print1, &QAction::triggered, this, [this] { Print1Click(this, *Chart1); });
    connect(PrintPreview1, &QAction::triggered, this, [this] { PrintPreview1Click(this, *Chart1); });
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
    connect(Contents, &QAction::triggered, this, &TForm1::ShowHelpContents);
    connect(N1, &QAction::triggered, this, &TForm1::ShowHelpKeywordSearch);

    connect(ComboBoxEq, qOverload<int>(&QComboBox::activated), this, &TForm1::ComboBoxEqChange);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
    connect(ButtonDefault, &QPushButton::clicked, this, &TForm1::ButtonDefaultClick);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(ButtonEstimateStart, &QPushButton::clicked, this, &TForm1::ButtonEstimateStartClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(RadioGroup1, &RadioGroup::Click, this, &TForm1::RadioGroup1Click);
    connect(StringGridLimit, &StringGrid::TopLeftChanged, this, &TForm1::StringGridLimitTopLeftChanged);
    // The wheel over the coefficients scrolls them too: the limits follow, so
    // each value keeps its own limit beside it.
    connect(StringGridCoefficients, &StringGrid::TopLeftChanged, StringGridLimit, &StringGrid::SetTopRow);
    connect(BitBtn5, &QPushButton::clicked, this, &TForm1::BitBtn5Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn6, &QPushButton::clicked, this, &QWidget::close);

    connect(Form2, &TForm2::HelpRequested, this, &TForm1::ShowHelpKeyword);
    connect(FrmMakeData, &TFrmMakeData::HelpRequested, this, &TForm1::ShowHelpKeyword);
    connect(FrmEquSet, &TFrmEquSet::HelpRequested, this, &TForm1::ShowHelpKeyword);
    connect(PredictMenu, &QAction::triggered, this, &TForm1::PredictMenuClick);
    connect(DrawSpline, &QAction::triggered, this, &TForm1::DrawSplineClick);
    connect(C2, &QAction::triggered, this, &TForm1::C2Click);
    connect(Form2, &TForm2::ExplanatoryCountChosen, this, [this](int count) { mainExplanatoryCount_ = count; });
    connect(Composer, &ChartComposer::DataRowVisitRequested, this, [this](int row) {
        if (busy_) return;
        // Cancel restores the table: the data set, its fit and its curves stay.
        RebuildAfterInput(Form2->ShowAtRow(row));
    });
    connect(Chart1, &ChartPanel::dataPointClicked, this, [this](int k) {
        if (!busy_) Composer->Chart1ClickSeries(k);
    });
}

QWidget* TForm1::CreateTopPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("回帰式："), panel);
    label->setObjectName(QStringLiteral("Label1"));
    ComboBoxEq = new QComboBox(panel);
    ComboBoxEq->setObjectName(QStringLiteral("ComboBoxEq"));
    ComboBoxEq->setMinimumContentsLength(48);
    ComboBoxEq->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    label->setBuddy(ComboBoxEq);
    BitBtn4 = NewButton(panel, "BitBtn4", QStringLiteral("一般式の設定"));
    layout->addWidget(label);
    layout->addWidget(ComboBoxEq, 1);
    layout->addWidget(BitBtn4);
    return panel;
}

QWidget* TForm1::CreateRightPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel2"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    PageControl1 = new QTabWidget(panel);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = CreateConditionPage1();
    TabSheet2 = CreateConditionPage2();
    TabSheet3 = CreateResultPage1();
    TabSheet4 = CreateResultPage2();
    PageControl1->addTab(TabSheet1, QStringLiteral("条件１"));
    PageControl1->addTab(TabSheet2, QStringLiteral("条件２"));
    PageControl1->addTab(TabSheet3, QStringLiteral("結果１"));
    PageControl1->addTab(TabSheet4, QStringLiteral("結果２"));
    layout->addWidget(PageControl1, 1);

    auto* buttons = new QHBoxLayout;
    BitBtn1 = NewButton(panel, "BitBtn1", QStringLiteral("計算"));
    BitBtn6 = NewButton(panel, "BitBtn6", QStringLiteral("閉じる"));
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn6);
    layout->addLayout(buttons);
    panel->setMinimumWidth(300);
    return panel;
}

QWidget* TForm1::CreateConditionPage1() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    auto* layout = new QVBoxLayout(page);
    StringGridCoefInit = new StringGrid(5, 2, page);
    StringGridCoefInit->setObjectName(QStringLiteral("StringGridCoefInit"));
    StringGridCoefInit->SetEditable(true);
    StringGridCoefInit->SetCheckColumn(kFixedColumn);
    StringGridCoefInit->SetColWidth(0, 30);
    StringGridCoefInit->SetColWidth(1, 91);
    StringGridCoefInit->SetColWidth(2, 109);
    StringGridCoefInit->SetColWidth(kFixedColumn, 40);
    StringGridCoefInit->SetColWidth(kSearchRangeColumn, 110);
    StringGridCoefInit->KeepHeaderRowInView();
    layout->addWidget(StringGridCoefInit, 1);
    ButtonDefault = NewButton(page, "ButtonDefault", QStringLiteral("デフォルト"));
    BitBtn3 = NewButton(page, "BitBtn3", QStringLiteral("計算結果のコピー"));
    BitBtn2 = NewButton(page, "BitBtn2", QStringLiteral("初期値を用いた式の描画"));
    ButtonEstimateStart = NewButton(page, "ButtonEstimateStart", QStringLiteral("初期値の推定"));
    auto* row = new QHBoxLayout;
    row->addWidget(ButtonDefault);
    row->addWidget(BitBtn3);
    row->addWidget(ButtonEstimateStart);
    layout->addLayout(row);
    layout->addWidget(BitBtn2);
    return page;
}

QWidget* TForm1::CreateConditionPage2() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    EdtAlammx = NewEdit(page, "EdtAlammx");
    EdtItmax = NewEdit(page, "EdtItmax");
    form->addRow(QStringLiteral("λの上限："), EdtAlammx);
    form->addRow(QStringLiteral("最大繰返し数："), EdtItmax);
    layout->addLayout(form);
    RadioGroup1 = new RadioGroup(QStringLiteral("微分係数の計算方法"),
                                 {QStringLiteral("近似式による計算"), QStringLiteral("偏導関数による計算")}, page);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    layout->addWidget(RadioGroup1);
    auto* increment = new QHBoxLayout;
    Label2 = new QLabel(QStringLiteral("初期微分増分："), page);
    Label2->setObjectName(QStringLiteral("Label2"));
    EditdX = NewEdit(page, "EditdX");
    increment->addWidget(Label2);
    increment->addWidget(EditdX, 1);
    layout->addLayout(increment);
    layout->addStretch();
    return page;
}

QWidget* TForm1::CreateResultPage1() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet3"));
    auto* layout = new QVBoxLayout(page);
    auto* grids = new QHBoxLayout;
    grids->setSpacing(0);
    StringGridCoefficients = new StringGrid(2, 52, page);
    StringGridCoefficients->setObjectName(QStringLiteral("StringGridCoefficients"));
    StringGridCoefficients->SetColWidth(0, 40);
    StringGridCoefficients->SetColWidth(1, 103);
    StringGridCoefficients->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGridCoefficients->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGridLimit = new StringGrid(2, 52, page);
    StringGridLimit->setObjectName(QStringLiteral("StringGridLimit"));
    StringGridLimit->SetColWidth(0, 25);
    StringGridLimit->SetColWidth(1, 116);
    StringGridLimit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StringGridLimit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGridCoefficients->KeepHeaderRowInView();
    StringGridLimit->KeepHeaderRowInView();
    // Several result cells at once for Ctrl+C.
    StringGridCoefficients->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGridLimit->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grids->addWidget(StringGridCoefficients, 1);
    grids->addWidget(StringGridLimit, 1);
    layout->addLayout(grids, 1);
    LblFitEnd1 = NewFitEndLabel(page, "LblFitEnd1");
    layout->addWidget(LblFitEnd1);
    auto* confidence = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("両側信頼区間の確率(%)："), page);
    EditConfLimit = NewEdit(page, "EditConfLimit");
    EditConfLimit->setMaximumWidth(70);
    label->setBuddy(EditConfLimit);
    confidence->addWidget(label);
    confidence->addWidget(EditConfLimit);
    confidence->addStretch();
    layout->addLayout(confidence);
    return page;
}

QWidget* TForm1::CreateResultPage2() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet4"));
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    EdtNS = NewEdit(page, "EdtNS", true);
    EdtSSQ = NewEdit(page, "EdtSSQ", true);
    EdtSE = NewEdit(page, "EdtSE", true);
    EditR2 = NewEdit(page, "EditR2", true);
    EditR = NewEdit(page, "EditR", true);
    EditRelativeError = NewEdit(page, "EditRelativeError", true);
    EditRelativeError->setToolTip(QStringLiteral("(1/n)Σ｜yest,i-yi｜/yest,i"));
    form->addRow(QStringLiteral("サンプル数 N："), EdtNS);
    form->addRow(QStringLiteral("残差平方和 SSR："), EdtSSQ);
    form->addRow(QStringLiteral("標準誤差 SE："), EdtSE);
    form->addRow(QStringLiteral("寄与率 R^2："), EditR2);
    form->addRow(QStringLiteral("重相関係数 |R|："), EditR);
    form->addRow(QStringLiteral("相対誤差："), EditRelativeError);
    layout->addLayout(form);

    GroupBoxAnova = new QGroupBox(QStringLiteral("分散分析"), page);
    GroupBoxAnova->setObjectName(QStringLiteral("GroupBoxAnova"));
    auto* anova = new QFormLayout(GroupBoxAnova);
    EditDF = NewEdit(GroupBoxAnova, "EditDF", true);
    EditFV = NewEdit(GroupBoxAnova, "EditFV", true);
    EditSP = NewEdit(GroupBoxAnova, "EditSP", true);
    anova->addRow(QStringLiteral("自由度 df1, df2："), EditDF);
    anova->addRow(QStringLiteral("F値："), EditFV);
    anova->addRow(QStringLiteral("有意確率 P："), EditSP);
    layout->addWidget(GroupBoxAnova);
    LblFitEnd2 = NewFitEndLabel(page, "LblFitEnd2");
    layout->addWidget(LblFitEnd2);

    auto* row = new QHBoxLayout;
    BitBtn5 = NewButton(page, "BitBtn5", QStringLiteral("解説"));
    row->addStretch();
    row->addWidget(BitBtn5);
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!firstShowDone_) {
        firstShowDone_ = true;
        FormShow();
    }
}

void TForm1::FormShow() {
    // Caption, settings path, recent list and the File menu's own items.
    setWindowTitle(QStringLiteral("回帰分析"));
    settingsPath_ = ProgramFolder() / (ExecutablePath().stem().string() + ".ini");
    recentFiles_.Clear();
    baseFileItemCount_ = static_cast<int>(File1->actions().size());

    // The model list; model 0, general entry 0, one explanatory variable.
    ComboBoxEq->clear();
    for (const std::string& item : ModelListItems("")) ComboBoxEq->addItem(QString::fromStdString(item));
    ComboBoxEq->setCurrentIndex(0);
    FrmEquSet->SetCurrentEntry(0);
    mainExplanatoryCount_ = 1;
    fitState_.model = TFitModel{};

    // Fit conditions.
    EdtAlammx->setText(QStringLiteral("250"));
    EdtItmax->setText(QStringLiteral("100"));
    fitState_.conditions.maxIterations = 100;

    // Nothing to compute until a data set exists.
    BitBtn1->setVisible(false);
    D1->setEnabled(false);
    G1->setEnabled(false);
    Tool1->setEnabled(false);
    SaveData->setEnabled(false);
    G2->setEnabled(false);
    SaveRegression->setEnabled(false);
    SaveSpline->setEnabled(false);
    ClearResultFields();

    LabelResultGrids();
    EditConfLimit->setText(QStringLiteral("95"));
    RadioGroup1->SetItemIndex(0);
    SelectModel(0);
    SetCoefficientDefaults();

    // The about box must be closed before the main window can be used.
    AboutBox->exec();
    Chart1->SetSeriesActive(DataSeries, false);

    // The registered equations were read when the equation editor was
    // created, before the settings below name one of them.

    // The main settings file and the recent-file menu, and the equation
    // editor's sections of the same file, read in the same pass.
    firstRun_ = !std::filesystem::exists(settingsPath_);
    ReadSettings();
    RebuildRecentFileMenu();

    const int model = StoredModelWithGeneralEquation();

    // The model.
    SelectModel(model);

    // The data-read settings.
    Form2->ReadSettings(ProgramFolder() / "ReadParameter.ini");
}

void TForm1::LabelResultGrids() {
    StringGridCoefficients->SetRowCount(kMaxNamedCoefficients + 1);
    StringGridLimit->SetRowCount(kMaxNamedCoefficients + 1);
    StringGridCoefficients->SetCell(1, 0, QStringLiteral("係数"));
    StringGridLimit->SetCell(1, 0, QStringLiteral("信頼限界"));
    for (int j = 0; j < kMaxNamedCoefficients; ++j) {
        StringGridCoefficients->SetCell(0, j + 1, QStringLiteral("C%1 =").arg(j));
        StringGridLimit->SetCell(0, j + 1, QStringLiteral("±"));
    }
}

// The tenth item shows the registered general equation whatever model was
// stored, so choosing it later gives that formula. Only a stored general
// model reports a registered entry that is no formula. Returns the model to
// select: the stored one, or 0 when a stored general entry gives no formula.
int TForm1::StoredModelWithGeneralEquation() {
    int model = fitState_.model.index;
    const bool generalStored = model > 8;
    bool prepared = false;
    {
        RecordingMessageSink quiet;
        std::optional<ScopedMessageSink> silence;
        if (!generalStored) silence.emplace(quiet);
        prepared = FrmEquSet->PrepareGeneralModel();
    }
    if (prepared)
        ComboBoxEq->setItemText(kGeneralModelIndex,
                                QStringLiteral("y = ") + QString::fromStdString(FrmEquSet->GeneralModel().formula));
    if (generalStored) model = prepared ? kGeneralModelIndex : 0;  // 0: the stored entry gives no formula
    return model < 0 ? 0 : model;
}

void TForm1::EnableDataCommands() {
    BitBtn1->setVisible(true);
    D1->setEnabled(true);
    G1->setEnabled(true);
    Tool1->setEnabled(true);
    G2->setEnabled(true);
    SaveData->setEnabled(true);
}

void TForm1::SetBusy(bool busy) {
    busy_ = busy;
    menuBar()->setEnabled(!busy);
    ComboBoxEq->setEnabled(!busy);
    BitBtn4->setEnabled(!busy);
    BitBtn1->setEnabled(!busy);
    BitBtn2->setEnabled(!busy);
    BitBtn3->setEnabled(!busy);
    ButtonEstimateStart->setEnabled(!busy);
    BitBtn6->setEnabled(!busy);
    ButtonDefault->setEnabled(!busy);
    StringGridCoefInit->setEnabled(!busy);
}

void TForm1::About1Click() { AboutBox->exec(); }

void TForm1::ShowHelpContents() { HelpViewer->ShowContents(); }

void TForm1::ShowHelpKeywordSearch() { HelpViewer->ShowKeywordSearch(QString()); }

void TForm1::ShowHelpKeyword(const QString& keyword) { HelpViewer->ShowKeyword(keyword); }

void TForm1::BitBtn5Click() { ShowHelpKeyword(QStringLiteral("計算結果")); }

void TForm1::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // Closing in the middle of a fit would pull the window from under it:
        // stop the fit instead; the user closes again once it has ended.
        FrmProgress->BitBtn1Click();
        event->ignore();
        return;
    }
    if (firstShowDone_) {
        WriteSettings();
    }
    HelpViewer->close();
    QMainWindow::closeEvent(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!busy_ && !DroppedDataFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString path = DroppedDataFile(event->mimeData());
    if (busy_ || path.isEmpty()) return;
    event->acceptProposedAction();
    OpenDataFileLater(*this, path);
}

// ---------------------------------------------------------------------------
// File menu outputs: the dialogs live in gui/data, the curves in the chart.

void TForm1::SaveDataClick() {
    if (busy_) return;
    // After a failed build there are no used data: saving would report
    // success for a file with only its header.
    if (fitState_.data.n < 1) {
        ShowError(kNoValidDataMessage);
        return;
    }
    RunSaveDataCommand(*FrmSaveData, *Form2, saveDialog_);
}

void TForm1::SaveRegressionClick() {
    if (busy_) return;
    saveDialog_.caption = QStringLiteral("回帰曲線データの保存");
    saveDialog_.extension = QStringLiteral(".CSV");  // asked about under the name written
    const QString chosen = AskSaveFileName(saveDialog_);
    if (chosen.isEmpty()) return;
    saveDialog_.initialPath = chosen;
    Composer->SaveRegressionTo(chosen);
}

void TForm1::SaveSplineClick() {
    if (busy_) return;
    saveDialog_.caption = QStringLiteral("スプライン回帰曲線データの保存");
    saveDialog_.extension = QStringLiteral(".CSV");  // asked about under the name written
    const QString chosen = AskSaveFileName(saveDialog_);
    if (chosen.isEmpty()) return;
    saveDialog_.initialPath = chosen;
    Composer->SaveSplineTo(chosen);
}

// ---------------------------------------------------------------------------
// Tools menu: the windows live in gui/tools, the computations in the core.

int TForm1::GeneralEquationIndex() const { return FrmEquSet->CurrentEntry(); }

void TForm1::PredictMenuClick() {
    if (busy_) return;
    // Another model's coefficients in the new model's formula would be a wrong answer.
    if (!coefficientsOfCurrentModel_) {
        Messages().Show(MessageKind::Information, kNoCoefficientsForPredictionMessage, MessageButtons::Ok);
        return;
    }
    FrmPredict->Execute(fitState_);
}

void TForm1::DrawSplineClick() {
    if (!busy_) DrawSplineCommand(*FrmSetSpline, *Composer, *Chart1, fitState_.data);
}

void TForm1::C2Click() {
    if (busy_) return;
    // The permutation test lets window messages run: no second command meanwhile.
    SetBusy(true);
    KendallCommand(fitState_.data, Form2->YName(), Form2->XNames(), *FrmProgress);
    SetBusy(false);
}

}  // namespace kurvex::gui
