// The headers most files of a target include, parsed once per target where QUORVEL_PCH asks for
// it (the sanitized test build, where parsing Qt's headers takes most of each file's compile
// time): each library's part only in a target that uses the library, as the compile definition
// the library hands its users tells.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifdef QT_CORE_LIB
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QObject>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QVariant>
#endif

#ifdef QT_GUI_LIB
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#endif

#ifdef QT_WIDGETS_LIB
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#endif

#ifdef QT_DBUS_LIB
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#endif

#ifdef QT_TESTLIB_LIB
#include <QSignalSpy>
#include <QTest>
#endif

// GoogleTest's users get this definition.
#ifdef GTEST_HAS_PTHREAD
#include <gtest/gtest.h>
#endif
