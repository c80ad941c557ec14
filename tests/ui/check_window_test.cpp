// The window's libraries, map, check and problems: as a user drives them, against what
// malvor-convert prints and writes for the same files.

#include "window_test_support.h"

#include "check_job.h"
#include "command_run.h"
#include "frm_libraries.h"
#include "frm_problems.h"

#include <QAction>
#include <QLabel>
#include <QTreeView>

namespace {

using malvor::testing_support::read_bytes;
using malvor::testing_support::run_command;

// Made absolute while the working folder is the build's: under Wine the sources' paths have no
// drive, and would be taken on the drive of the scratch folder.
const QString test_data = QFileInfo(QStringLiteral(MALVOR_TEST_DATA)).absoluteFilePath() + '/';
const QString examples = QFileInfo(QStringLiteral(MALVOR_EXAMPLES_DIR)).absoluteFilePath() + '/';

class CheckWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        for (const char* name : {"passives.lbr", "semis.lbr"})
            ASSERT_TRUE(QFile::copy(test_data + name, in_folder(name)));
        ASSERT_TRUE(QFile::copy(examples + "board.net", in_folder("board.net")));
    }
    // The main window with its file dialogs answered from `next_*`, and what it asks recorded.
    frm_eagle& open_checking()
    {
        frm_eagle& w = open();
        w.setFileDialogs({[this](QWidget*, const QString&) { return next_libraries; },
                          [this](QWidget*, const QString&) { return next_map; },
                          [this](QWidget*, const QString& proposed) {
                              proposed_map = proposed;
                              return next_save;
                          },
                          [](QWidget*, const QString&) { return QString(); }});
        w.setWriteAnywayAsker([this](const QString& text, QWidget*) {
            asked << text;
            return write_anyway;
        });
        w.setFileOpener([this](const QString& path) {
            opened << path;
            return true;
        });
        return w;
    }
    // The board with both libraries, as `malvor board.net passives.lbr semis.lbr` opens it.
    frm_eagle& open_board(const QStringList& more = {})
    {
        frm_eagle& w = open_checking();
        w.openFiles(
            QStringList{in_folder("board.net"), in_folder("passives.lbr"), in_folder("semis.lbr")} +
            more);
        return w;
    }
    void wait_for_check()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->checking(); }));
        QCoreApplication::processEvents();
    }
    std::string path_of(const char* name) { return in_folder(name).toStdString(); }
    // The converter's report lines without the netlist's name, as the problems window lists
    // them: "LINE: message". The netlist is the argument after --check.
    QStringList converter_problems(const std::vector<std::string>& arguments)
    {
        const auto outcome = run_command(arguments);
        QStringList lines = QString::fromStdString(outcome.out).split('\n', Qt::SkipEmptyParts);
        lines.removeLast();                                                  // the count
        const QString netlist = QString::fromStdString(arguments[1]) + ':';  // after --check
        for (QString& line : lines) {
            EXPECT_TRUE(line.startsWith(netlist)) << line.toStdString();
            line.remove(0, netlist.size());
        }
        return lines;
    }
    frm_problems& problems()
    {
        frm_problems* shown_problems = window->problemsWindow();
        EXPECT_NE(shown_problems, nullptr);
        return *shown_problems;
    }
    QStringList problem_rows()
    {
        QStringList rows;
        const auto& model = problems().problems();
        for (int row = 0; row < model.rowCount(); ++row)
            rows << model.index(row, 0).data().toString() + ": " +
                        model.index(row, 1).data().toString();
        return rows;
    }
    QString count_text() { return child<QLabel>(problems(), "lbl_count")->text(); }
    QStringList library_rows()
    {
        QStringList rows;
        auto* list = child<QListWidget>(*window->librariesWindow(), "lst_libraries");
        for (int row = 0; row < list->count(); ++row)
            rows << list->item(row)->text();
        return rows;
    }
    QString native(const char* name) { return QDir::toNativeSeparators(in_folder(name)); }

    QStringList next_libraries;
    QString next_map, next_save, proposed_map;
    QStringList asked, opened;
    bool write_anyway = false;
};

