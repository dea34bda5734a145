// GoogleTest main for the project's tests: a Qt application object exists for the whole run,
// so that serial ports, timers and (for GUI tests) widgets work.
#include <gtest/gtest.h>

#ifdef KVIR_GUI_TEST
#include <QApplication>
using App = QApplication;
#else
#include <QCoreApplication>
using App = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    App app(argc, argv);
    return RUN_ALL_TESTS();
}
