#include "frm_libraries.h"

#include "native_names.h"
#include "program_look.h"
#include "window_button.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

bool missing(const QString& path)
{
    return !QFileInfo::exists(path);
}

}  // namespace

frm_libraries::frm_libraries(malvor::LibraryChoice& choice, const malvor::FileDialogs& dialogs,
                             std::function<QString()> folder, QWidget* parent)
    : QWidget(parent, Qt::Window), choice_(choice), dialogs_(dialogs), folder_(std::move(folder))
{
    setObjectName(QStringLiteral("frm_libraries"));
    setWindowTitle(QStringLiteral("Malvor - Libraries"));
    setWindowIcon(malvor::program_icon());
    auto* grid = new QGridLayout(this);
    auto* heading = new QLabel(
        QStringLiteral("&Libraries, searched in this order (the first holding a package wins):"),
        this);
    libraries_ = new QListWidget(this);
    libraries_->setObjectName(QStringLiteral("lst_libraries"));
    heading->setBuddy(libraries_);
    auto* add = malvor::window_button(QStringLiteral("&Add..."), "cmd_add", this);
    remove_ = malvor::window_button(QStringLiteral("&Remove"), "cmd_remove", this);
    up_ = malvor::window_button(QStringLiteral("&Up"), "cmd_up", this);
    down_ = malvor::window_button(QStringLiteral("Do&wn"), "cmd_down", this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* each : {add, remove_, up_, down_})
        buttons->addWidget(each);
    buttons->addStretch();
    grid->addWidget(heading, 0, 0, 1, 2);
    grid->addWidget(libraries_, 1, 0);
    grid->addLayout(buttons, 1, 1);

    auto* map_heading = new QLabel(QStringLiteral("Package map:"), this);
    map_ = new QLabel(this);
    map_->setObjectName(QStringLiteral("lbl_map"));
    map_->setTextFormat(Qt::PlainText);
    auto* choose = malvor::window_button(QStringLiteral("Choose &map..."), "cmd_map", this);
    no_map_ = malvor::window_button(QStringLiteral("&No map"), "cmd_no_map", this);
    auto* map_row = new QHBoxLayout;
    map_row->addWidget(map_heading);
    map_row->addWidget(map_, 1);
    map_row->addWidget(choose);
    map_row->addWidget(no_map_);
    grid->addLayout(map_row, 2, 0, 1, 2);
    errors_heading_ = new QLabel(QStringLiteral("The map has errors: nothing is converted or "
                                                "checked until they are fixed."),
                                 this);
    map_errors_ = new QListWidget(this);
    map_errors_->setObjectName(QStringLiteral("lst_map_errors"));
    grid->addWidget(errors_heading_, 3, 0, 1, 2);
    grid->addWidget(map_errors_, 4, 0, 1, 2);
    auto* close = malvor::window_button(QStringLiteral("Close"), "cmd_close", this);
    grid->addWidget(close, 5, 1);

    connect(add, &QPushButton::clicked, this, &frm_libraries::add);
    connect(remove_, &QPushButton::clicked, this, &frm_libraries::remove);
    connect(up_, &QPushButton::clicked, this, [this] { move(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { move(1); });
    connect(choose, &QPushButton::clicked, this, &frm_libraries::chooseMap);
    connect(no_map_, &QPushButton::clicked, this, &frm_libraries::noMap);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    connect(libraries_, &QListWidget::currentRowChanged, this, [this] { refresh(); });
    showMapErrors({});
    refresh();
    resize(560, 360);
}

void frm_libraries::showMapErrors(const QStringList& lines)
{
    map_errors_->clear();
    map_errors_->addItems(lines);
    errors_heading_->setVisible(!lines.isEmpty());
    map_errors_->setVisible(!lines.isEmpty());
}

void frm_libraries::refresh()
{
    const int row = libraries_->currentRow();
    const QSignalBlocker quiet(libraries_);
    libraries_->clear();
    for (const QString& path : choice_.libraries) {
        // Kept in the list, but said: a library moved away is not silently dropped.
        auto* item = new QListWidgetItem(malvor::shown_path(QDir::toNativeSeparators(path)));
        if (missing(path)) {
            item->setText(item->text() + QStringLiteral("  (missing)"));
            item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        }
        libraries_->addItem(item);
    }
    libraries_->setCurrentRow(std::min(row, libraries_->count() - 1));
    const int current = libraries_->currentRow();
    remove_->setEnabled(current >= 0);
    up_->setEnabled(current > 0);
    down_->setEnabled(current >= 0 && current + 1 < libraries_->count());
    if (choice_.map.isEmpty()) {
        map_->setText(QStringLiteral("none"));
        map_->setToolTip({});
    } else {
        map_->setText(malvor::shown_path(malvor::name_in_path(choice_.map)) +
                      (missing(choice_.map) ? QStringLiteral("  (missing)") : QString()));
        map_->setToolTip(malvor::shown_path(QDir::toNativeSeparators(choice_.map)));
    }
    no_map_->setEnabled(!choice_.map.isEmpty());
}

void frm_libraries::changed()
{
    choice_.save();
    refresh();
    emit choiceChanged();
}

void frm_libraries::add()
{
    const QStringList chosen = dialogs_.open_libraries(this, folder_());
    if (chosen.isEmpty())
        return;
    for (const QString& path : chosen) {
        if (!choice_.libraries.contains(path))
            choice_.libraries << path;
    }
    libraries_->setCurrentRow(-1);
    changed();
    libraries_->setCurrentRow(static_cast<int>(choice_.libraries.indexOf(chosen.back())));
}

void frm_libraries::remove()
{
    const int row = libraries_->currentRow();
    if (row < 0)
        return;
    choice_.libraries.removeAt(row);
    changed();
}

void frm_libraries::move(int by)
{
    const int row = libraries_->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= choice_.libraries.size())
        return;
    choice_.libraries.move(row, to);
    {
        const QSignalBlocker quiet(libraries_);
        libraries_->setCurrentRow(to);
    }
    changed();
}

void frm_libraries::chooseMap()
{
    const QString map = dialogs_.open_map(this, folder_());
    if (map.isEmpty())
        return;
    choice_.map = map;
    showMapErrors({});
    changed();
}

void frm_libraries::noMap()
{
    choice_.map.clear();
    showMapErrors({});
    changed();
}