TEST_F(CheckWindowTest, LibrariesKeepTheirOrderBetweenRunsAndMissingOnesAreShown)
{
    ASSERT_TRUE(QFile::copy(test_data + "parts.lbr", in_folder("parts.lbr")));
    write_file("board-map.csv", "footprint,package\n");
    frm_eagle& w = open_checking();
    QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier);
    frm_libraries* libraries = w.librariesWindow();
    ASSERT_NE(libraries, nullptr);
    EXPECT_EQ(libraries->windowTitle(), "Malvor - Libraries");
    auto click = [&](const char* name) {
        QTest::mouseClick(child(*libraries, name), Qt::LeftButton);
    };
    auto* list = child<QListWidget>(*libraries, "lst_libraries");
    next_libraries = {in_folder("semis.lbr"), in_folder("passives.lbr")};
    click("cmd_add");
    next_libraries = {in_folder("parts.lbr"), in_folder("semis.lbr")};  // one already there
    click("cmd_add");
    EXPECT_EQ(library_rows(),
              QStringList({native("semis.lbr"), native("passives.lbr"), native("parts.lbr")}));
    EXPECT_EQ(list->currentRow(), 0);  // the last one chosen
    list->setCurrentRow(1);
    click("cmd_up");
    EXPECT_EQ(library_rows(),
              QStringList({native("passives.lbr"), native("semis.lbr"), native("parts.lbr")}));
    EXPECT_FALSE(child(*libraries, "cmd_up")->isEnabled());
    click("cmd_down");
    click("cmd_down");
    EXPECT_EQ(library_rows(),
              QStringList({native("semis.lbr"), native("parts.lbr"), native("passives.lbr")}));
    EXPECT_FALSE(child(*libraries, "cmd_down")->isEnabled());
    list->setCurrentRow(1);
    click("cmd_remove");
    next_map = in_folder("board-map.csv");
    click("cmd_map");
    EXPECT_EQ(child<QLabel>(*libraries, "lbl_map")->text(), "board-map.csv");
    const auto kept = malvor::LibraryChoice::load();
    EXPECT_EQ(kept.libraries, QStringList({in_folder("semis.lbr"), in_folder("passives.lbr")}));
    EXPECT_EQ(kept.map, in_folder("board-map.csv"));

    // The next run shows them again, a file gone as missing, not dropped.
    window.reset();
    ASSERT_TRUE(QFile::remove(in_folder("semis.lbr")));
    frm_eagle& again = open_checking();
    again.Libraries_Click();
    EXPECT_EQ(
        library_rows(), QStringList({native("semis.lbr") + "  (missing)", native("passives.lbr")}));
    QTest::mouseClick(child(*again.librariesWindow(), "cmd_no_map"), Qt::LeftButton);
    EXPECT_EQ(child<QLabel>(*again.librariesWindow(), "lbl_map")->text(), "none");
    EXPECT_EQ(malvor::LibraryChoice::load().map, QString());
    EXPECT_TRUE(shown.empty());
}

