// The main window at work: its load sequence, the pickers following drive and folder changes,
// reading a netlist into the lists and writing the script, and the error reports.

#include "window_test_support.h"


#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QPushButton>

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
    malvor::FileList* lst_open() { return child<malvor::FileList>(*window, "lst_open"); }
    malvor::FileList* lst_lib() { return child<malvor::FileList>(*window, "lst_lib"); }
    QListView* Lst_add() { return child<QListView>(*window, "Lst_add"); }
    QListView* Lst_nodo() { return child<QListView>(*window, "Lst_nodo"); }
    bool loaded() { return child(*window, "cmd_do")->isVisibleTo(window.get()); }

    // Selects `name` in the netlist list with the mouse and presses the reader's button.
    void read(const QString& name)
    {
        window->show();
        QListWidgetItem* item = lst_open()->findItems(name, Qt::MatchExactly).value(0);
        ASSERT_NE(item, nullptr) << name.toStdString();
        QTest::mouseClick(lst_open()->viewport(), Qt::LeftButton, {},
                          lst_open()->visualItemRect(item).center());
        QTest::mouseClick(child(*window, "Cmd_read"), Qt::LeftButton);
    }
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

// After each error box the lists are empty and nothing else has changed.
TEST_F(MainWindowTest, FailedReadsReportAndKeepTablesAndState)
{
    write_file(in_folder("Amp.NET"), amplifier);
    write_file(in_folder("gone.net"), amplifier);
    open();
    struct Case {
        bool read_first;
        const char* select;
        QString text;
    } cases[] = {
        {false, nullptr, "Please select a netlist before."},
        {true, nullptr, "Please select a netlist before."},
        {true, "gone.net", "Cannot read the netlist:\r" + QDir::toNativeSeparators(in_folder("gone.net")) + "\r"},
    };
    for (const Case& c : cases) {
        if (c.read_first)
            read("Amp.NET");
        const bool was_loaded = loaded();
        const QString tangofile = window->tangofile;
        const auto components = window->tables.component_count();
        lst_open()->setFileName(c.select ? c.select : "");
        if (c.select)
            QFile::remove(in_folder(c.select));
        shown.clear();
        window->Cmd_read_Click();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].title, "Malvor - Error");
        EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
        EXPECT_EQ(shown[0].buttons, QMessageBox::Ok);
        EXPECT_TRUE(shown[0].text.startsWith(c.text)) << shown[0].text.toStdString();
        EXPECT_EQ(Lst_add()->model()->rowCount() + Lst_nodo()->model()->rowCount(), 0);
        EXPECT_EQ(loaded(), was_loaded);
        EXPECT_EQ(window->tangofile, tangofile);
        EXPECT_EQ(window->tables.component_count(), components);
    }
}

TEST_F(MainWindowTest, FailedWritesReportAndChangeNothing)
{
    write_file(in_folder("amp.net"), amplifier);
    write_file(in_folder("lib.lbr"), "");
    open();
    read("amp.net");
    QDir(folder).mkdir("amp.scr");  // the script's name is taken by a folder
    struct Case {
        const char* library;
        QString text;
    } cases[] = {
        {"", "Please select an Eagle library before."},
        {"lib.lbr", "Cannot write the script:\r" + in_folder("amp.scr") + "\r"},
    };
    for (const Case& c : cases) {
        lst_lib()->setFileName(c.library);
        shown.clear();
        window->cmd_do_Click();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].title, "Malvor - Error");
        EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(shown[0].text.startsWith(c.text)) << shown[0].text.toStdString();
        EXPECT_EQ(window->eaglefile, "");
        EXPECT_EQ(window->eaglelib, "");
        EXPECT_TRUE(QFileInfo(in_folder("amp.scr")).isDir());
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                  QStringList({"amp.net", "lib.lbr"}));
    }
}

TEST(MessageBoxTest, RealBoxesCarryTitleTextIconAndButtons)
{
    struct Case {
        malvor::Message message;
        QString title;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    } cases[] = {
        {malvor::error_message("Cannot read the netlist:\r/a b.net\rNo such file"), "Malvor - Error",
         QMessageBox::Critical, QMessageBox::Ok},
        {malvor::info_message("Script file saved with name:\r/a b.scr"), "Malvor - Info",
         QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel},
    };
    for (const Case& c : cases) {
        auto box = malvor::make_message_box(c.message, nullptr);
        EXPECT_EQ(box->windowTitle(), c.title);
        EXPECT_EQ(box->text(), QString(c.message.text).replace('\r', '\n'));
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->standardButtons(), c.buttons);
    }
}

}  // namespace
