// The pickers with names that are not UTF-8, and started in a folder that cannot be listed.

#include "window_test_support.h"

#include "native_names.h"
#include "temp_folder.h"

#include <QProcess>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using malvor::path_bytes;
using malvor::path_from_bytes;
using malvor::shown_path;

TEST(NativeNamesTest, KeepEveryByteAndShowWhatCanBeShown)
{
    const struct {
        QByteArray bytes;
        QString shown;
    } cases[] = {
        {"plain/\xc3\x84.net", u"plain/\u00c4.net"_qs},
        {"\xff\xfe.net", u"\u00ff\u00fe.net"_qs},
        {"\x80\x9f", u"\ufffd\ufffd"_qs},            // control characters in Latin-1
        {"\xf0\x9f\x92\x80", u"\U0001F480"_qs},      // its low surrogate is U+DC80
        {"\xf0\x9f\x92", u"\u00f0\ufffd\ufffd"_qs},  // cut short
        {"\xc0\xaf\xed\xa0\x80", u"\u00c0\u00af\u00ed\u00a0\ufffd"_qs},  // overlong, surrogate
        {"\xf4\x90\x80\x80x", u"\u00f4\ufffd\ufffd\ufffdx"_qs},          // above U+10FFFF
    };
    for (const auto& [bytes, shown] : cases) {
        const QString path = path_from_bytes(bytes);
        EXPECT_EQ(path_bytes(path), bytes) << bytes.toHex().data();
        EXPECT_EQ(shown_path(path), shown) << bytes.toHex().data();
    }
}

// Names of raw bytes pass through std::filesystem unchanged on POSIX systems.
void write_raw(const QByteArray& path, const QByteArray& bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary) << bytes.toStdString();
}

using FileSystemEdgesTest = WindowTest;

TEST_F(FileSystemEdgesTest, NamesThatAreNotUtf8AreListedEnteredReadAndNameTheLibrary)
{
    const QByteArray folder_bytes = path_bytes(folder) + "/\xfd\xfc";
    struct Remove {  // Qt cannot remove what it cannot list
        std::string path;
        ~Remove() { std::filesystem::remove_all(path); }
    } remove{path_bytes(folder).toStdString()};
    ASSERT_EQ(::mkdir(folder_bytes.constData(), 0755), 0);
    write_raw(folder_bytes + "/\xff\xfe.net",
              "[\r\nR1\r\nR0805\r\n10k\r\n]\r\n(\r\nGND\r\nR1,2\r\n)\r\n");
    write_raw(path_bytes(folder) + "/\xe4.lbr", {});
    write_raw(folder_bytes + "/.hidden.net", {});
    frm_eagle& w = open();
    auto* dir1 = child<malvor::FolderList>(w, "Dir1");
    const int subfolder = dir1->count() - 1;
    ASSERT_EQ(dir1->item(subfolder)->text(), u"\u00fd\u00fc"_qs);
    choose(dir1, subfolder, true);
    EXPECT_EQ(dir1->path(), path_from_bytes(folder_bytes));
    EXPECT_EQ(entries("lst_open"), QStringList(u"\u00ff\u00fe.net"_qs));

    read(u"\u00ff\u00fe.net"_qs);
    EXPECT_EQ(w.tangofile, path_from_bytes(folder_bytes + "/\xff\xfe.net"));
    EXPECT_EQ(entries("Lst_add"), QStringList("001  :   R1   R0805   10k"));
    auto* libraries = files("lst_lib");
    ASSERT_EQ(entries("lst_lib"), QStringList(u"\u00e4.lbr"_qs));
    choose(libraries, 0);
    QTest::mouseClick(child(w, "cmd_do"), Qt::LeftButton);
    EXPECT_EQ(w.eaglelib, "\xe4");
    EXPECT_TRUE(QByteArray::fromStdString(malvor::testing_support::read_bytes(
                                              (folder_bytes + "/\xff\xfe.scr").toStdString()))
                    .startsWith("Use \xe4;\r\nGrid Mil;\n\r\nAdd R0805 "));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]->text(),
              "Script file saved with name:\n" + folder + u"/\u00fd\u00fc/\u00ff\u00fe.scr"_qs);

    // Started in such a folder, the window lists it as well.
    ASSERT_EQ(::chdir(folder_bytes.constData()), 0);
    open();
    EXPECT_EQ(child<malvor::FolderList>(*window, "Dir1")->path(), path_from_bytes(folder_bytes));
    EXPECT_EQ(entries("lst_open"), QStringList(u"\u00ff\u00fe.net"_qs));
}

// Root lists every folder, so the test runs itself again as an ordinary user when it can.
bool ran_as_ordinary_user(const testing::TestInfo& test)
{
    const passwd* nobody = getpwnam("nobody");
    if (!nobody)
        return false;
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    QProcess self;
    self.setProgram(QCoreApplication::applicationFilePath());
    self.setArguments(
        {QStringLiteral("--gtest_filter=%1.%2").arg(test.test_suite_name(), test.name())});
    self.setWorkingDirectory(QStringLiteral("/"));
    self.setProcessChannelMode(QProcess::ForwardedChannels);
    self.setChildProcessModifier([uid, gid] {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(77);
    });
    self.start();
    if (!self.waitForFinished(60000) || self.exitStatus() != QProcess::NormalExit ||
        self.exitCode() == 77)
        return false;
    EXPECT_EQ(self.exitCode(), 0);
    return true;
}

TEST_F(FileSystemEdgesTest, StartedInAFolderThatCannotBeListedTheUserCanGoUpAndToTheDrive)
{
    if (geteuid() == 0) {
        if (!ran_as_ordinary_user(*testing::UnitTest::GetInstance()->current_test_info()))
            GTEST_SKIP() << "cannot run as the user nobody, and root can list every folder";
        return;
    }
    write_file("up.net");
    const QString locked = in_folder("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_EQ(::chmod(path_bytes(locked).constData(), 0311), 0);  // enter, but not list
    struct Unlock {
        QByteArray path;
        ~Unlock() { ::chmod(path.constData(), 0755); }
    } unlock{path_bytes(locked)};
    ASSERT_EQ(::chdir(path_bytes(locked).constData()), 0);

    frm_eagle& w = open();
    auto* drive1 = child<malvor::DriveList>(w, "Drive1");
    auto* dir1 = child<malvor::FolderList>(w, "Dir1");
    const QStringList chain = QStringList("/") + locked.mid(1).split(u'/');  // the way up
    EXPECT_EQ(dir1->path(), locked);
    EXPECT_EQ(entries("Dir1"), chain);
    EXPECT_EQ(entries("lst_open"), QStringList());
    EXPECT_EQ(dir1->currentRow(), dir1->count() - 1);

    choose(dir1, dir1->count() - 2, true);  // the folder above
    EXPECT_EQ(files("lst_open")->folder(), folder);
    EXPECT_EQ(entries("lst_open"), QStringList("up.net"));

    // The drive's entry chosen again in the drop-down lists the drive.
    drive1->showPopup();
    choose(drive1->view(), drive1->currentIndex());
    EXPECT_EQ(dir1->path(), drive1->drive());
    EXPECT_EQ(files("lst_open")->folder(), drive1->drive());
    EXPECT_TRUE(shown.empty());
}

}  // namespace