TEST_F(CheckWindowTest, CheckListsTheConvertersProblemsAndSelectsTheirEntries)
{
    frm_eagle& w = open_board({in_folder("gone.lbr")});
    // The file that cannot be opened is said, the rest opened.
    ASSERT_EQ(shown.size(), 1u);
    expect_box(*shown[0], "Malvor - Error", QMessageBox::Critical, QMessageBox::Ok,
               "Cannot open the file:\n" + native("gone.lbr") + "\n");
    EXPECT_EQ(w.libraryChoice().libraries,
              QStringList({in_folder("passives.lbr"), in_folder("semis.lbr")}));
    EXPECT_EQ(entries("Lst_add").size(), 5);
    EXPECT_EQ(files("lst_open")->fileName(), "board.net");

    QTest::keyClick(&w, Qt::Key_F7);
    EXPECT_TRUE(problems().busy());
    wait_for_check();
    EXPECT_FALSE(problems().busy());
    EXPECT_EQ(problems().windowTitle(), "Malvor - Problems");
    EXPECT_EQ(count_text(), "5 problems, 5 components, 2 nets");
    EXPECT_EQ(problem_rows(), converter_problems({"--check", path_of("board.net"),
                                                  path_of("passives.lbr"), path_of("semis.lbr")}));
    // A package's problem selects its component (a node's, its node: below).
    auto* list = child<QTreeView>(problems(), "lst_problems");
    for (auto [row, entries_list, entry] :
         {std::tuple(0, "Lst_add", 0), std::tuple(3, "Lst_add", 3), std::tuple(4, "Lst_add", 4)}) {
        choose(list, row);
        EXPECT_EQ(child<QAbstractItemView>(w, entries_list)->currentIndex().row(), entry) << row;
    }

    // Control characters show as the converter shows them; a net blamed at its name selects its
    // first node.
    write_file("odd.net",
               "[\nR\x1b"
               "1\nR0805\n1k\n]\n(\nGND\nR\x1b"
               "1-1\n)\n");
    w.openFiles({in_folder("odd.net")});
    EXPECT_EQ(problems().problems().rowCount(), 0);  // the old problems are gone with the read
    w.Check_Click();
    wait_for_check();
    const QStringList rows = problem_rows();
    EXPECT_EQ(rows, converter_problems({"--check", path_of("odd.net"), path_of("passives.lbr"),
                                        path_of("semis.lbr")}));
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[0].contains("R\\x1B1")) << rows[0].toStdString();
    choose(list, 1);
    EXPECT_EQ(child<QAbstractItemView>(w, "Lst_nodo")->currentIndex().row(), 0);

    // Without libraries (none chosen, none picked), what needs none.
    w.libraryChoice() = {};
    w.openFiles({in_folder("board.net")});
    w.Check_Click();
    wait_for_check();
    EXPECT_EQ(problem_rows(), converter_problems({"--check", path_of("board.net")}));
    EXPECT_EQ(count_text(), "No problems, 5 components, 2 nets");
    // Then the library picked in the main window's list is the one.
    files("lst_lib")->setFileName("passives.lbr");
    w.Check_Click();
    wait_for_check();
    EXPECT_EQ(problem_rows(),
              converter_problems({"--check", path_of("board.net"), path_of("passives.lbr")}));
    EXPECT_EQ(problem_rows().size(), 5);
}

