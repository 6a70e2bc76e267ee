#include "app/survey_dialogs.h"

#include "app/qt_text.h"
#include "formats/point_file.h"
#include "formats/text_file.h"
#include "geometry/angles.h"
#include "geometry/number_text.h"
#include "session/command_handler.h"
#include "session/elevations.h"
#include "sheet/stake_sheet.h"
#include "sheet/workbook.h"
#include "sheet/xlsx_writer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>

namespace tesk::app {

namespace {

constexpr std::string_view kPointFileTitle = "读取点文件";
constexpr std::string_view kPointFileFilter =
    "点文件(*.dat;*.txt;*.csv)|*.dat;*.txt;*.csv|所有文件（*.*)|*.*";
constexpr std::string_view kWorkbookFilter = "Excel 工作簿(*.xlsx)|*.xlsx";

QLineEdit* Field(QWidget* parent, const char* name, const char* text = "") {
    auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

// Writes `workbook` where the user says (suggesting `name` in the home folder) and hands it to
// the desktop, or says where it went.
void SaveAndOpen(DesktopPrompts& prompts, const sheet::Workbook& workbook, std::string_view title,
                 const char* name) {
    const std::string suggested =
        (std::filesystem::path(QDir::homePath().toStdString()) / std::filesystem::path(name))
            .string();
    const std::string path = prompts.SaveFile(title, kWorkbookFilter, suggested);
    if (path.empty()) {
        return;
    }
    const bool written = session::RunOutputUnderHandler(prompts, false, path,
                                                        [&] { sheet::WriteXlsx(workbook, path); });
    if (written && !prompts.OpenWithDesktop(path)) {
        prompts.Inform("坐标表已保存到 " + path + "\n（没有可以打开它的程序）");
    }
}

/// The file name of a UTF-8 path, for the short descriptions of where points came from.
std::string FileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

/// The points of a side-stake table: each stake's centre, then its side stakes (a side stake
/// at offset 0 is its centre, listed once).
std::vector<formats::FieldPoint> SideStakePoints(const session::SideStakeTable& table) {
    std::vector<formats::FieldPoint> points;
    for (const session::SideStakeRow& row : table.Rows) {
        const auto elevation = [&row](std::size_t k) -> std::optional<double> {
            return k < row.Elevations.size() ? row.Elevations[k] : std::nullopt;
        };
        points.push_back(
            {session::StakeName(row.At.Label), row.Centre.X, row.Centre.Y, elevation(0), {}});
        for (std::size_t j = 0; j < row.Points.size() && j < table.Offsets.size(); ++j) {
            if (table.Offsets[j] == 0.0) {
                continue;
            }
            points.push_back({session::SideStakeName(row.At.Label, table.Offsets[j]),
                              row.Points[j].X,
                              row.Points[j].Y,
                              elevation(j + 1),
                              {}});
        }
    }
    return points;
}

// The refusals of the dialogs keep the focus where it is (the fields they name are the main
// window's).
void RefuseHere(DesktopPrompts& prompts, session::Refusal refusal) {
    refusal.Focus = session::Field::None;
    prompts.Refuse(refusal);
}

} // namespace

std::string OffsetText(double offset) {
    const std::string distance = geometry::FormatFixed(std::fabs(offset), 3);
    if (distance == "0.000") {
        return distance;
    }
    return (offset > 0.0 ? "左 " : "右 ") + distance;
}

// ---- 坐标反算 ----------------------------------------------------------------------------------

LocateDialog::LocateDialog(session::LoadedLine line, DesktopPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_line(std::move(line)), m_prompts(prompts) {
    setObjectName(QStringLiteral("locateDialog"));
    setWindowTitle(QStringLiteral("坐标反算"));
    m_x = Field(this, "locateX");
    m_y = Field(this, "locateY");
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("X坐标（北）"), m_x);
    form->addRow(QStringLiteral("Y坐标（东）"), m_y);

    auto* locate = Button(this, "locateButton", "反  算");
    auto* file = Button(this, "locateFileButton", "读取点文件…");
    auto* save = Button(this, "locateSaveButton", "保存为Excel…");
    auto* close = Button(this, "locateCloseButton", "关  闭");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {locate, file, save, close}) {
        buttons->addWidget(b);
    }

