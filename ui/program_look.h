#pragma once
// What both windows share in looks: the fonts they were designed with (or the nearest faces
// this machine has), the program icon, and captions whose lines are broken by a lone CR.

#include <QIcon>
#include <QString>

namespace malvor {

// Maps every designed face missing here to the nearest installed one and makes
// "MS Sans Serif" 8.25 pt the default font of every control. Call once, before any window.
void use_designed_fonts();

// The program icon from the resources (32x32 and 16x16); null while the resources lack it.
QIcon program_icon();

// Captions break lines with a lone CR; the toolkit breaks them with LF.
QString shown_lines(const QString& caption);

}  // namespace malvor
