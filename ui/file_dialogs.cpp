#include "file_dialogs.h"

#include <QFileDialog>

namespace malvor {
namespace {

const QString libraries_filter = QStringLiteral("EAGLE libraries (*.lbr);;All files (*)");
const QString map_filter = QStringLiteral("Package maps (*.csv);;All files (*)");
const QString board_filter = QStringLiteral("EAGLE boards (*.brd);;All files (*)");

}  // namespace

FileDialogs system_file_dialogs()
{
    return {
        [](QWidget* parent, const QString& folder) {
            return QFileDialog::getOpenFileNames(
                parent, QStringLiteral("Add libraries"), folder, libraries_filter);
        },
        [](QWidget* parent, const QString& folder) {
            return QFileDialog::getOpenFileName(
                parent, QStringLiteral("Choose the map"), folder, map_filter);
        },
        [](QWidget* parent, const QString& proposed) {
            return QFileDialog::getSaveFileName(
                parent, QStringLiteral("Suggest map"), proposed, map_filter);
        },
        [](QWidget* parent, const QString& folder) {
            return QFileDialog::getOpenFileName(
                parent, QStringLiteral("Update board"), folder, board_filter);
        },
    };
}

}  // namespace malvor
