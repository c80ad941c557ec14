#pragma once
// A push button of the program's own windows, found by its name in tests.

#include <QPushButton>

namespace malvor {

// Not a default button: Enter in the windows' lists acts on the list, not on a button.
inline QPushButton* window_button(const QString& text, const char* name, QWidget* parent)
{
    auto* made = new QPushButton(text, parent);
    made->setObjectName(QLatin1String(name));
    made->setAutoDefault(false);
    return made;
}

}  // namespace malvor
