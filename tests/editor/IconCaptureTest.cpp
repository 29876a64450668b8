#include "editor/FullScreenWindow.h"
#include "editor/IconFile.h"
#include "editor/ScreenShot.h"
#include "editor/ZoomWindow.h"

#include "framework/DataSet.h"
#include "framework/Exception.h"

#include "FakeEnvironment.h"
#include "PictureBombs.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

namespace {

class IconFile : public ::testing::Test
{
protected:
    IconFile()
    {
        table.Append();
        table.FieldByName("Icon").SetValue(BlobValue(Blob{'o', 'l', 'd'}));
        table.Post();
    }
    std::string Write(const char* name, const QImage& picture, const char* format)
    {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(picture.save(path, format));
        return path.toStdString();
    }
    std::string WriteBytes(const char* name, const QByteArray& bytes)
    {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName().toStdString();
    }
    QImage Stored() const
    {
        const Blob& bytes = const_cast<DataSet&>(table).FieldByName("Icon").AsBlob();
        return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "BMP");
    }
    static QImage Picture(int width, int height)
    {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(QColor(200, 30, 30));
        return picture;
    }

    FakeEnvironment env;
    QTemporaryDir folder;
    DataSet table{"shortcuts", {{"Icon", FieldType::Blob}}};
};

} // namespace

TEST_F(IconFile, PicturesAreStoredAsBitmapsAtMostTheSizeKeysDraw)
{
    LoadIconFromFile(Write("icon.ico", Picture(32, 32), "ICO"), table.FieldByName("Icon"));
    EXPECT_EQ(Stored().size(), QSize(32, 32));
    EXPECT_EQ(table.State(), DataSetState::Edit) << "stored, not posted";
    table.Post();

    // The JPEG path by extension, whatever its case; scaled down keeping its shape.
    LoadIconFromFile(Write("picture.JPG", Picture(100, 80), "JPEG"), table.FieldByName("Icon"));
    EXPECT_EQ(Stored().size(), QSize(64, 51));
    EXPECT_NEAR(Stored().pixelColor(32, 25).red(), 200, 8);
    table.Post();

    // A large JPEG is decoded at a fraction of its size, then scaled.
    LoadIconFromFile(Write("large.jpeg", Picture(2000, 1000), "JPEG"), table.FieldByName("Icon"));
    EXPECT_EQ(Stored().size(), QSize(64, 32));
    table.Post();
    LoadIconFromFile(Write("large.png", Picture(300, 300), "PNG"), table.FieldByName("Icon"));
    EXPECT_EQ(Stored().size(), QSize(64, 64));
    table.Post();

    // A picture's transparency is kept, as packs keep theirs.
    QImage clear(16, 16, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    clear.setPixelColor(8, 8, QColor(10, 20, 30, 255));
    LoadIconFromFile(Write("clear.png", clear, "PNG"), table.FieldByName("Icon"));
    EXPECT_TRUE(Stored().hasAlphaChannel());
    EXPECT_EQ(Stored().pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(Stored().pixelColor(8, 8), QColor(10, 20, 30, 255));
}

TEST_F(IconFile, WhatIsNoPictureLeavesTheOldIcon)
{
    const std::string text = WriteBytes("notes.bmp", "just some text\n");
    EXPECT_THROW(LoadIconFromFile(text, table.FieldByName("Icon")), InvalidPicture);

    QFile jpeg(QString::fromStdString(Write("whole.jpg", Picture(64, 64), "JPEG")));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    const std::string truncated = WriteBytes("cut.jpg", jpeg.readAll().left(300));
    EXPECT_THROW(LoadIconFromFile(truncated, table.FieldByName("Icon")), InvalidPicture);
    EXPECT_THROW(DecodeJpeg({0xFF, 0xD8, 0x00}), InvalidPicture)
        << "libjpeg never ends the process";

    EXPECT_EQ(table.FieldByName("Icon").AsBlob(), (Blob{'o', 'l', 'd'}));
    EXPECT_THROW(
        LoadIconFromFile(folder.filePath("missing.png").toStdString(), table.FieldByName("Icon")),
        Exception);
}

namespace {

// Whether reading path refuses it with an Exception that names the file and contains reason; what
// went wrong otherwise.
std::string RefusedNaming(const std::string& path, const std::string& reason, Field field)
{
    try {
        LoadIconFromFile(path, field);
        return "read";
    } catch (const InvalidPicture& error) {
        return std::string("taken for no picture: ") + error.what();
    } catch (const Exception& error) {
        const std::string message = error.what();
        const bool named =
            message.find(path) != std::string::npos && message.find(reason) != std::string::npos;
        return named ? std::string() : message;
    }
}

// The most memory a child running body reached above what this process holds, in megabytes; -1
// when the child did not end with status 0.
long ExtraMegabytesOf(const std::function<bool()>& body)
{
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages >> pages;
    const long before = pages * sysconf(_SC_PAGESIZE) / 1024;
    const pid_t child = fork();
    if (child == 0) {
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::max(0L, usage.ru_maxrss - before) / 1024;
}

} // namespace

TEST_F(IconFile, WhatIsNoRegularFileOrTooLargeIsRefusedUnread)
{
    // Opening a pipe would wait for a writer for ever.
    const std::string pipe = folder.filePath("pipe.png").toStdString();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(RefusedNaming(pipe, "не обычный файл", table.FieldByName("Icon")), "");
    // A device without end.
    const std::string zero = folder.filePath("zero.jpg").toStdString();
    ASSERT_TRUE(QFile::link("/dev/zero", QString::fromStdString(zero)));
    EXPECT_EQ(RefusedNaming(zero, "не обычный файл", table.FieldByName("Icon")), "");
    const std::string large = WriteBytes("large.png", PlainPng(16));
    ASSERT_TRUE(QFile::resize(QString::fromStdString(large), 9 * 1024 * 1024));
    EXPECT_EQ(RefusedNaming(large, "8 МБ", table.FieldByName("Icon")), "");
    EXPECT_EQ(table.FieldByName("Icon").AsBlob(), (Blob{'o', 'l', 'd'}));
}

TEST_F(IconFile, PictureBombsAreRefusedBeforeTheyTakeMemory)
{
    const std::vector<std::pair<std::string, std::string>> bombs = {
        {WriteBytes("declared.jpg", JpegDeclaring(32000, 32000)), "32000 × 32000"},
        {WriteBytes("declared.png", PngDeclaring(30000, 30000)), "30000 × 30000"},
        {WriteBytes("bomb.svgz", SvgzBomb()), "4 МБ"},
    };
    for (const auto& [path, reason] : bombs) {
        const long megabytes = ExtraMegabytesOf([&, &path = path, &reason = reason] {
            return RefusedNaming(path, reason, table.FieldByName("Icon")).empty();
        });
        EXPECT_GE(megabytes, 0) << path << " not refused naming it and " << reason;
        EXPECT_LT(megabytes, 64) << path;
        RecordProperty(QFileInfo(QString::fromStdString(path)).fileName().toStdString() + "_mb",
                       static_cast<int>(megabytes));
    }
}

TEST(ScreenCapture, BackgroundIsLightenedHalfwayToWhite)
{
    QImage snapshot(2, 1, QImage::Format_RGB32);
    snapshot.setPixelColor(0, 0, QColor(0, 0, 0));
    snapshot.setPixelColor(1, 0, QColor(255, 255, 255));
    const QImage light = Lighten(snapshot);
    EXPECT_EQ(light.pixelColor(0, 0), QColor(127, 127, 127));
    EXPECT_EQ(light.pixelColor(1, 0), QColor(255, 255, 255));
    EXPECT_EQ(CropRect(snapshot, 0, 0, 40, 40).size(), QSize(41, 41));
}

TEST(ScreenCapture, DraggingSelectsTheNormalisedRegionAndAnyButtonUpAccepts)
{
    FakeEnvironment env;
    QImage snapshot(400, 300, QImage::Format_RGB32);
    snapshot.fill(Qt::darkGreen);
    TFullScreenWindow window;
    window.Source = &snapshot;
    window.Prepare(QSize(400, 300));
    window.show();
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(100, 80));
    QTest::mouseMove(&window, QPoint(60, 50));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(60, 50));
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.Selection(), QRect(60, 50, 40, 30));
    EXPECT_EQ(window.GetSelection().size(), QSize(41, 31));
    EXPECT_EQ(window.GetSelection().pixelColor(5, 5), QColor(Qt::darkGreen));

    // A right click without a drag accepts the previous selection.
    window.show();
    QTest::mouseClick(&window, Qt::RightButton, {}, QPoint(300, 200));
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.Selection(), QRect(60, 50, 40, 30));

    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(window.result(), QDialog::Rejected);
}

