#include <QApplication>

#include <gtest/gtest.h>

// Test executables run Qt offscreen: widgets can be built and painted without a display.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
