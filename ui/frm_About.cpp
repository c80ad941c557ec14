#include "frm_About.h"

#include "ui_frm_About.h"

#include "program_look.h"
#include "version.h"

#include <QGuiApplication>
#include <QScreen>

const QString frm_About::author_line = QStringLiteral("Written by the Malvor developers");
const QString frm_About::contact_line = QStringLiteral("Contact: malvor@example.org");
const QString frm_About::version_line = QStringLiteral("Version Number: ") +
                                        QLatin1String(malvor::version) +
                                        QLatin1String(malvor::version_letter);

frm_About::frm_About(QWidget* parent)
    // A tool window: no task-bar button; a title bar with the close button alone.
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::frm_About>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(339, 219);
    const QIcon icon = malvor::program_icon();
    setWindowIcon(icon);
    if (!icon.isNull())
        ui->Image1->setPixmap(icon.pixmap(QSize(32, 32)));
    // These labels take the size of their text in their font.
    for (QLabel* label : {ui->Label1, ui->Label2, ui->Label3})
        label->adjustSize();
    connect(ui->cmdOK, &QPushButton::clicked, this, &frm_About::cmdOK_Click);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed(QPoint(), frameSize());
        placed.moveCenter(screen->geometry().center());
        move(placed.topLeft());
    }
    Form_Load();
}

frm_About::~frm_About() = default;

void frm_About::Form_Load()
{
    ui->Label5->setText(
        malvor::shown_lines(u'\r' + author_line + u'\r' + contact_line + u'\r' + version_line));
}

void frm_About::cmdOK_Click()
{
    close();
}
