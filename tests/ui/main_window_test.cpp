// The main window at work: its load sequence, the pickers following drive and folder changes,
// reading a netlist into the lists and writing the script, and the error reports.

#include "window_test_support.h"

#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QPushButton>

#include <tuple>

namespace {

const QByteArray amplifier =
    "[\r\nR1\r\nR0805\r\n10k\r\n]\r\n[\r\nC1\r\nC0805\r\n100n\r\n]\r\n"
    "(\r\nGND\r\nR1,2\r\nC1,2\r\n)\r\n(\r\nOUTPUT_SIGNAL\r\nR1,1\r\n)\r\n";

QStringList listed(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

QStringList lines(const QListView* view)
{
    QStringList result;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        result << view->model()->index(row, 0).data().toString();
    return result;
}

QByteArray read_bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MainWindowTest : public WindowTest {
protected:
    QListView* Lst_add() { return child<QListView>(*window, "Lst_add"); }
    QListView* Lst_nodo() { return child<QListView>(*window, "Lst_nodo"); }
};

TEST_F(MainWindowTest, LoadListsTheWorkingFolderAndHidesTheLibrarySide)
{
    for (const char* name : {"b.net", "Amp.NET", "notes.txt", "parts.lbr", "net"})
        write_file(in_folder(name), "");
    frm_eagle& w = open();
    EXPECT_EQ(w.percorso, folder);
    EXPECT_EQ(listed(lst_open()), QStringList({"Amp.NET", "b.net"}));
    EXPECT_EQ(listed(lst_lib()), QStringList({"parts.lbr"}));
    EXPECT_EQ(lst_open()->fileName(), "");
    for (const char* name : {"cmd_do", "lst_lib", "Dir2", "Drive2", "Label3"})
        EXPECT_FALSE(child(w, name)->isVisibleTo(&w)) << name;
    EXPECT_TRUE(child(w, "Label4")->isVisibleTo(&w));
    EXPECT_EQ(child<QLabel>(w, "Label4")->text(),
              "Please, search the Tango netlist you want to convert\n"
              "         and then click on the button (Alt+R)");
    EXPECT_EQ(child<malvor::FolderList>(w, "Dir1")->path(), folder);
}

TEST_F(MainWindowTest, FileListsFollowTheFolderListsOnBothSides)
{
    QDir(folder).mkpath("boards/old");
    write_file(in_folder("boards/x.NET"), "");
    write_file(in_folder("boards/y.Lbr"), "");
    write_file(in_folder("empty.net"), "");
    frm_eagle& w = open();
    read("empty.net");  // shows the library side
    struct Side {
        const char* dir;
        malvor::FileList* files;
        QStringList expected;
    } sides[] = {{"Dir1", lst_open(), {"x.NET"}}, {"Dir2", lst_lib(), {"y.Lbr"}}};
    for (const Side& side : sides) {
        auto* dir = child<malvor::FolderList>(w, side.dir);
        // Enter on a subfolder opens it.
        dir->setCurrentItem(dir->findItems("boards", Qt::MatchExactly).value(0));
        QTest::keyClick(dir, Qt::Key_Return);
        EXPECT_EQ(dir->path(), in_folder("boards")) << side.dir;
        EXPECT_EQ(side.files->folder(), in_folder("boards")) << side.dir;
        EXPECT_EQ(listed(side.files), side.expected) << side.dir;
        // Double-clicking the parent above goes back up.
        QListWidgetItem* up = dir->item(dir->row(dir->findItems("boards", Qt::MatchExactly).value(0)) - 1);
        dir->scrollToItem(up);
        // A double-click is a click followed by the double-click event.
        QTest::mouseClick(dir->viewport(), Qt::LeftButton, {}, dir->visualItemRect(up).center());
        QTest::mouseDClick(dir->viewport(), Qt::LeftButton, {}, dir->visualItemRect(up).center());
        EXPECT_EQ(side.files->folder(), folder) << side.dir;
    }
}

TEST_F(MainWindowTest, DriveThatCannotBeEnteredLeavesTheFolderAndShowsNoMessage)
{
    QDir(folder).mkpath("drive_a/work");
    QDir(folder).mkpath("drive_b");
    write_file(in_folder("drive_a/work/a.net"), "");
    write_file(in_folder("drive_b/b.net"), "");
    const QString missing = in_folder("no_medium");
    frm_eagle& w = open();
    struct Side {
        const char* drive;
        const char* dir;
        malvor::FileList* files;
    } sides[] = {{"Drive1", "Dir1", lst_open()}, {"Drive2", "Dir2", lst_lib()}};
    for (const Side& side : sides) {
        auto* drive = child<malvor::DriveList>(w, side.drive);
        auto* dir = child<malvor::FolderList>(w, side.dir);
        drive->setRoots({in_folder("drive_a"), in_folder("drive_b"), missing});
        drive->setDrive(in_folder("drive_b"));
        drive->setDrive(in_folder("drive_a"));
        dir->setPath(in_folder("drive_a/work"));
        drive->setDrive(missing);
        EXPECT_EQ(drive->drive(), missing);
        EXPECT_EQ(dir->path(), in_folder("drive_a/work"));
        EXPECT_EQ(side.files->folder(), in_folder("drive_a/work"));
        drive->setDrive(in_folder("drive_b"));
        EXPECT_EQ(dir->path(), in_folder("drive_b"));
        EXPECT_EQ(side.files->folder(), in_folder("drive_b"));
        drive->setDrive(in_folder("drive_a"));  // back where it was last on that drive
        EXPECT_EQ(side.files->folder(), in_folder("drive_a/work")) << side.drive;
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainWindowTest, ReadAndWriteGiveTheSameScriptAsTheCommandLineConverter)
{
    write_file(in_folder("Amp.NET"), amplifier);
    write_file(in_folder("MyParts.LBR"), "");
    frm_eagle& w = open();
    read("Amp.NET");
    EXPECT_EQ(lines(Lst_add()), QStringList({"001  :   R1   R0805   10k", "002  :   C1   C0805   100n"}));
    EXPECT_EQ(lines(Lst_nodo()), QStringList({"001-001  :   GND   R1,2", "001-002  :   GND   C1,2",
                                              "002-001  :   Zel1   R1,1"}));
    EXPECT_TRUE(loaded());
    EXPECT_FALSE(child(w, "Label4")->isVisibleTo(&w));

    lst_lib()->setFileName("MyParts.LBR");
    QTest::mouseClick(child(w, "cmd_do"), Qt::LeftButton);
    const QString script = in_folder("amp.scr");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Malvor - Info");
    EXPECT_EQ(shown[0].text, "Script file saved with name:\r" + script);
    EXPECT_EQ(shown[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(shown[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(w.eaglefile, script);
    EXPECT_EQ(w.eaglelib, "myparts");

    const QString expected = in_folder("expected.scr");
    QProcess convert;
    convert.start(MALVOR_CONVERT_EXE, {"-o", expected, in_folder("Amp.NET"), "MyParts.LBR"});
    ASSERT_TRUE(convert.waitForFinished());
    ASSERT_EQ(convert.exitCode(), 0);
    EXPECT_EQ(read_bytes(script), read_bytes(expected));
}

TEST_F(MainWindowTest, SecondReadReplacesTheFirst)
{
    write_file(in_folder("big.net"), amplifier);
    write_file(in_folder("small.net"), "[\nQ1\nTO92\nBC547\n]\n");
    open();
    read("big.net");
    read("small.net");
    EXPECT_EQ(lines(Lst_add()), QStringList({"001  :   Q1   TO92   BC547"}));
    EXPECT_EQ(lines(Lst_nodo()), QStringList());
    EXPECT_EQ(window->tangofile, QDir::toNativeSeparators(in_folder("small.net")));
    EXPECT_TRUE(loaded());
}

// Each error box is the only effect, apart from the reader emptying the lists before its checks.
TEST_F(MainWindowTest, ErrorBoxesChangeNothingElse)
{
    write_file(in_folder("Amp.NET"), amplifier);
    write_file(in_folder("gone.net"), amplifier);
    write_file(in_folder("lib.lbr"), "");
    open();
    auto state = [this](bool lists_emptied) {
        return std::make_tuple(lists_emptied ? 0 : Lst_add()->model()->rowCount(), loaded(),
                               window->tangofile, window->eaglefile, window->eaglelib,
                               window->tables.component_count(),
                               QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    };
    auto expect_only_error = [&](void (frm_eagle::*click)(), const QString& text) {
        const bool reading = click == &frm_eagle::Cmd_read_Click;
        const auto before = state(reading);
        shown.clear();
        (window.get()->*click)();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].title, "Malvor - Error");
        EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
        EXPECT_EQ(shown[0].buttons, QMessageBox::Ok);
        EXPECT_TRUE(shown[0].text.startsWith(text)) << shown[0].text.toStdString();
        EXPECT_TRUE(state(reading) == before) << text.toStdString();
        EXPECT_EQ(Lst_add()->model()->rowCount() == 0, reading);
    };
    expect_only_error(&frm_eagle::Cmd_read_Click, "Please select a netlist before.");
    read("Amp.NET");
    lst_open()->setFileName("");
    expect_only_error(&frm_eagle::Cmd_read_Click, "Please select a netlist before.");
    lst_open()->setFileName("gone.net");
    QFile::remove(in_folder("gone.net"));
    expect_only_error(&frm_eagle::Cmd_read_Click,
                      "Cannot read the netlist:\r" + QDir::toNativeSeparators(in_folder("gone.net")) + "\r");
    read("Amp.NET");
    expect_only_error(&frm_eagle::cmd_do_Click, "Please select an Eagle library before.");
    lst_lib()->setFileName("lib.lbr");
    QDir(folder).mkdir("amp.scr");  // the script's name is taken by a folder
    expect_only_error(&frm_eagle::cmd_do_Click, "Cannot write the script:\r" + in_folder("amp.scr") + "\r");
}

TEST(MessageBoxTest, RealBoxesCarryTitleTextIconAndButtons)
{
    const auto error = malvor::make_message_box(malvor::error_message("Cannot read:\r/a b.net"), nullptr);
    const auto info = malvor::make_message_box(malvor::info_message("Saved as:\r/a b.scr"), nullptr);
    EXPECT_EQ(std::make_tuple(error->windowTitle(), error->text(), error->icon(), error->standardButtons()),
              std::make_tuple(QString("Malvor - Error"), QString("Cannot read:\n/a b.net"),
                              QMessageBox::Critical, QMessageBox::StandardButtons(QMessageBox::Ok)));
    EXPECT_EQ(std::make_tuple(info->windowTitle(), info->text(), info->icon(), info->standardButtons()),
              std::make_tuple(QString("Malvor - Info"), QString("Saved as:\n/a b.scr"), QMessageBox::NoIcon,
                              QMessageBox::Ok | QMessageBox::Cancel));
}

}  // namespace
