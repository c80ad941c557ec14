// Tools > Update board...: the board picked in the file dialog, the changes listed as
// malvor-convert --update prints them, and "Update" writing its bytes with EAGLE's backup; a
// netlist a new board would refuse shows the problems instead.

#include "window_test_support.h"

#include "command_run.h"
#include "frm_problems.h"
#include "frm_update.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>

namespace {

using malvor::testing_support::read_bytes;
using malvor::testing_support::run_command;

const QString board_data = QFileInfo(QStringLiteral(MALVOR_TEST_DATA "/board")).absoluteFilePath() +
                           '/';

class UpdateWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        for (const char* name : {"misc.lbr", "eagle9.brd", "eagle9.net"})
            ASSERT_TRUE(QFile::copy(board_data + name, in_folder(name)));
        QFile::setPermissions(in_folder("eagle9.brd"), QFile::ReadOwner | QFile::WriteOwner);
    }
    frm_eagle& open_updating(const QString& netlist)
    {
        frm_eagle& w = open();
        w.setFileDialogs({[](QWidget*, const QString&) { return QStringList(); },
                          [](QWidget*, const QString&) { return QString(); },
                          [](QWidget*, const QString&) { return QString(); },
                          [this](QWidget*, const QString& start) {
                              asked_in = start;
                              return next_board;
                          }});
        w.openFiles({in_folder(netlist), in_folder("misc.lbr")});
        return w;
    }
    std::string path_of(const char* name) { return in_folder(name).toStdString(); }
    QStringList change_rows(frm_update& update)
    {
        QStringList rows;
        auto* list = child<QListWidget>(update, "lst_changes");
        for (int row = 0; row < list->count(); ++row)
            rows << list->item(row)->text();
        return rows;
    }

    QString next_board, asked_in;
};

TEST_F(UpdateWindowTest, ChangesListedAndUpdateWritesTheConvertersBytes)
{
    std::string netlist = read_bytes(path_of("eagle9.net"));
    netlist.replace(netlist.find("10k"), 3, "22k");
    netlist.replace(netlist.find("R1-2\r\nR2-1"), 10, "R1-2");  // R2.1 moves from GND to VCC
    netlist.replace(netlist.find("D1-A"), 4, "R2-1\r\nD1-A");
    write_file("edited.net", QByteArray::fromStdString(netlist));
    const auto original = read_bytes(path_of("eagle9.brd"));
    const auto converted =
        run_command({"--update", path_of("eagle9.brd"), "-o", path_of("converted.brd"),
                     path_of("edited.net"), path_of("misc.lbr")});
    ASSERT_EQ(converted.status, 0) << converted.err;

    frm_eagle& w = open_updating("edited.net");
    next_board.clear();
    child<QAction>(w, "UpdateBoard")->trigger();  // the dialog cancelled: nothing happens
    EXPECT_EQ(asked_in, folder);
    EXPECT_EQ(w.updateWindow(), nullptr);
    EXPECT_TRUE(shown.empty());

    next_board = in_folder("eagle9.brd");
    child<QAction>(w, "UpdateBoard")->trigger();
    ASSERT_NE(w.updateWindow(), nullptr);
    frm_update& update = *w.updateWindow();
    QStringList expected = QString::fromStdString(converted.out).split('\n', Qt::SkipEmptyParts);
    const QString count = expected.takeLast();
    EXPECT_EQ(count, "2 changes");
    EXPECT_EQ(change_rows(update), expected);
    EXPECT_EQ(child<QLabel>(update, "lbl_count")->text(), in_folder("eagle9.brd") + ": " + count);

    // Cancel leaves the board as it is.
    QTest::mouseClick(child(update, "cmd_cancel"), Qt::LeftButton);
    flush_deletions();
    EXPECT_EQ(w.updateWindow(), nullptr);
    EXPECT_EQ(read_bytes(path_of("eagle9.brd")), original);

    child<QAction>(w, "UpdateBoard")->trigger();
    ASSERT_NE(w.updateWindow(), nullptr);
    QTest::mouseClick(child(*w.updateWindow(), "cmd_update"), Qt::LeftButton);
    flush_deletions();
    EXPECT_EQ(w.updateWindow(), nullptr);
    ASSERT_EQ(shown.size(), 1u);
    expect_box(*shown[0], "Malvor - Info", QMessageBox::NoIcon,
               QMessageBox::Ok | QMessageBox::Cancel,
               "Board file updated:\n" + in_folder("eagle9.brd"));
    EXPECT_EQ(read_bytes(path_of("eagle9.brd")), read_bytes(path_of("converted.brd")));
    EXPECT_EQ(read_bytes(path_of("eagle9.b#1")), original);
}

TEST_F(UpdateWindowTest, ARefusedNetlistShowsTheProblemsAndWritesNothing)
{
    std::string netlist = read_bytes(path_of("eagle9.net"));
    netlist.replace(netlist.find("LED-3MM"), 7, "LED-5MM");
    write_file("refused.net", QByteArray::fromStdString(netlist));
    const auto original = read_bytes(path_of("eagle9.brd"));
    frm_eagle& w = open_updating("refused.net");
    next_board = in_folder("eagle9.brd");
    child<QAction>(w, "UpdateBoard")->trigger();
    EXPECT_EQ(w.updateWindow(), nullptr);
    ASSERT_NE(w.problemsWindow(), nullptr);
    EXPECT_EQ(w.problemsWindow()->problems().rowCount(), 1);
    EXPECT_EQ(read_bytes(path_of("eagle9.brd")), original);

    // A file that is no board says what it is.
    write_file("schematic.brd",
               "<?xml version=\"1.0\"?><eagle version=\"9\"><drawing><layers/>"
               "<schematic/></drawing></eagle>");
    w.openFiles({in_folder("eagle9.net")});
    next_board = in_folder("schematic.brd");
    child<QAction>(w, "UpdateBoard")->trigger();
    ASSERT_EQ(shown.size(), 1u);
    expect_box(*shown[0], "Malvor - Error", QMessageBox::Critical, QMessageBox::Ok,
               "The board cannot be updated:\n" + in_folder("schematic.brd") +
                   "\nan EAGLE schematic, not a board");
}

}  // namespace