    m_table = new QTableWidget(0, 7, this);
    m_table->setObjectName(QStringLiteral("locateResults"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("点名"), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("桩号"),
         QStringLiteral("偏距"), QStringLiteral("方位角"), QStringLiteral("说明")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_table, 1);
    resize(820, 420);

    connect(locate, &QPushButton::clicked, this, &LocateDialog::LocateTyped);
    connect(file, &QPushButton::clicked, this, &LocateDialog::LocateFile);
    connect(save, &QPushButton::clicked, this, &LocateDialog::SaveWorkbook);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_x, &QLineEdit::returnPressed, m_y, [this] { m_y->setFocus(); });
    connect(m_y, &QLineEdit::returnPressed, this, &LocateDialog::LocateTyped);
}

void LocateDialog::LocateTyped() {
    const std::optional<double> x = geometry::ParseNumber(geometry::Trim(Text(m_x)));
    const std::optional<double> y = geometry::ParseNumber(geometry::Trim(Text(m_y)));
    const auto within = [](const std::optional<double>& v) {
        return v && std::fabs(*v) <= formats::kMaxCoordinate; // NaN and slipped decimal points
    };
    if (!within(x) || !within(y)) {
        m_prompts.Refuse("坐标应为以米计的数，如X 3452500.5、Y 503100！");
        (within(x) ? m_y : m_x)->setFocus();
        return;
    }
    ShowResults(session::LocatePoints(m_line, {{"P1", {*x, *y}}}), "坐标反算 P1");
}

void LocateDialog::LocateFile() {
    std::vector<std::pair<std::string, geometry::PlanePoint>> points;
    std::string path;
    const bool read = session::RunUnderHandler(m_prompts, false, [&] {
        path = m_prompts.OpenFile(kPointFileTitle, kPointFileFilter);
        for (const formats::SurveyPoint& p : formats::ReadPointFile(path)) {
            points.push_back({p.Name, {p.X, p.Y}});
        }
    });
    if (read) {
        ShowResults(session::LocatePoints(m_line, points), "坐标反算 " + FileName(path));
    }
}

void LocateDialog::ShowResults(std::vector<session::PointLocation> results,
                               const std::string& source) {
    m_results = std::move(results);
    if (m_made) {
        // Each point where it is, with the design elevation at its nearest foot.
        std::vector<formats::FieldPoint> points;
        for (const session::PointLocation& p : m_results) {
            std::optional<double> h;
            if (!p.Feet.empty()) {
                h = session::DesignElevation(m_line, p.Feet.front().At.Mileage,
                                             p.Feet.front().Offset);
            }
            points.push_back({p.Name, p.Point.X, p.Point.Y, h, {}});
        }
        m_made(std::move(points), source);
    }
    m_table->setRowCount(0);
    const auto add = [this](const QStringList& cells) {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        for (int c = 0; c < cells.size(); ++c) {
            m_table->setItem(row, c, new QTableWidgetItem(cells[c]));
        }
    };
    for (const session::PointLocation& p : m_results) {
        const QString name = ToQString(p.Name);
        const QString x = ToQString(geometry::FormatFixed(p.Point.X, 4));
        const QString y = ToQString(geometry::FormatFixed(p.Point.Y, 4));
        if (p.Feet.empty()) {
            add({name, x, y, {}, {}, {}, ToQString(p.Note)});
        }
        for (const session::LocatedFoot& f : p.Feet) {
            add({name,
                 x,
                 y,
                 ToQString(f.At.Label),
                 ToQString(OffsetText(f.Offset)),
                 ToQString(geometry::AzimuthText(f.Azimuth)),
                 {}});
        }
    }
    m_table->resizeColumnsToContents();
}

void LocateDialog::SaveWorkbook() {
    if (m_results.empty()) {
        m_prompts.Refuse("还没有反算结果，请先反算！");
        return;
    }
    std::vector<sheet::LocateSheetRow> rows;
    for (const session::PointLocation& p : m_results) {
        if (p.Feet.empty()) {
            rows.push_back({p.Name, p.Point, false, 0.0, '\0', 0.0, {}, p.Note});
        }
        for (const session::LocatedFoot& f : p.Feet) {
            rows.push_back({p.Name,
                            p.Point,
                            true,
                            f.At.Written,
                            f.At.Mark,
                            f.Offset,
                            geometry::AzimuthText(f.Azimuth),
                            {}});
        }
    }
    sheet::Workbook workbook;
    if (session::RunUnderHandler(m_prompts, false,
                                 [&] { sheet::WriteLocateSheet(workbook, rows); })) {
        SaveAndOpen(m_prompts, workbook, "保存坐标反算表", "坐标反算.xlsx");
    }
}

// ---- 逐桩坐标表 --------------------------------------------------------------------------------

SideStakeDialog::SideStakeDialog(session::LoadedLine line, DesktopPrompts& prompts,
                                 std::function<void(const std::vector<geometry::PlanePoint>&)> draw,
                                 QWidget* parent)
    : QDialog(parent), m_line(std::move(line)), m_prompts(prompts), m_draw(std::move(draw)) {
    setObjectName(QStringLiteral("sideStakeDialog"));
    setWindowTitle(QStringLiteral("逐桩坐标表"));
    m_from = Field(this, "stakeFrom");
    m_to = Field(this, "stakeTo");
    m_step = Field(this, "stakeStep", "20");
    m_left = Field(this, "stakeLeft");
    m_right = Field(this, "stakeRight");
    m_angle = Field(this, "stakeAngle");
    m_from->setToolTip(QStringLiteral("空：设计线起点；可带断链标识，如B15100"));
    m_to->setToolTip(QStringLiteral("空：设计线终点"));
    m_angle->setToolTip(QStringLiteral("边桩方向相对切线的右偏角，空或0为垂直于设计线"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("起点桩号"), m_from);
    form->addRow(QStringLiteral("终点桩号"), m_to);
    form->addRow(QStringLiteral("间距（米）"), m_step);
    form->addRow(QStringLiteral("左边桩距离（米）"), m_left);
    form->addRow(QStringLiteral("右边桩距离（米）"), m_right);
    form->addRow(QStringLiteral("右偏角（度）"), m_angle);
    m_drawPoints = new QCheckBox(QStringLiteral("绘入图形窗口"), this);
    m_drawPoints->setObjectName(QStringLiteral("stakeDraw"));

    auto* make = Button(this, "stakeMakeButton", "生成坐标表…");
    auto* close = Button(this, "stakeCloseButton", "关  闭");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(make);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_drawPoints);
    layout->addLayout(buttons);

    connect(make, &QPushButton::clicked, this, &SideStakeDialog::Make);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void SideStakeDialog::Make() {
    // A number field: empty gives `empty`, anything else must be a finite number.
    const auto number = [](const QLineEdit* edit, double empty) -> std::optional<double> {
        const std::string text(geometry::Trim(Text(edit)));
        if (text.empty()) {
            return empty;
        }
        const std::optional<double> value = geometry::ParseNumber(text);
        return value && std::isfinite(*value) ? value : std::nullopt;
    };
    const std::optional<double> step = number(m_step, 0.0);
    if (!step || !(*step > 0.0)) {
        m_prompts.Refuse("间距应大于0！");
        m_step->setFocus();
        return;
    }
    const double none = -1.0;
    const std::optional<double> left = number(m_left, none);
    const std::optional<double> right = number(m_right, none);
    for (const auto& [value, edit] : {std::pair{left, m_left}, std::pair{right, m_right}}) {
        if (!value || (*value < 0.0 && *value != none)) {
            m_prompts.Refuse("边桩距离应为以米计的非负数，不要边桩则留空！");
            edit->setFocus();
            return;
        }
    }
    const std::optional<double> angle = number(m_angle, 90.0);
    if (!angle) {
        m_prompts.Refuse("右偏角应在0～180之间！");
        m_angle->setFocus();
        return;
    }
    std::vector<double> offsets;
    std::vector<std::string> captions{"中桩"};
    if (*left != none) {
        offsets.push_back(*left);
        captions.push_back("左边桩 " + geometry::FormatShortest(*left) + " m");
    }
    if (*right != none) {
        offsets.push_back(-*right);
        captions.push_back("右边桩 " + geometry::FormatShortest(*right) + " m");
    }

    sheet::Workbook workbook;
    std::vector<geometry::PlanePoint> drawn;
    std::optional<session::Refusal> refused;
    const bool made = session::RunUnderHandler(m_prompts, false, [&] {
        auto table =
            session::MakeSideStakeTable(m_line, Text(m_from), Text(m_to), *step, offsets, *angle);
        if (auto* refusal = std::get_if<session::Refusal>(&table)) {
            refused = std::move(*refusal);
            return;
        }
        m_table = std::get<session::SideStakeTable>(std::move(table));
        sheet::StakeSheetTable sheetTable;
        sheetTable.Title = "逐 桩 坐 标 表";
        sheetTable.PointCaptions = captions;
        sheetTable.WithElevations = m_line.Profile != nullptr;
        for (const session::SideStakeRow& row : m_table.Rows) {
            sheet::StakeSheetRow r{
                row.At.Written, row.At.Mark, {{row.Centre.X, row.Centre.Y}}, row.Elevations};
            r.Points.insert(r.Points.end(), row.Points.begin(), row.Points.end());
            drawn.insert(drawn.end(), r.Points.begin(), r.Points.end());
            sheetTable.Rows.push_back(std::move(r));
        }
        sheet::WriteStakeSheet(workbook, sheetTable);
    });
    if (refused) {
        RefuseHere(m_prompts, *refused);
        return;
    }
    if (!made) {
        return;
    }
    if (m_made && !m_table.Rows.empty()) {
        m_made(SideStakePoints(m_table),
               "逐桩坐标表 " + session::StakeName(m_table.Rows.front().At.Label) + "～" +
                   session::StakeName(m_table.Rows.back().At.Label));
    }
    if (m_drawPoints->isChecked() && m_draw) {
        m_draw(drawn);
    }
    SaveAndOpen(m_prompts, workbook, "保存逐桩坐标表", "逐桩坐标表.xlsx");
}

// ---- 极坐标放样 --------------------------------------------------------------------------------

PolarDialog::PolarDialog(std::vector<formats::FieldPoint> points, std::string source,
                         DesktopPrompts& prompts, PickPoint pick, DrawSetup draw, QWidget* parent)
    : QDialog(parent), m_points(std::move(points)), m_prompts(prompts), m_pick(std::move(pick)),
      m_draw(std::move(draw)) {
    setObjectName(QStringLiteral("polarDialog"));
    setWindowTitle(QStringLiteral("极坐标放样"));
    m_stationX = Field(this, "stationXField");
    m_stationY = Field(this, "stationYField");
    m_backsightX = Field(this, "backsightXField");
    m_backsightY = Field(this, "backsightYField");
    auto* pickStation = Button(this, "pickStationButton", "拾取测站");
    auto* pickBacksight = Button(this, "pickBacksightButton", "拾取后视");
    pickStation->setToolTip(QStringLiteral("在图形窗口中单击测站点"));
    pickBacksight->setToolTip(QStringLiteral("在图形窗口中单击后视点"));
    auto* grid = new QGridLayout;
    const auto row = [&](int r, const char* x, QLineEdit* xEdit, const char* y, QLineEdit* yEdit,
                         QPushButton* button) {
        grid->addWidget(new QLabel(QString::fromUtf8(x), this), r, 0);
        grid->addWidget(xEdit, r, 1);
        grid->addWidget(new QLabel(QString::fromUtf8(y), this), r, 2);
        grid->addWidget(yEdit, r, 3);
        grid->addWidget(button, r, 4);
    };
    row(0, "测站 X", m_stationX, "测站 Y", m_stationY, pickStation);
    row(1, "后视 X", m_backsightX, "后视 Y", m_backsightY, pickBacksight);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* compute = Button(this, "polarComputeButton", "计  算");
    auto* save = Button(this, "polarSaveButton", "保存为Excel…");
    auto* drawButton = Button(this, "polarDrawButton", "画入图中");
    auto* close = Button(this, "polarCloseButton", "关  闭");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {compute, save, drawButton, close}) {
        buttons->addWidget(b);
    }

    auto* which = new QLabel(QStringLiteral("放样点：%1，共 %2 个点")
                                 .arg(ToQString(source))
                                 .arg(static_cast<qsizetype>(m_points.size())),
                             this);
    which->setObjectName(QStringLiteral("polarPointsLabel"));
    m_backsightAzimuth = new QLabel(this);
    m_backsightAzimuth->setObjectName(QStringLiteral("backsightAzimuthLabel"));

    m_table = new QTableWidget(0, 7, this);
    m_table->setObjectName(QStringLiteral("polarResults"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("点名"), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("H"),
         QStringLiteral("方位角"), QStringLiteral("水平角"), QStringLiteral("平距")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Each column as wide as its numbers: the distance stays beside its angles.
    m_table->horizontalHeader()->setStretchLastSection(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(which);
    layout->addWidget(m_backsightAzimuth);
    layout->addWidget(m_table, 1);
    resize(760, 480);

    connect(pickStation, &QPushButton::clicked, this, &PolarDialog::PickStation);
    connect(pickBacksight, &QPushButton::clicked, this, &PolarDialog::PickBacksight);
    connect(compute, &QPushButton::clicked, this, &PolarDialog::Compute);
    connect(save, &QPushButton::clicked, this, &PolarDialog::SaveWorkbook);
    connect(drawButton, &QPushButton::clicked, this, &PolarDialog::DrawIntoDrawing);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    // Enter walks the fields and computes after the last.
    connect(m_stationX, &QLineEdit::returnPressed, m_stationY, [this] { m_stationY->setFocus(); });
    connect(m_stationY, &QLineEdit::returnPressed, m_backsightX,
            [this] { m_backsightX->setFocus(); });
    connect(m_backsightX, &QLineEdit::returnPressed, m_backsightY,
            [this] { m_backsightY->setFocus(); });
    connect(m_backsightY, &QLineEdit::returnPressed, this, &PolarDialog::Compute);
}

void PolarDialog::PickStation() {
    Pick(m_stationX, m_stationY, "拾取测站点:");
}

void PolarDialog::PickBacksight() {
    Pick(m_backsightX, m_backsightY, "拾取后视点:");
}

void PolarDialog::Pick(QLineEdit* x, QLineEdit* y, std::string_view prompt) {
    if (!m_pick || m_picking) {
        return;
    }
    // The dialog stays put while the user clicks in the drawing window.
    m_picking = true;
    setEnabled(false);
    const std::optional<cad::Point> picked = m_pick(prompt);
    setEnabled(true);
    m_picking = false;
    if (!picked) {
        return;
    }
    // The drawing is east, north; survey X is north and Y east.
    x->setText(ToQString(geometry::FormatFixed(picked->Y, 4)));
    y->setText(ToQString(geometry::FormatFixed(picked->X, 4)));
    raise();
    activateWindow();
}

bool PolarDialog::Compute() {
    m_setup.reset();
    m_values.clear();
    m_table->setRowCount(0);
    m_backsightAzimuth->clear();
    const auto typed = [](const QLineEdit* x, const QLineEdit* y) {
        return Text(x) + "," + Text(y);
    };
    auto setup =
        session::MakePolarSetup(typed(m_stationX, m_stationY), typed(m_backsightX, m_backsightY));
    if (auto* refusal = std::get_if<session::Refusal>(&setup)) {
        RefuseHere(m_prompts, *refusal);
        return false;
    }
    auto values = session::PolarTable(std::get<session::PolarSetup>(setup), m_points);
    if (auto* refusal = std::get_if<session::Refusal>(&values)) {
        RefuseHere(m_prompts, *refusal);
        return false;
    }
    m_setup = std::get<session::PolarSetup>(setup);
    m_values = std::get<std::vector<geometry::PolarValues>>(std::move(values));

    m_backsightAzimuth->setText(QStringLiteral("后视方位角：") +
                                ToQString(geometry::DirectionText(
                                    geometry::PointAzimuth(m_setup->Station, m_setup->Backsight))));
    m_table->setRowCount(static_cast<int>(m_points.size()));
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        const formats::FieldPoint& p = m_points[i];
        const geometry::PolarValues& v = m_values[i];
        const QStringList cells = {ToQString(p.Name),
                                   ToQString(geometry::FormatFixed(p.X, 4)),
                                   ToQString(geometry::FormatFixed(p.Y, 4)),
                                   p.H ? ToQString(geometry::FormatFixed(*p.H, 3)) : QString(),
                                   ToQString(geometry::DirectionText(v.Azimuth)),
                                   ToQString(geometry::DirectionText(v.Angle)),
                                   ToQString(geometry::FormatFixed(v.Distance, 4))};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c > 0) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            m_table->setItem(static_cast<int>(i), c, item);
        }
    }
    m_table->resizeColumnsToContents();
    return true;
}

void PolarDialog::SaveWorkbook() {
    // What is saved is what the fields say now, not an earlier computation.
    if (!Compute()) {
        return;
    }
    sheet::Workbook workbook;
    if (session::RunUnderHandler(m_prompts, false, [&] {
            sheet::WritePolarSheet(workbook, session::MakePolarSheet(*m_setup, m_points, m_values));
        })) {
        SaveAndOpen(m_prompts, workbook, "保存极坐标放样表", "极坐标放样表.xlsx");
    }
}

void PolarDialog::DrawIntoDrawing() {
    if (!Compute() || !m_draw) {
        return;
    }
    std::vector<geometry::PlanePoint> targets;
    targets.reserve(m_points.size());
    for (const formats::FieldPoint& p : m_points) {
        targets.push_back({p.X, p.Y});
    }
    m_draw(*m_setup, targets);
}

void PolarDialog::closeEvent(QCloseEvent* event) {
    if (m_picking) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace tesk::app