// The loop of the converter's section: check, suggest the map, edit it, check again, convert.
TEST_F(CheckWindowTest, SuggestedMapEditedThenConvertedWritesTheConvertersBytes)
{
    frm_eagle& w = open_board();
    w.Check_Click();
    wait_for_check();
    auto click = [&](const char* name) {
        QTest::mouseClick(child(problems(), name), Qt::LeftButton);
    };
    next_save = in_folder("board-map.csv");
    click("cmd_suggest");
    EXPECT_EQ(proposed_map, QDir::toNativeSeparators(in_folder("board-map.csv")));
    const auto suggested =
        run_command({"--check", "--suggest-map", path_of("converter-map.csv"), path_of("board.net"),
                     path_of("passives.lbr"), path_of("semis.lbr")});
    EXPECT_EQ(suggested.status, 3);
    const std::string map = read_bytes(path_of("board-map.csv"));
    EXPECT_EQ(map, read_bytes(path_of("converter-map.csv")));
    EXPECT_EQ(w.libraryChoice().map, in_folder("board-map.csv"));
    click("cmd_open_map");
    EXPECT_EQ(opened, QStringList(in_folder("board-map.csv")));

    std::string edited = map;
    const std::string diode = "#,DO41,,DO41-10,passives,\n";
    ASSERT_NE(edited.find(diode), std::string::npos) << edited;
    edited.replace(edited.find(diode), diode.size(), ",DO41,,DO41-10,passives,1=A 2=C\n");
    write_file("board-map.csv", QByteArray::fromStdString(edited));
    click("cmd_check");
    wait_for_check();
    EXPECT_EQ(count_text(), "No problems, 5 components, 2 nets");
    EXPECT_EQ(problems().problems().rowCount(), 0);

    problems().close();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_N, Qt::AltModifier);  // the button clicks after a moment
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }));
    ASSERT_EQ(shown.size(), 1u);
    expect_box(*shown[0], "Malvor - Info", QMessageBox::NoIcon,
               QMessageBox::Ok | QMessageBox::Cancel,
               "Script file saved with name:\n" + script_in_folder("board.scr"));
    EXPECT_TRUE(asked.empty());
    const auto converted =
        run_command({"--map", path_of("board-map.csv"), "-o", "-", path_of("board.net"),
                     path_of("passives.lbr"), path_of("semis.lbr")});
    ASSERT_EQ(converted.status, 0);
    const std::string script = read_bytes(script_in_folder("board.scr").toStdString());
    EXPECT_EQ(script, converted.out);
    EXPECT_NE(script.find("Signal GND R1 1 C1 1 D1 A U1 1 Q1 2 ;"), std::string::npos);
    EXPECT_EQ(w.eaglelib, "passives semis");

    // The board instead, chosen in the menu and kept for the next run.
    auto* board_action = child<QAction>(w, "WriteBoard");
    EXPECT_FALSE(board_action->isChecked());
    EXPECT_TRUE(child<QAction>(w, "WriteScript")->isChecked());
    board_action->trigger();
    EXPECT_TRUE(malvor::LibraryChoice::load().board);
    window.reset();
    frm_eagle& again = open_board();
    EXPECT_TRUE(child<QAction>(again, "WriteBoard")->isChecked());
    EXPECT_FALSE(child<QAction>(again, "WriteScript")->isChecked());
    EXPECT_EQ(again.libraryChoice().map, in_folder("board-map.csv"));
    again.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&again));
    QTest::keyClick(&again, Qt::Key_N, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() == 2; }));
    expect_box(*shown[1], "Malvor - Info", QMessageBox::NoIcon,
               QMessageBox::Ok | QMessageBox::Cancel,
               "Board file saved with name:\n" + script_in_folder("board.brd"));
    const auto board =
        run_command({"--board", "--map", path_of("board-map.csv"), "-o", "-", path_of("board.net"),
                     path_of("passives.lbr"), path_of("semis.lbr")});
    ASSERT_EQ(board.status, 0) << board.err;
    EXPECT_EQ(read_bytes(script_in_folder("board.brd").toStdString()), board.out);
    EXPECT_NE(board.out.find("<contactref element=\"D1\" pad=\"A\" />"), std::string::npos);
    EXPECT_EQ(read_bytes(script_in_folder("board.scr").toStdString()), script);  // untouched
    child<QAction>(again, "WriteScript")->trigger();
    EXPECT_FALSE(malvor::LibraryChoice::load().board);
}

TEST_F(CheckWindowTest, ConvertingDespiteProblemsIsAskedFirst)
{
    frm_eagle& w = open_board();
    w.cmd_do_Click();
    wait_for_check();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0],
              "The check found problems that would stop EAGLE:\r"
              "5 problems, 5 components, 2 nets");
    EXPECT_FALSE(QFile::exists(script_in_folder("board.scr")));  // the problems are shown
    EXPECT_EQ(problems().problems().rowCount(), 5);
    EXPECT_TRUE(shown.empty());
    write_anyway = true;
    w.cmd_do_Click();
    wait_for_check();
    ASSERT_EQ(shown.size(), 1u);
    const auto converted = run_command(
        {"-o", "-", path_of("board.net"), path_of("passives.lbr"), path_of("semis.lbr")});
    EXPECT_EQ(read_bytes(script_in_folder("board.scr").toStdString()), converted.out);
    // One library without a map is named in the script, unread and unchecked, as the converter
    // does.
    w.libraryChoice().libraries = {in_folder("semis.lbr")};
    w.cmd_do_Click();
    EXPECT_FALSE(w.checking());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(read_bytes(script_in_folder("board.scr").toStdString()),
              run_command({"-o", "-", path_of("board.net"), path_of("semis.lbr")}).out);
    EXPECT_EQ(asked.size(), 2);  // only the two conversions above asked

    // A board is not asked for: where the converter refuses it, its problems are shown and
    // nothing is written, with one library as with several.
    w.libraryChoice().board = true;
    for (const QStringList& libraries :
         {QStringList{in_folder("passives.lbr"), in_folder("semis.lbr")}, QStringList{}}) {
        w.libraryChoice().libraries = libraries;
        std::vector<std::string> arguments{"--board", "-o", "-", path_of("board.net")};
        if (libraries.isEmpty()) {
            files("lst_lib")->setFileName("semis.lbr");  // the library picked counts as one
            arguments.push_back(path_of("semis.lbr"));
        } else {
            arguments.insert(arguments.end(), {path_of("passives.lbr"), path_of("semis.lbr")});
        }
        const auto refused = run_command(arguments);
        ASSERT_EQ(refused.status, 3);
        EXPECT_TRUE(refused.out.empty());
        w.cmd_do_Click();
        wait_for_check();
        EXPECT_EQ(shown.size(), 2u);
        EXPECT_EQ(asked.size(), 2);
        EXPECT_FALSE(QFile::exists(script_in_folder("board.brd")));
        const QString netlist = QString::fromStdString(path_of("board.net")) + ':';
        QStringList said = QString::fromStdString(refused.err).split('\n', Qt::SkipEmptyParts);
        for (QString& line : said)
            line.remove(0, netlist.size());
        EXPECT_EQ(problem_rows(), said);
    }
}

