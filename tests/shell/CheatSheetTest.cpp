#include "shell/CheatSheet.h"
#include "shell/CheatSheetCommand.h"
#include "shell/CommandLine.h"

#include "database/Registry.h"
#include "database/ShortCutSetLoader.h"
#include "framework/Exception.h"
#include "keyboard/KeyLayoutLoader.h"
#include "platform/VirtualKeys.h"
#include "shell/Keyboard.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint16_t Ctrl = 17, Alt = 18, F1 = 112;

// A fake program with shortcuts in four layers (none, Ctrl, Alt, Ctrl+Shift) and another
// program whose shortcuts stay off its sheet.
class CheatSheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AddShortcut(registry, "editor", true, {F1}, "Справка", "Help");
        AddShortcut(registry, "editor", true, {Ctrl, 'S'}, "Сохранить", "Save the document");
        AddShortcut(registry, "editor", true, {163, 'O'}, "Открыть", "Open a document");
        AddShortcut(registry, "editor", true, {Alt, 'X'}, "Выход", "Quit");
        AddShortcut(registry, "editor", true, {Ctrl, vk::Shift, 'S'}, "Сохранитькак", "Save as");
        AddShortcut(registry, "other", true, {Ctrl, 'Q'}, "Чужое", "Not the editor's");
        shortCuts = loader.LoadShortCuts();
    }

    CCheatSheet Sheet(const std::string& program)
    {
        return CCheatSheet(env.platform, program, shortCuts->ProgramShortCuts(program), keyLoader,
                           CKeyboard::GetPath(PathType::KeyLayout));
    }

    static QString PdfText(const QString& path)
    {
        QProcess pdftotext;
        pdftotext.start("pdftotext", {path, "-"});
        EXPECT_TRUE(pdftotext.waitForFinished(30000));
        EXPECT_EQ(pdftotext.exitCode(), 0);
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }

    FakeEnvironment env;
    CDBRegistry registry;
    CShortCutSetLoader loader{env.platform, registry};
    CKeyLayoutLoader keyLoader{env.platform};
    std::unique_ptr<IShortCuts> shortCuts;
    QTemporaryDir folder;
};

} // namespace

TEST_F(CheatSheetTest, PdfHasAPagePerLayerWithTextThatCanBeExtracted)
{
    const QString path = folder.filePath("editor.pdf");
    Sheet("Editor").Write(path.toStdString(), {});
    const QString text = PdfText(path);
    // pdftotext ends every page with a form feed.
    EXPECT_EQ(text.count('\f'), 4);
    for (const char* expected : {"Справка", "Сохранить", "Открыть", "Выход", "Сохранитькак",
                                 "Save the document", "Ctrl + Shift + S", "Editor", "Num Lock"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    }
    EXPECT_FALSE(text.contains(QString::fromUtf8("Чужое")));

    const QStringList pages = text.split('\f');
    EXPECT_TRUE(pages[1].contains("Ctrl + O"));
    EXPECT_FALSE(pages[1].contains("Alt + X"));
}

TEST_F(CheatSheetTest, PngHoldsThePagesOneBelowAnotherAt150Dpi)
{
    const QString a4 = folder.filePath("editor.png");
    Sheet("editor").Write(a4.toStdString(), {});
    // A4 landscape, 297 x 210 mm.
    EXPECT_EQ(QImage(a4).size(), QSize(1754, 1240 * 4));

    const QString letter = folder.filePath("letter.png");
    Sheet("editor").Write(letter.toStdString(), {QPageSize::Letter});
    // Letter landscape, 11 x 8.5 in.
    EXPECT_EQ(QImage(letter).size(), QSize(1650, 1275 * 4));
}

TEST_F(CheatSheetTest, AProgramWithoutShortcutsOrAnUnwritableFileIsAnError)
{
    EXPECT_THROW(Sheet("unknown").Write(folder.filePath("none.pdf").toStdString(), {}), Exception);
    EXPECT_THROW(Sheet("editor").Write(folder.filePath("no/such/folder.png").toStdString(), {}),
                 Exception);
}

TEST(CheatSheetCommandLine, OptionsInEitherFormAndOrder)
{
    FakeEnvironment env;
    // The cheat sheet the arguments ask for; nullopt for a usage error.
    const auto parse = [&env](const QStringList& arguments) -> std::optional<CheatSheetCommand> {
        CCommandLine commandLine;
        testing::internal::CaptureStderr();
        const auto exitCode = commandLine.Parse(env.platform, QStringList{"quorvel"} + arguments);
        testing::internal::GetCapturedStderr();
        if (exitCode) {
            EXPECT_EQ(exitCode, 2) << arguments.join(' ').toStdString();
            return std::nullopt;
        }
        EXPECT_EQ(commandLine.Task(), CommandLineTask::CheatSheet);
        return CheatSheetCommandOf(commandLine);
    };
    const auto parsed = parse({"-o", "out.pdf", "--cheatsheet", "gimp"});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->program, "gimp");
    EXPECT_EQ(parsed->output, "out.pdf");
    EXPECT_EQ(parsed->page.size, QPageSize::A4);

    const auto letter = parse({"--cheatsheet=gimp", "--output=a b.png", "--page-size", "Letter"});
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->output, "a b.png");
    EXPECT_EQ(letter->page.size, QPageSize::Letter);

    for (const QStringList& wrong : std::vector<QStringList>{
             {"--cheatsheet", "gimp"},
             {"-o", "out.pdf"},
             {"--cheatsheet", "gimp", "-o"},
             {"--cheatsheet", "gimp", "-o", "out.pdf", "--page-size", "a3"},
             {"--cheatsheet", "gimp", "-o", "out.pdf", "--colour", "red"},
             {"--cheatsheet", "gimp", "-o", "out.pdf", "--output", "other.pdf"},
             {"--cheatsheet=", "-o", "out.pdf"}}) {
        EXPECT_FALSE(parse(wrong)) << wrong.join(' ').toStdString();
    }
}