TEST(ScreenCapture, OnAScreenWithTwoDevicePixelsToALogicalOneTheFramedPixelsAreTaken)
{
    FakeEnvironment env;
    // The snapshot of a 400 x 300 screen in 800 x 600 pixels, with a red patch under the logical
    // rectangle (100, 80)-(140, 110).
    QImage snapshot(800, 600, QImage::Format_RGB32);
    snapshot.fill(Qt::darkGreen);
    QPainter(&snapshot).fillRect(QRect(200, 160, 81, 61), Qt::red);
    snapshot.setDevicePixelRatio(2);
    TFullScreenWindow window;
    window.Source = &snapshot;
    window.Prepare(QSize(400, 300));
    window.show();
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(100, 80));
    QTest::mouseMove(&window, QPoint(140, 110));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(140, 110));
    const QImage selection = window.GetSelection();
    EXPECT_EQ(selection.size(), QSize(81, 61));
    EXPECT_EQ(selection.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(selection.pixelColor(78, 58), QColor(Qt::red));
    // The magnifier looks at the same place.
    window.Zoom()->UpdateZoom(QPoint(120, 95));
    EXPECT_EQ(window.Zoom()->Zoom().pixelColor(10, 15), QColor(Qt::red));
}

TEST(ScreenCapture, TheMagnifierKeepsClearOfThePointer)
{
    FakeEnvironment env;
    QImage snapshot(800, 600, QImage::Format_RGB32);
    snapshot.fill(Qt::white);
    QWidget screen;
    screen.resize(800, 600);
    TZoomWindow zoom(&screen);
    zoom.Source = &snapshot;
    zoom.Place(QPoint(400, 300));
    const QPoint corner(800 - zoom.width(), 600 - zoom.height());
    EXPECT_EQ(zoom.pos(), corner);
    EXPECT_EQ(zoom.Zoom().size(), QSize(41, 41));
    EXPECT_EQ(zoom.Zoom().pixelColor(20, 5), QColor(Qt::black)) << "the cross";

    zoom.MoveAwayFromCursor(corner - QPoint(20, 20));
    EXPECT_EQ(zoom.pos(), QPoint(0, 0));
    zoom.MoveAwayFromCursor(QPoint(10, 10));
    EXPECT_EQ(zoom.pos(), corner);
    zoom.MoveAwayFromCursor(QPoint(400, 300));
    EXPECT_EQ(zoom.pos(), corner) << "a clear place is kept";
}
