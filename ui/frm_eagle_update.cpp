// Tools > Update board...: the board picked, the netlist checked as for a new board, and the
// changes shown in a window of their own, or the problems that refuse them.
#include "frm_eagle.h"

#include "check_report.h"
#include "conversion_setup.h"
#include "file_io.h"
#include "frm_problems.h"
#include "frm_update.h"
#include "native_names.h"

#include <QDir>

using malvor::error_message;
using malvor::info_message;
using malvor::reason_text;
using malvor::shown_path;

frm_update* frm_eagle::updateWindow() const
{
    return update_window_;
}

void frm_eagle::UpdateBoard_Click()
{
    if (tangofile.isEmpty()) {
        report(error_message(QStringLiteral("Please read a Tango net before.")));
        return;
    }
    auto libraries = chosenLibraries();
    if (libraries.empty()) {
        report(error_message(QStringLiteral("Please select an Eagle library before.")));
        return;
    }
    const QString path = dialogs_.open_board(
        this, malvor::parent_folder(QDir::fromNativeSeparators(tangofile)));
    if (path.isEmpty())
        return;

    setCursor(Qt::BusyCursor);
    struct Idle {
        QWidget* window;
        ~Idle() { window->unsetCursor(); }
    } idle{this};
    // Read and checked as the converter's --update does it: the libraries, then the board; the
    // check's result kept whole for the problems window, should it refuse the update.
    auto check = std::make_shared<malvor::CheckedNetlist>(malvor::CheckedNetlist{
        tables, std::move(libraries), choice_.map_bytes(), {}, nullptr, {}, std::nullopt});
    check->read = malvor::read_conversion_setup(
        check->library_paths, check->map_path, {}, malvor::ReadKind::regular_only, true);
    if (!check->read.ok()) {
        QString text;
        for (const auto& line : malvor::setup_error_lines(*check->read.error))
            text += (text.isEmpty() ? QString() : QStringLiteral("\r")) +
                    QString::fromStdString(line);
        report(error_message(text));
        return;
    }
    check->choices = std::make_unique<malvor::PackageChoices>(
        tables, check->read.setup.libraries, check->read.setup.rows);

    auto file = malvor::read_whole_file(
        malvor::native_path(path), malvor::ReadKind::regular_only,
        {malvor::largest_board, malvor::FileError::netlist_too_large});
    if (!file.ok()) {
        const auto reason = file.error == malvor::FileError::netlist_too_large
                                ? make_error_code(malvor::BoardError::too_large)
                                : file.error;
        report(error_message(QStringLiteral("Cannot read the board:\r") + shown_path(path) + u'\r' +
                             reason_text(reason.message())));
        return;
    }
    // The board keeps a copy of its own: the file's bytes go once it is read.
    auto board = malvor::read_eagle_board(file.value.view());
    file = {};
    if (!board.ok()) {
        report(error_message(QStringLiteral("The board cannot be updated:\r") + shown_path(path) +
                             u'\r' +
                             reason_text(board.error.message() +
                                         (board.detail.empty() ? "" : ": ") + board.detail)));
        return;
    }
    auto update = std::make_unique<malvor::CheckedUpdate>(
        malvor::checked_update(tables, *check->choices, check->read.setup.files, std::move(board)));
    if (update->refused) {
        // Refused as a new board would be: the problems say why.
        check->report = std::move(update->report);
        last_check_ = check;
        problems().setCheck(check);
        return;
    }

    if (update_window_)
        update_window_->close();
    update_window_ = new frm_update(path, std::move(update), this);
    update_window_->setAttribute(Qt::WA_DeleteOnClose);
    connect(update_window_, &frm_update::written, this,
            [this](const QString& written_board, const QString& error) {
                if (error.isEmpty())
                    report(info_message(QStringLiteral("Board file updated:\r") +
                                        shown_path(written_board)));
                else
                    report(error_message(QStringLiteral("Cannot write the board:\r") + error));
            });
    update_window_->show();
    update_window_->raise();
    update_window_->activateWindow();
}
