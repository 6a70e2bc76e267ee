#include "app/survey_dialogs.h"

#include "app/qt_text.h"
#include "formats/point_file.h"
#include "formats/text_file.h"
#include "geometry/angles.h"
#include "geometry/number_text.h"
#include "session/command_handler.h"
#include "sheet/stake_sheet.h"
#include "sheet/workbook.h"
#include "sheet/xlsx_writer.h"

#include <QCheckBox>
#include <QDir>
#include <QFormLayout>
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
    ShowResults(session::LocatePoints(m_line, {{"P1", {*x, *y}}}));
}

void LocateDialog::LocateFile() {
    std::vector<std::pair<std::string, geometry::PlanePoint>> points;
    const bool read = session::RunUnderHandler(m_prompts, false, [&] {
        for (const formats::SurveyPoint& p :
             formats::ReadPointFile(m_prompts.OpenFile(kPointFileTitle, kPointFileFilter))) {
            points.push_back({p.Name, {p.X, p.Y}});
        }
    });
    if (read) {
        ShowResults(session::LocatePoints(m_line, points));
    }
}

void LocateDialog::ShowResults(std::vector<session::PointLocation> results) {
    m_results = std::move(results);
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
    if (m_drawPoints->isChecked() && m_draw) {
        m_draw(drawn);
    }
    SaveAndOpen(m_prompts, workbook, "保存逐桩坐标表", "逐桩坐标表.xlsx");
}

} // namespace tesk::app
