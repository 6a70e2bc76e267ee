#include "app/main_window.h"

#include "app/desktop_prompts.h"
#include "app/drawing_view.h"
#include "app/drawing_window.h"
#include "app/help_window.h"
#include "app/progress_window.h"
#include "app/qt_prompts.h"
#include "app/qt_text.h"
#include "app/sheet_export.h"
#include "app/survey_dialogs.h"
#include "cad/design_line.h"
#include "cad/pile_drawings.h"
#include "cad/stake_out.h"
#include "geometry/number_text.h"
#include "session/command_handler.h"
#include "session/elevations.h"
#include "session/field_outputs.h"
#include "session/stakes.h"
#include "sheet/coordinate_sheet.h"
#include "sheet/xlsx_writer.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdint>

namespace tesk::app {
namespace {

/// The buttons of the window: form name, caption as the button face shows it (with its leading
/// blanks), and whether it needs a loaded alignment.
struct ButtonSpec {
    const char* Name;
    const char* Caption;
    bool NeedsAlignment;
};

constexpr std::array<ButtonSpec, 11> kButtons = {{
    {"initializeButton", "  初始化", false},
    {"computeButton", "  计  算", true},
    {"stakeOutButton", "  放  样", true},
    {"drawLineButton", " 绘设计线", true},
    {"pileStakeOutButton", "  桩位放样", true},
    {"pileTableButton", "  坐标表－CAD", true},
    {"excelTableButton", "  坐标表－Excel", true},
    {"pileSketchButton", "  桩位示意图", true},
    {"moreButton", "  更多软件", false},
    {"helpButton", "  帮  助", false},
    {"quitButton", "  退  出", false},
}};

/// Captions of the method option, for the radio buttons and the messages naming a method.
constexpr std::string_view kIntersectionPointCaption = "交点法—主线";
constexpr std::string_view kElementCaption = "积木法—互通";

constexpr std::string_view kText2Tip =
    "［上面桩号对应设计线上点的切线］到［上面桩号对应设计线上点与桩位连线］的右偏角";

constexpr std::string_view kWorkbookDialogTitle = "保存坐标表";
constexpr std::string_view kProfileDialogTitle = "读取纵断面资料";
constexpr std::string_view kProfileDialogFilter =
    "纵断面文件(*.sqx;*.txt)|*.sqx;*.txt|所有文件（*.*)|*.*";
constexpr std::string_view kCrossFallDialogTitle = "读取横坡资料";
constexpr std::string_view kCrossFallDialogFilter =
    "横坡文件(*.hp;*.txt)|*.hp;*.txt|所有文件（*.*)|*.*";
constexpr std::string_view kWorkbookDialogFilter = "Excel 工作簿(*.xlsx)|*.xlsx";

constexpr std::string_view kPointFileDialogTitle = "导出点文件";
constexpr std::string_view kPointFileDialogFilter =
    "CASS坐标文件 (*.dat)|*.dat|CSV点文件 (*.csv)|*.csv|徕卡GSI-16 (*.gsi)|*.gsi|"
    "索佳SDR33 (*.sdr)|*.sdr";

/// The point file formats as the save dialog names them.
std::string_view PointFormatCaption(formats::PointFormat format) {
    switch (format) {
    case formats::PointFormat::Cass:
        return "CASS坐标文件";
    case formats::PointFormat::Csv:
        return "CSV点文件";
    case formats::PointFormat::Gsi:
        return "徕卡GSI-16";
    case formats::PointFormat::Sdr:
        return "索佳SDR33";
    }
    return "";
}

} // namespace

MainWindow::MainWindow(DesktopPrompts* prompts, QWidget* parent) : QWidget(parent) {
    if (prompts) {
        m_prompts = prompts;
    } else {
        m_ownPrompts = std::make_unique<QtPrompts>(*this);
        m_prompts = m_ownPrompts.get();
    }
    setObjectName(QStringLiteral("zbfrm"));
    setWindowTitle(ToQString(kCaption));
    setWindowIcon(QIcon(QStringLiteral(":/tesk/tesk.svg")));
    BuildLayout();

    m_drawing = new DrawingWindow(m_document, *m_prompts, this);
    m_progress = new ProgressWindow(this);
    // The drawing window hides when closed; Ctrl+D brings it back without drawing anything.
    auto* showDrawing = new QShortcut(QKeySequence(QStringLiteral("Ctrl+D")), this);
    connect(showDrawing, &QShortcut::activated, this, [this] {
        ShowDrawing();
        m_drawing->activateWindow();
    });
    // Ctrl+M in the drawing window: back to this window, also from behind the progress window.
    connect(m_drawing, &DrawingWindow::MainWindowRequested, this, [this] {
        m_progress->hide();
        show();
        raise();
        activateWindow();
    });
    connect(m_progress, &ProgressWindow::ReturnRequested, this, [this] {
        show();
        ActivateMainWindow();
    });
}

MainWindow::~MainWindow() {
    // The drawing window refers to the document and the prompts, members that go before the
    // child widgets do.
    delete m_drawing;
    m_drawing = nullptr;
}

void MainWindow::BuildLayout() {
    // Method option.
    auto* frame1 = new QGroupBox(QStringLiteral("方 法"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_jdMethod = new QRadioButton(ToQString(kIntersectionPointCaption), frame1);
    m_jdMethod->setObjectName(QStringLiteral("jdMethodOption"));
    m_elementMethod = new QRadioButton(ToQString(kElementCaption), frame1);
    m_elementMethod->setObjectName(QStringLiteral("elementMethodOption"));
    m_jdMethod->setChecked(true);
    auto* methodLayout = new QHBoxLayout(frame1);
    methodLayout->addWidget(m_jdMethod);
    methodLayout->addWidget(m_elementMethod);

    // Command buttons, two columns.
    m_commandPanel = new QWidget(this);
    auto* panelLayout = new QVBoxLayout(m_commandPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(frame1);
    auto* buttons = new QGridLayout;
    int index = 0;
    for (const ButtonSpec& control : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(control.Caption), m_commandPanel);
        button->setObjectName(QString::fromLatin1(control.Name));
        button->setMinimumHeight(30);
        button->setAutoDefault(false);
        button->setEnabled(!control.NeedsAlignment);
        buttons->addWidget(button, index / 2, index % 2);
        ++index;
    }
    panelLayout->addLayout(buttons);
    panelLayout->addStretch(1);

    const auto bind = [this](const char* name, void (MainWindow::*slot)()) {
        auto* button = m_commandPanel->findChild<QPushButton*>(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, slot);
    };
    bind("initializeButton", &MainWindow::InitializeClicked);
    bind("computeButton", &MainWindow::ComputeClicked);
    bind("stakeOutButton", &MainWindow::StakeOutClicked);
    bind("drawLineButton", &MainWindow::DrawLineClicked);
    bind("pileStakeOutButton", &MainWindow::PileStakeOutClicked);
    bind("pileTableButton", &MainWindow::PileTableClicked);
    bind("excelTableButton", &MainWindow::ExcelTableClicked);
    bind("pileSketchButton", &MainWindow::PileSketchClicked);
    bind("moreButton", &MainWindow::MoreClicked);
    bind("helpButton", &MainWindow::HelpClicked);
    bind("quitButton", &MainWindow::QuitClicked);

    // The point frame. Rows in the order Enter walks them: station, angle, skew distance.
    auto* frame2 = new QGroupBox(QStringLiteral("任一点坐标"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* grid = new QGridLayout(frame2);
    struct FieldSpec {
        int Number;
        const char* Name;
        const char* Label;
        const char* LabelName;
        std::string_view FieldTip;
        std::string_view LabelTip;
    };
    const std::array<FieldSpec, 7> fields = {{
        {1, "stationField", "桩 号", "Label1", "设计线桩号", "设计线桩号"},
        {2, "angleField", "右偏角", "Label5", kText2Tip, kText2Tip},
        {3, "skewField", "斜 距", "Label2",
         "桩位至设计线的斜距，左正右负，空格分隔可以放样多个桩位", "桩位至设计线的斜距，左正右负"},
        {4, "xField", "X坐标", "Label3", "", ""},
        {5, "yField", "Y坐标", "Label4", "", ""},
        {6, "azimuthField", "方位角", "Label7", "桩号对应设计线处的切线方位角", ""},
        {7, "elevationField", "设计高程", "Label8", "读入纵断面后显示该点的设计高程（米）", ""},
    }};
    int row = 0;
    for (const FieldSpec& field : fields) {
        auto* label = new QLabel(QString::fromUtf8(field.Label), frame2);
        label->setObjectName(QString::fromLatin1(field.LabelName));
        label->setToolTip(ToQString(field.LabelTip));
        auto* edit = new QLineEdit(frame2);
        edit->setObjectName(QString::fromLatin1(field.Name));
        edit->setToolTip(ToQString(field.FieldTip));
        edit->setMinimumWidth(200);
        // The results are for reading and copying, not for typing.
        edit->setReadOnly(field.Number >= 4);
        edit->installEventFilter(this);
        label->setBuddy(edit);
        m_text[static_cast<std::size_t>(field.Number - 1)] = edit;
        if (field.Number == 4) {
            auto* rule = new QFrame(frame2);
            rule->setFrameShape(QFrame::HLine);
            rule->setFrameShadow(QFrame::Sunken);
            grid->addWidget(rule, row++, 0, 1, 2);
        }
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    m_joinPoints = new QCheckBox(QStringLiteral("放样点多段线连接"), frame2);
    m_joinPoints->setObjectName(QStringLiteral("joinPointsCheck"));
    grid->addWidget(m_joinPoints, row, 0, 1, 2);
    grid->setRowStretch(row + 1, 1);

    connect(Field(1), &QLineEdit::returnPressed, this, [this] { FocusField("angleField"); });
    connect(Field(2), &QLineEdit::returnPressed, this, [this] { FocusField("skewField"); });
    connect(Field(3), &QLineEdit::returnPressed, this, [this] {
        auto* compute = m_commandPanel->findChild<QPushButton*>(QStringLiteral("computeButton"));
        if (compute->isEnabled()) {
            ComputeClicked();
        }
    });
    setTabOrder(Field(1), Field(2));
    setTabOrder(Field(2), Field(3));

    auto* layout = new QVBoxLayout(this);
    auto* panels = new QHBoxLayout;
    panels->addWidget(m_commandPanel);
    panels->addWidget(frame2, 1);
    layout->addLayout(panels, 1);

    // What is loaded for the selected method, at the bottom.
    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("statusBar"));
    status->setSizeGripEnabled(false);
    m_loaded = new QLabel(status);
    m_loaded->setObjectName(QStringLiteral("loadedLabel"));
    status->addWidget(m_loaded, 1);
    layout->addWidget(status);
    connect(m_jdMethod, &QRadioButton::toggled, this, [this] { ShowLoaded(); });
    ShowLoaded();

    // The menu of the computations beyond the buttons.
    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    QMenu* compute = menuBar->addMenu(QStringLiteral("计算(&C)"));
    QAction* locate = compute->addAction(QStringLiteral("坐标反算(&I)…"));
    locate->setObjectName(QStringLiteral("locateAction"));
    connect(locate, &QAction::triggered, this, &MainWindow::LocateClicked);
    QAction* sideStakes = compute->addAction(QStringLiteral("逐桩坐标表(&T)…"));
    sideStakes->setObjectName(QStringLiteral("sideStakeAction"));
    connect(sideStakes, &QAction::triggered, this, &MainWindow::SideStakeClicked);
    compute->addSeparator();
    QAction* profileAction = compute->addAction(QStringLiteral("读入纵断面(&P)…"));
    profileAction->setObjectName(QStringLiteral("profileAction"));
    connect(profileAction, &QAction::triggered, this, &MainWindow::ProfileClicked);
    QAction* crossFallAction = compute->addAction(QStringLiteral("读入横坡(&H)…"));
    crossFallAction->setObjectName(QStringLiteral("crossFallAction"));
    connect(crossFallAction, &QAction::triggered, this, &MainWindow::CrossFallClicked);
    compute->addSeparator();
    QAction* exportPoints = compute->addAction(QStringLiteral("导出点文件(&E)…"));
    exportPoints->setObjectName(QStringLiteral("exportPointsAction"));
    connect(exportPoints, &QAction::triggered, this, &MainWindow::ExportPointsClicked);
    QAction* polar = compute->addAction(QStringLiteral("极坐标放样(&S)…"));
    polar->setObjectName(QStringLiteral("polarAction"));
    connect(polar, &QAction::triggered, this, &MainWindow::PolarClicked);
    layout->setMenuBar(menuBar);
}

session::AlignmentMethod MainWindow::Method() const {
    return m_jdMethod->isChecked() ? session::AlignmentMethod::IntersectionPoint
                                   : session::AlignmentMethod::Element;
}

void MainWindow::FocusField(std::string_view name) {
    for (QLineEdit* edit : m_text) {
        if (edit->objectName() == ToQString(name)) {
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            return;
        }
    }
}

void MainWindow::ActivateMainWindow() {
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit && event->type() == QEvent::FocusIn) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, QColor(kFocusColor));
        edit->setPalette(palette);
        // Select after the click that brought the focus has placed its cursor.
        edit->selectAll();
        QTimer::singleShot(0, edit, [edit] {
            if (edit->hasFocus()) {
                edit->selectAll();
            }
        });
    } else if (edit && event->type() == QEvent::FocusOut) {
        edit->setPalette(QPalette()); // back to the style's window colour
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        CenterWindow(*this);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_busy || !MayQuit()) {
        event->ignore();
        return;
    }
    event->accept();
    QApplication::quit();
}

void MainWindow::RunCommand(const std::function<void()>& body) {
    if (m_busy) {
        return;
    }
    m_busy = true;
    m_commandPanel->setEnabled(false);
    try {
        body();
    } catch (const geometry::RuntimeError& e) {
        m_prompts->Error(session::kFormatMessage, session::ErrorDetail(e), e.what());
    } catch (const std::exception& e) {
        m_prompts->Error(session::kFormatMessage, session::UnexpectedDetail(), e.what());
    } catch (...) {
        m_prompts->Error(session::kFormatMessage, session::UnexpectedDetail(), "unknown failure");
    }
    m_commandPanel->setEnabled(true);
    m_busy = false;
}

void MainWindow::EnableAlignmentCommands() {
    for (const ButtonSpec& control : kButtons) {
        m_commandPanel->findChild<QPushButton*>(QString::fromLatin1(control.Name))
            ->setEnabled(true);
    }
    for (QLineEdit* edit : m_text) {
        edit->setEnabled(true);
        edit->clear();
    }
}

session::PointFields MainWindow::PointInput() const {
    return {Field(1)->text().toStdString(), Field(2)->text().toStdString(),
            Field(3)->text().toStdString()};
}

void MainWindow::ClearOutputs() {
    Field(4)->clear();
    Field(5)->clear();
    Field(6)->clear();
    Field(7)->clear();
    Field(7)->setPlaceholderText({});
}

const session::LoadedLine* MainWindow::LoadedLine() {
    // The option decides which line the command reads, chain breaks included.
    const session::AlignmentMethod method = Method();
    if (const session::LoadedLine* line = m_session.Line(method)) {
        return line;
    }
    const std::string_view caption = method == session::AlignmentMethod::IntersectionPoint
                                         ? kIntersectionPointCaption
                                         : kElementCaption;
    m_prompts->Refuse("“" + std::string(caption) + "”的平面资料尚未读入，请先按“初始化”！");
    return nullptr;
}

void MainWindow::ShowDrawing() {
    m_drawing->show();
    m_drawing->raise();
}

void MainWindow::InitializeClicked() {
    RunCommand([this] {
        if (session::InitializeAlignment(m_session, *m_prompts, Method())) {
            EnableAlignmentCommands();
            // The points computed on the line before are not this line's.
            m_fieldPoints.clear();
            m_fieldSource.clear();
            // What reading a LandXML file noticed (gaps between elements, units, ...).
            const session::LoadedLine* line = m_session.Line(Method());
            if (line != nullptr && !line->Warnings.empty()) {
                std::string notes = "读入LandXML文件时发现：";
                for (const std::string& warning : line->Warnings) {
                    notes += "\n" + warning;
                }
                m_prompts->Inform(notes);
            }
        }
    });
    ShowLoaded();
}

QString MainWindow::LoadedText() const {
    return m_loaded->text();
}

void MainWindow::ShowLoaded() {
    const session::AlignmentMethod method = Method();
    const std::string_view caption = method == session::AlignmentMethod::IntersectionPoint
                                         ? kIntersectionPointCaption
                                         : kElementCaption;
    const session::LoadedLine* line = m_session.Line(method);
    if (line == nullptr) {
        m_loaded->setText(ToQString(caption) + QStringLiteral("　平面资料尚未读入"));
        m_loaded->setToolTip({});
        return;
    }
    const auto fileName = [](const std::string& path) {
        return QFileInfo(QString::fromStdString(path)).fileName();
    };
    QString text =
        ToQString(caption) + QStringLiteral("　平面资料：") + fileName(line->AlignmentFile);
    QString tip = QStringLiteral("平面资料：") + QString::fromStdString(line->AlignmentFile);
    if (!line->AlignmentName.empty()) {
        text += QStringLiteral("（路线 ") + ToQString(line->AlignmentName) + QStringLiteral("）");
    }
    if (method == session::AlignmentMethod::IntersectionPoint) {
        const QString breaks =
            line->BreakFile.empty() ? QStringLiteral("无") : fileName(line->BreakFile);
        text += QStringLiteral("　断链资料：") + breaks;
        tip += QStringLiteral("\n断链资料：") +
               (line->BreakFile.empty() ? breaks : QString::fromStdString(line->BreakFile));
    }
    try {
        const alignment::Alignment& road = line->Line();
        text += QStringLiteral("　桩号：") +
                QString::fromStdString(line->Breaks.MileageToLabel(road.Start())) +
                QStringLiteral("～") +
                QString::fromStdString(line->Breaks.MileageToLabel(road.End()));
    } catch (const geometry::RuntimeError&) {
        // A line without finite ends has no stations to show; the files still are.
    }
    if (!line->ProfileFile.empty()) {
        text += QStringLiteral("　纵断面：") + fileName(line->ProfileFile);
        tip += QStringLiteral("\n纵断面：") + QString::fromStdString(line->ProfileFile);
    }
    if (!line->CrossFallFile.empty()) {
        text += QStringLiteral("　横坡：") + fileName(line->CrossFallFile);
        tip += QStringLiteral("\n横坡：") + QString::fromStdString(line->CrossFallFile);
    }
    m_loaded->setText(text);
    m_loaded->setToolTip(tip);
}

void MainWindow::ComputeClicked() {
    RunCommand([this] {
        ClearOutputs();
        const session::LoadedLine* line = LoadedLine();
        if (line == nullptr) {
            return;
        }
        const session::PointFields input = PointInput();
        if (const auto result = session::ComputePoint(*line, *m_prompts, input)) {
            const std::string name = session::ComputedPointName(*line, input.Station, input.Skew);
            RememberPoints({{name, result->X, result->Y, result->Elevation, {}}}, "计算 " + name);
            Field(7)->setText(ToQString(result->ElevationText));
            Field(7)->setPlaceholderText(line->Profile ? ToQString(result->ElevationNote)
                                                       : QStringLiteral("未读入纵断面"));
            Field(4)->setText(ToQString(result->XText));
            Field(5)->setText(ToQString(result->YText));
            Field(6)->setText(ToQString(result->AzimuthText));
        }
    });
}

void MainWindow::StakeOutClicked() {
    RunCommand([this] {
        ClearOutputs();
        const session::LoadedLine* line = LoadedLine();
        if (line == nullptr) {
            return;
        }
        if (session::StakeOutStation(*line, *m_prompts, &m_document, PointInput(),
                                     m_joinPoints->isChecked())) {
            ShowDrawing();
        }
    });
}

void MainWindow::DrawLineClicked() {
    RunCommand([this] {
        const session::LoadedLine* line = LoadedLine();
        if (line == nullptr) {
            return;
        }
        ShowDrawing();
        m_progress->Start();
        // The progress window stands in for this one until the user double-clicks it, also
        // after a failed drawing.
        hide();
        const bool drawn =
            session::DrawDesignLine(*line, *m_prompts, m_document, [this](std::string_view stage) {
                m_progress->SetStage(stage);
            });
        m_drawing->View().Refresh();
        if (drawn) {
            m_drawing->View().ZoomExtents();
        }
        m_progress->raise();
    });
}

void MainWindow::PileStakeOutClicked() {
    RunCommand([this] {
        const session::LoadedLine* line = LoadedLine();
        if (line == nullptr) {
            return;
        }
        const std::uint64_t before = m_document.Revision();
        session::StakeOutPiles(*line, *m_prompts, m_document, RememberPiles(*line));
        if (m_document.Revision() != before) {
            ShowDrawing();
        }
    });
}

void MainWindow::PileTableClicked() {
    RunCommand([this] {
        if (const session::LoadedLine* line = LoadedLine()) {
            session::DrawPileTable(*line, *m_prompts, m_document, RememberPiles(*line));
        }
    });
}

void MainWindow::PileSketchClicked() {
    RunCommand([this] {
        if (const session::LoadedLine* line = LoadedLine()) {
            session::DrawPileSketch(*line, *m_prompts, m_document, RememberPiles(*line));
        }
    });
}

void MainWindow::ExcelTableClicked() {
    RunCommand([this] {
        // Each table becomes a new sheet of the session's workbook, as in a running spreadsheet
        // program; the window then saves that workbook where the user says.
        const session::LoadedLine* line = LoadedLine();
        if (line == nullptr) {
            return;
        }
        std::string pileFile;
        if (!session::AddCoordinateSheet(*line, *m_prompts, m_spreadsheet, pileFile,
                                         RememberPiles(*line))) {
            return;
        }
        const std::string suggested =
            SuggestedWorkbookPath(pileFile, QDir::homePath().toStdString());
        const std::string path =
            m_prompts->SaveFile(kWorkbookDialogTitle, kWorkbookDialogFilter, suggested);
        if (path.empty()) {
            return; // the user chose not to save: nothing is written
        }
        const bool written = session::RunOutputUnderHandler(*m_prompts, true, path, [&] {
            sheet::WriteXlsx(*m_spreadsheet.CurrentWorkbook(), path);
        });
        if (written && !m_prompts->OpenWithDesktop(path)) {
            m_prompts->Inform("坐标表已保存到 " + path + "\n（没有可以打开它的程序）");
        }
    });
}

void MainWindow::MoreClicked() {
    m_prompts->Inform("Tesk V5.6 公路桥梁施工放样计算\n\n"
                      "由设计线平面资料（交点法或积木法）与断链资料，计算任意桩号的中桩坐标、"
                      "切线方位角、偏距点坐标和桥梁墩台桩位坐标，绘制设计线、桩位坐标表、"
                      "桩位示意图和放样点，并输出Excel坐标表。\n\n使用方法见“帮  助”。");
}

void MainWindow::HelpClicked() {
    const QString index = FindHelpFile(QCoreApplication::applicationDirPath());
    if (index.isEmpty()) {
        const std::string expected =
            (QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html"))
                .toStdString();
        m_prompts->Error("找不到帮助文件！", "文件：" + expected + "\n", expected);
        return;
    }
    if (!m_help) {
        m_help = new HelpWindow(index, this);
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void MainWindow::LocateClicked() {
    RunCommand([this] {
        if (const session::LoadedLine* line = LoadedLine()) {
            auto* dialog = new LocateDialog(*line, *m_prompts, this);
            dialog->SetPointsMade(
                [this](std::vector<formats::FieldPoint> points, std::string source) {
                    RememberPoints(std::move(points), std::move(source));
                });
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->open();
        }
    });
}

void MainWindow::SideStakeClicked() {
    RunCommand([this] {
        if (const session::LoadedLine* line = LoadedLine()) {
            auto* dialog = new SideStakeDialog(
                *line, *m_prompts,
                [this](const std::vector<geometry::PlanePoint>& points) {
                    cad::DrawStakeOutPoints(points, false, m_document);
                    ShowDrawing();
                    m_drawing->View().Refresh();
                    m_drawing->View().ZoomExtents();
                },
                this);
            dialog->SetPointsMade(
                [this](std::vector<formats::FieldPoint> points, std::string source) {
                    RememberPoints(std::move(points), std::move(source));
                });
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->open();
        }
    });
}

void MainWindow::RememberPoints(std::vector<formats::FieldPoint> points, std::string source) {
    m_fieldPoints = std::move(points);
    m_fieldSource = std::move(source);
}

session::PileTableDone MainWindow::RememberPiles(const session::LoadedLine& line) {
    return [this, &line](const piles::PileTable& table) {
        const std::string file =
            QFileInfo(QString::fromStdString(table.SourcePath)).fileName().toStdString();
        RememberPoints(session::PilePoints(line, table), "桩位资料 " + file);
    };
}

void MainWindow::ExportPointsClicked() {
    RunCommand([this] {
        if (m_fieldPoints.empty()) {
            m_prompts->Refuse(session::kNoPointsRefusal);
            return;
        }
        // Names that cannot make a file are refused before the user picks one.
        if (const auto refusal = session::CheckPointNames(m_fieldPoints)) {
            m_prompts->Refuse(*refusal);
            return;
        }
        const std::string suggested =
            !m_lastPointFile.empty()
                ? m_lastPointFile
                : QDir(QDir::homePath()).filePath(QStringLiteral("放样点.dat")).toStdString();
        const std::string path =
            m_prompts->SaveFile(kPointFileDialogTitle, kPointFileDialogFilter, suggested);
        if (path.empty()) {
            return; // cancelled: nothing is written
        }
        const std::optional<formats::PointFormat> format = session::PointFormatOfPath(path);
        if (!format) {
            m_prompts->Refuse("无法识别点文件" +
                              QFileInfo(QString::fromStdString(path)).fileName().toStdString() +
                              "的格式，扩展名应为.dat（CASS坐标文件）、.csv（CSV点文件）、"
                              ".gsi（徕卡GSI-16）或.sdr（索佳SDR33）！");
            return;
        }
        if (!session::ExportPointFile(*m_prompts, m_fieldPoints, *format, path)) {
            return;
        }
        m_lastPointFile = path;
        m_prompts->Inform("已导出" + std::to_string(m_fieldPoints.size()) + "个点（" +
                          m_fieldSource + "）\n格式：" + std::string(PointFormatCaption(*format)) +
                          "\n文件：" + path);
    });
}

std::optional<cad::Point> MainWindow::PickForDialog(std::string_view prompt) {
    std::optional<cad::Point> picked;
    RunCommand([&] {
        ShowDrawing();
        try {
            picked = m_document.GetPoint(prompt);
        } catch (const geometry::RuntimeError& e) {
            if (e.Code() != geometry::ErrorCode::Cancelled) {
                throw;
            }
        }
    });
    return picked;
}

void MainWindow::PolarClicked() {
    RunCommand([this] {
        if (m_fieldPoints.empty()) {
            m_prompts->Refuse("没有可放样的点，请先计算！");
            return;
        }
        auto* dialog = new PolarDialog(
            m_fieldPoints, m_fieldSource, *m_prompts,
            [this](std::string_view prompt) { return PickForDialog(prompt); },
            [this](const session::PolarSetup& setup,
                   const std::vector<geometry::PlanePoint>& points) {
                RunCommand([&] {
                    cad::DrawPolarSetup(setup.Station, setup.Backsight, points, m_document);
                    ShowDrawing();
                    m_drawing->View().Refresh();
                    m_drawing->View().ZoomExtents();
                });
            },
            this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show(); // not modal: the drawing window stays at hand for the picks
    });
}

void MainWindow::ProfileClicked() {
    LoadOntoLine([this](session::LoadedLine& line) {
        session::LoadProfile(line, m_prompts->OpenFile(kProfileDialogTitle, kProfileDialogFilter));
    });
}

void MainWindow::CrossFallClicked() {
    LoadOntoLine([this](session::LoadedLine& line) {
        session::LoadCrossFall(line,
                               m_prompts->OpenFile(kCrossFallDialogTitle, kCrossFallDialogFilter));
    });
}

void MainWindow::LoadOntoLine(const std::function<void(session::LoadedLine&)>& load) {
    RunCommand([this, &load] {
        const session::LoadedLine* line = LoadedLine();
        if (line == nullptr) {
            return;
        }
        // The line takes the file only when it was read whole.
        session::LoadedLine updated = *line;
        if (session::RunUnderHandler(*m_prompts, false, [&] { load(updated); })) {
            m_session.Load(std::move(updated));
            ShowLoaded();
        }
    });
}

bool MainWindow::MayQuit() {
    if (!m_drawing->HasUnsavedChanges()) {
        return true;
    }
    return m_prompts->Confirm("图形尚未保存为DXF文件，退出后将丢失。仍然退出？");
}

void MainWindow::QuitClicked() {
    if (m_busy || !MayQuit()) {
        return;
    }
    QApplication::quit();
}

} // namespace tesk::app