TEST_F(CheckWindowTest, MapErrorsAreListedAndNothingIsWritten)
{
    write_file("bad.csv",
               "footprint,package,library,pins\nDIP8,DIP08,nowhere,\nDIP8,,,\n"
               "SOT23,,,1=\n");
    frm_eagle& w = open_board({in_folder("bad.csv")});
    const auto converted =
        run_command({"--map", path_of("bad.csv"), "-o", "-", path_of("board.net"),
                     path_of("passives.lbr"), path_of("semis.lbr")});
    ASSERT_EQ(converted.status, 1);
    for (bool converting : {true, false}) {
        if (converting)
            w.cmd_do_Click();
        else
            QTest::keyClick(&w, Qt::Key_F7);
        wait_for_check();
        ASSERT_NE(w.librariesWindow(), nullptr);
        QStringList listed;
        auto* errors = child<QListWidget>(*w.librariesWindow(), "lst_map_errors");
        for (int row = 0; row < errors->count(); ++row)
            listed << errors->item(row)->text() + '\n';
        EXPECT_EQ(listed.join(""), QString::fromStdString(converted.err));
        EXPECT_EQ(listed.size(), 5);
    }
    EXPECT_EQ(count_text(), "Not checked: the map has errors (see Libraries).");
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(QFile::exists(script_in_folder("board.scr")));
}

TEST_F(CheckWindowTest, ChecksInProgressAreCancelledByClosingOrReading)
{
    frm_eagle& w = open_checking();
    w.Check_Click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]->text(), "Please read a Tango net before.");
    w.openFiles({in_folder("board.net"), in_folder("passives.lbr")});
    w.Check_Click();
    ASSERT_TRUE(w.checking());
    EXPECT_TRUE(problems().busy());
    EXPECT_FALSE(child(problems(), "cmd_suggest")->isEnabled());
    QPointer<frm_problems> closing = &problems();
    closing->close();
    EXPECT_FALSE(w.checking());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w.findChildren<malvor::CheckJob*>().isEmpty() && closing.isNull(); }));
    EXPECT_EQ(w.lastCheck(), nullptr);
    // A read waits for the check it ends, which keeps no result.
    w.Check_Click();
    read("board.net");
    EXPECT_FALSE(w.checking());
    EXPECT_TRUE(w.findChildren<malvor::CheckJob*>().isEmpty() ||
                w.findChildren<malvor::CheckJob*>()[0]->isFinished());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.lastCheck(), nullptr);
    EXPECT_EQ(count_text(), "A netlist was read: check it (F7).");
    EXPECT_EQ(shown.size(), 1u);
    // Closing the main window while a check runs waits for it, which reads its tables.
    w.Check_Click();
    window.reset();
}

}  // namespace
