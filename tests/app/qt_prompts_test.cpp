// The real dialogs behind the commands' prompts: titles, icons, buttons, filters, details, and
// the focus moves they ask of the main window.

#include "app/main_window.h"
#include "app/qt_prompts.h"
#include "session/refusal.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tesk;

namespace {

/// Runs `inspect` on the modal dialog that `show` opens, then closes that dialog.
template <typename Dialog> void WithModal(const std::function<void(Dialog&)>& inspect, bool* seen) {
    QTimer::singleShot(50, [inspect, seen] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        *seen = true;
        inspect(*dialog);
    });
}

} // namespace

class QtPromptsTest : public QObject {
    Q_OBJECT

    app::MainWindow* m_window = nullptr;

private slots:
    void init() {
        m_window = new app::MainWindow;
        m_window->show();
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }
    void cleanup() { delete m_window; }

    void RefusalIsAWarningWithOnlyOk() {
        bool seen = false;
        WithModal<QMessageBox>(
            [](QMessageBox& box) {
                QCOMPARE(box.windowTitle(), QStringLiteral("数据有误"));
                QCOMPARE(box.text(), QStringLiteral("右偏角应在0～180之间！"));
                QCOMPARE(box.icon(), QMessageBox::Warning);
                QCOMPARE(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
                box.accept();
            },
            &seen);
        m_window->Prompts().Refuse("右偏角应在0～180之间！");
        QVERIFY(seen);
    }

    void ErrorIsCriticalWithItsDetail() {
        bool seen = false;
        WithModal<QMessageBox>(
            [](QMessageBox& box) {
                QCOMPARE(box.windowTitle(), QStringLiteral("错误"));
                QCOMPARE(box.text(), QStringLiteral("数据文件格式有误或操作有误！"));
                QCOMPARE(box.icon(), QMessageBox::Critical);
                QCOMPARE(box.detailedText(), QStringLiteral("文件：main.jdx\n行：第4行\n"));
                box.accept();
            },
            &seen);
        // The English text is for the command-line tool's --verbose, never in the box.
        m_window->Prompts().Error("数据文件格式有误或操作有误！", "文件：main.jdx\n行：第4行\n",
                                  "main.jdx, line 4: 'x' is not a number");
        QVERIFY(seen);
    }

    void OpenDialogShowsTitleAndConvertedFilter() {
        bool seen = false;
        WithModal<QFileDialog>(
            [](QFileDialog& dialog) {
                QCOMPARE(dialog.windowTitle(), QStringLiteral("读取桩位资料"));
                QCOMPARE(dialog.nameFilters(), (QStringList{QStringLiteral("文本文件 (*.txt *.zw)"),
                                                            QStringLiteral("所有文件 (*.*)")}));
                QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
                dialog.reject();
            },
            &seen);
        const std::string path = m_window->Prompts().OpenFile(
            "读取桩位资料", "文本文件(*.txt;*.zw)|*.txt;*.zw|所有文件（*.*)|*.*");
        QVERIFY(seen);
        QVERIFY(path.empty()); // cancelled
    }

    void SaveDialogSuggestsThePathAndAddsTheSuffix() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        bool seen = false;
        const QString typed = dir.filePath(QStringLiteral("桥"));
        WithModal<QFileDialog>(
            [typed](QFileDialog& dialog) {
                QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
                QCOMPARE(dialog.defaultSuffix(), QStringLiteral("xlsx"));
                QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
                QVERIFY(dialog.selectedFiles().value(0).endsWith(QStringLiteral("bridge.xlsx")));
                // The user types a name without a suffix.
                auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(QStringLiteral("桥"));
                static_cast<QDialog&>(dialog).accept(); // QFileDialog::accept, as OK does
            },
            &seen);
        const std::string path =
            m_window->Prompts().SaveFile("保存坐标表", "Excel 工作簿(*.xlsx)|*.xlsx",
                                         dir.filePath(QStringLiteral("bridge.xlsx")).toStdString());
        QVERIFY(seen);
        QCOMPARE(QString::fromStdString(path), typed + QStringLiteral(".xlsx"));
    }

    void SaveDialogGivesANameTheSuffixOfTheChosenType() {
        // A point file's format goes by its suffix: "CSV点文件" chosen and "桥" typed is 桥.csv,
        // not a CASS file under the first type's suffix.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        bool seen = false;
        WithModal<QFileDialog>(
            [](QFileDialog& dialog) {
                auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                QVERIFY(types);
                QTest::keyClick(types, Qt::Key_Down); // the user picks the second type
                QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("CSV点文件 (*.csv)"));
                auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(QStringLiteral("桥"));
                static_cast<QDialog&>(dialog).accept();
            },
            &seen);
        const std::string path = m_window->Prompts().SaveFile(
            "导出点文件", "CASS坐标文件 (*.dat)|*.dat|CSV点文件 (*.csv)|*.csv",
            dir.filePath(QStringLiteral("放样点.dat")).toStdString());
        QVERIFY(seen);
        QCOMPARE(QString::fromStdString(path), dir.filePath(QStringLiteral("桥.csv")));
    }

    void SaveDialogAsksBeforeReplacingAFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString existing = dir.filePath(QStringLiteral("bridge.xlsx"));
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep");
        file.close();

        QString question;
        bool seen = false;
        WithModal<QFileDialog>(
            [&question](QFileDialog& dialog) {
                // The overwrite question comes up modal over the dialog: answer no, then
                // leave the dialog.
                QTimer::singleShot(50, [&question, &dialog] {
                    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                        question = box->text();
                        box->button(QMessageBox::No)->click();
                    }
                    QTimer::singleShot(50, &dialog, [&dialog] { dialog.reject(); });
                });
                static_cast<QDialog&>(dialog).accept();
            },
            &seen);
        const std::string path = m_window->Prompts().SaveFile(
            "保存坐标表", "Excel 工作簿(*.xlsx)|*.xlsx", existing.toStdString());
        QVERIFY(seen);
        QVERIFY2(question.contains(QStringLiteral("bridge.xlsx")), qPrintable(question));
        QVERIFY(path.empty()); // not replaced
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep"));
    }

    void RefusalPutsTheFocusOnItsField() {
        // After the box, the focus is on the refusal's field with its text selected for
        // retyping; a refusal without a field leaves the window's focus where it was.
        auto* station = m_window->findChild<QLineEdit*>(QStringLiteral("stationField"));
        auto* angle = m_window->findChild<QLineEdit*>(QStringLiteral("angleField"));
        QVERIFY(station && angle);
        station->setText(QStringLiteral("A1234"));
        station->setFocus();
        angle->setText(QStringLiteral("180"));
        struct Row {
            session::Field Focus;
            QLineEdit* Expected;
        };
        for (const Row& row : {Row{session::Field::Angle, angle}, Row{session::Field::None, angle},
                               Row{session::Field::Station, station}}) {
            bool seen = false;
            WithModal<QMessageBox>([](QMessageBox& box) { box.accept(); }, &seen);
            m_window->Prompts().Refuse(
                session::Refusal{"右偏角应在0～180之间！", row.Focus, /*ActivateFirst=*/true});
            QVERIFY(seen);
            QCOMPARE(m_window->focusWidget(), row.Expected);
            if (row.Focus != session::Field::None) {
                QCOMPARE(row.Expected->selectedText(), row.Expected->text());
            }
        }
    }
};

QTEST_MAIN(QtPromptsTest)
#include "qt_prompts_test.moc"
