// Runs the window tests headless unless a display is asked for.

#include "program_look.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    malvor::use_designed_fonts();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
