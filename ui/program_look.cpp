#include "program_look.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>

namespace malvor {
namespace {

struct FaceChoice {
    const char* designed;
    QStringList nearest;
};

// Nearest faces first: metric twins of the Windows faces, then the common free families.
const FaceChoice face_choices[] = {
    {"MS Sans Serif",
     {"Microsoft Sans Serif", "Liberation Sans", "Arial", "Nimbus Sans", "DejaVu Sans",
      "Sans Serif"}},
    {"Times New Roman", {"Liberation Serif", "Tinos", "Nimbus Roman", "DejaVu Serif", "Serif"}},
    {"Fixedsys",
     {"Terminal", "DejaVu Sans Mono", "Liberation Mono", "Noto Mono", "Courier New", "Monospace"}},
};

}  // namespace

void use_designed_fonts()
{
    const QStringList installed = QFontDatabase::families();
    for (const FaceChoice& choice : face_choices) {
        const QString designed = QString::fromLatin1(choice.designed);
        if (installed.contains(designed, Qt::CaseInsensitive))
            continue;
        QStringList nearest;
        for (const QString& face : choice.nearest) {
            if (installed.contains(face, Qt::CaseInsensitive))
                nearest << face;
        }
        QFont::removeSubstitutions(designed);
        QFont::insertSubstitutions(designed, nearest.isEmpty() ? choice.nearest : nearest);
    }
    QFont standard(QStringLiteral("MS Sans Serif"));
    standard.setPointSizeF(8.25);
    QApplication::setFont(standard);
}

QIcon program_icon()
{
    QIcon icon;
    for (const char* file : {":/icons/malvor.png", ":/icons/malvor16.png"}) {
        if (QFile::exists(QString::fromLatin1(file)))
            icon.addFile(QString::fromLatin1(file));
    }
    return icon;
}

QString shown_lines(const QString& caption)
{
    QString lines = caption;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    return lines;
}

}  // namespace malvor
