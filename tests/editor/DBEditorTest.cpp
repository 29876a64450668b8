#include "editor/DBEditor.h"

#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "database/ShortcutTables.h"
#include "editor/DBTreeView.h"
#include "editor/DataControls.h"
#include "editor/NodeDescription.h"
#include "editor/ProgramDescriptionFrame.h"
#include "editor/ShortcutDescriptionFrame.h"
#include "framework/DataSet.h"
#include "framework/Exception.h"
#include "keyboard/HotKeyEdit.h"
#include "live/LiveShortCutLoader.h"
#include "services/ActiveWindow.h"

#include "FakeEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QFile>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class Editor : public ::testing::Test
{
protected:
    Editor()
    {
        Program("b", "/usr/bin/b", {"b second", "b first"});
        Program("a", "/usr/bin/a", {"Copy"});
        registry.GetPrograms()->Locate("Id", CShortcutTables::SuperglobalId);
        Shortcut("Lock screen", "Lock");
        editor = std::make_unique<TfrmDBEditor>(env.platform, registry, activeWindow);
        editor->Loader = registry.GetLoader();
    }
    void Program(const std::string& name, const std::string& file,
                 std::initializer_list<std::string> shortcuts)
    {
        DataSet& programs = *registry.GetPrograms();
        programs.Append();
        programs.FieldByName("Name").SetValue(name);
        programs.FieldByName("FileName").SetValue(file);
        programs.Post();
        for (const std::string& description : shortcuts) {
            Shortcut(description, description.substr(0, 4));
        }
    }
    void Shortcut(const std::string& description, const std::string& shortName)
    {
        DataSet& shortcuts = *registry.GetShortcuts();
        shortcuts.Append();
        shortcuts.FieldByName("Description").SetValue(description);
        shortcuts.FieldByName("ShortName").SetValue(shortName);
        shortcuts.Post();
    }
    // The tree's texts, a child indented by two spaces; hidden nodes left out.
    std::vector<std::string> Tree() const
    {
        std::vector<std::string> texts;
        TDBTreeView& tree = *editor->TreeView;
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
            QTreeWidgetItem* program = tree.topLevelItem(i);
            if (program->isHidden()) {
                continue;
            }
            texts.push_back(program->text(0).toStdString());
            for (int j = 0; j < program->childCount(); ++j) {
                if (!program->child(j)->isHidden()) {
                    texts.push_back("  " + program->child(j)->text(0).toStdString());
                }
            }
        }
        return texts;
    }
    void Select(const std::string& text)
    {
        const auto found = editor->TreeView->findItems(QString::fromStdString(text),
                                                       Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << text;
        editor->TreeView->setCurrentItem(found.front());
    }
    std::string Current() const
    {
        QTreeWidgetItem* item = editor->TreeView->currentItem();
        return item ? item->text(0).toStdString() : "";
    }
    void Key(QWidget* widget, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    }
    void Type(TDBEdit* edit, const QString& text)
    {
        edit->setText(text);
        emit edit->textEdited(text);
    }
    std::vector<std::string> VisibleMenu()
    {
        editor->mnuTreeViewPopup();
        std::vector<std::string> items;
        for (QAction* action : editor->mnuTreeView->actions()) {
            if (action->isVisible() && !action->isSeparator()) {
                items.push_back(action->text().toStdString() +
                                (action->isEnabled() ? "" : " (off)"));
            }
        }
        return items;
    }
    DataSet& Shortcuts() { return *registry.GetShortcuts(); }

    FakeEnvironment env;
    CDBRegistry registry;
    CActiveWindow activeWindow{env.platform};
    std::unique_ptr<TfrmDBEditor> editor;
};

} // namespace

TEST_F(Editor, TreeSortsByLocaleWithTheSuperglobalNodeLastAndSelectsTheFirst)
{
    EXPECT_EQ(Tree(),
              (std::vector<std::string>{"a", "  Copy", "b", "  b first", "  b second",
                                        "Самостоятельные сочетания клавиш", "  Lock screen"}));
    EXPECT_EQ(Current(), "a");
    EXPECT_EQ(editor->NodeDescription->NodeType(), ntProgram);
    EXPECT_EQ(registry.GetPrograms()->FieldByName("Name").AsString(), "a");
}

TEST_F(Editor, NewProgramAndShortcutAreNamedSortedAndSelected)
{
    editor->tbNewProgram->trigger();
    EXPECT_EQ(Current(), "Новая программа");
    EXPECT_EQ(editor->NodeDescription->NodeType(), ntProgram);
    EXPECT_EQ(Tree().at(5), "Новая программа");

    // Insert on a shortcut adds to that shortcut's program.
    Select("b first");
    Key(editor->TreeView, Qt::Key_Insert);
    EXPECT_EQ(Current(), "Новое сочетание");
    EXPECT_EQ(editor->TreeView->currentItem()->parent()->text(0), "b");
    EXPECT_EQ(Shortcuts().FieldByName("ProgramId").AsInteger(),
              registry.GetPrograms()->FieldByName("Id").AsInteger());
    EXPECT_EQ(registry.GetPrograms()->FieldByName("Name").AsString(), "b");
    EXPECT_EQ(editor->NodeDescription->NodeType(), ntShortcut);
}

TEST_F(Editor, DeleteSparesTheSuperglobalNodeAndTakesAProgramWithItsShortcuts)
{
    Select("Самостоятельные сочетания клавиш");
    Key(editor->TreeView, Qt::Key_Delete);
    EXPECT_EQ(Tree().size(), 7u);

    Select("b");
    Key(editor->TreeView, Qt::Key_Delete);
    EXPECT_EQ(Tree(), (std::vector<std::string>{"a", "  Copy", "Самостоятельные сочетания клавиш",
                                                "  Lock screen"}));
    EXPECT_FALSE(registry.GetPrograms()->Locate("Name", std::string("b")));
    EXPECT_EQ(editor->NodeDescription->NodeType(),
              static_cast<int>(editor->TreeView->GetNodeType()))
        << "the panel follows the new selection";
}

TEST_F(Editor, ContextMenuFitsTheNodeAndCollapseOnAShortcutClosesItsProgram)
{
    Select("a");
    EXPECT_EQ(VisibleMenu(),
              (std::vector<std::string>{"Новое приложение", "Удалить", "Экспортировать в файл...",
                                        "Развернуть", "Свернуть (off)"}));
    Select("Copy");
    EXPECT_EQ(VisibleMenu(), (std::vector<std::string>{"Новое сочетание клавиш", "Удалить",
                                                       "Развернуть (off)", "Свернуть"}));
    editor->miCollapse->trigger();
    EXPECT_EQ(Current(), "a");
    EXPECT_FALSE(editor->TreeView->currentItem()->isExpanded());
    Select("Самостоятельные сочетания клавиш");
    EXPECT_EQ(VisibleMenu()[0], "Новое приложение");
    EXPECT_EQ(VisibleMenu().size(), 4u) << "no Delete";
}

TEST_F(Editor, EditsArePostedWhenTheSelectionMovesAndTheNodeTextFollows)
{
    Select("b");
    TProgramDescriptionFrame& frame = *editor->NodeDescription->ProgramFrame;
    Type(frame.dbName, "Browser");
    EXPECT_EQ(registry.GetPrograms()->State(), DataSetState::Edit);
    frame.dbName->OnExit();
    EXPECT_TRUE(editor->TreeView->findItems("Browser", Qt::MatchExactly).size() == 1)
        << "leaving the name edit renames the node before posting";
    Select("Copy");
    EXPECT_EQ(registry.GetPrograms()->State(), DataSetState::Browse);
    ASSERT_TRUE(registry.GetPrograms()->Locate("Name", std::string("Browser")));

    // Choosing an executable changes the path and what the choice tells of its windows, never
    // the name typed.
    Select("Browser");
    frame.ChooseProgram = [] {
        return std::optional<TChosenProgram>(
            {"/opt/web/browser", "Web Browser", "browser; Browser", "org.example.Browser.desktop"});
    };
    frame.Button1Click();
    EXPECT_EQ(frame.DBEdit3->text(), "/opt/web/browser");
    EXPECT_EQ(frame.dbWindowClasses->text(), "browser; Browser");
    EXPECT_EQ(frame.dbDesktopId->text(), "org.example.Browser.desktop");
    EXPECT_EQ(frame.dbName->text(), "Browser");

    // A new program still under its default name takes the chosen program's name.
    editor->tbNewProgram->trigger();
    frame.Button1Click();
    EXPECT_EQ(frame.dbName->text(), "Web Browser");
    EXPECT_EQ(Current(), "Web Browser") << "the tree follows at once";
    Select("a");
    EXPECT_TRUE(registry.GetPrograms()->Locate("Name", std::string("Web Browser")));
}

TEST_F(Editor, ShowingTheEditorAgainSelectsTheFirstNodeAndPostsPendingEdits)
{
    Select("Copy");
    TShortcutDescriptionFrame& frame = *editor->NodeDescription->ShortcutFrame;
    Type(frame.edtDescription, "Copy text");
    editor->show();
    EXPECT_EQ(Current(), "a");
    EXPECT_EQ(editor->NodeDescription->NodeType(), ntProgram);
    EXPECT_EQ(Tree().at(1), "  Copy text");
    EXPECT_EQ(Shortcuts().State(), DataSetState::Browse);
}

TEST_F(Editor, TheShortcutFrameHidesTheActiveFlagForSuperglobalShortcuts)
{
    TShortcutDescriptionFrame& frame = *editor->NodeDescription->ShortcutFrame;
    Select("Lock screen");
    EXPECT_TRUE(frame.cbIsNormal->isHidden());
    Select("Copy");
    EXPECT_FALSE(frame.cbIsNormal->isHidden());
    EXPECT_EQ(frame.edtDescription->maxLength(), 256);
    EXPECT_EQ(frame.DBEdit3->maxLength(), 20);
}

TEST_F(Editor, NodeTypeRoundTripsAndRefusesAnythingElse)
{
    TNodeDescription& panel = *editor->NodeDescription;
    panel.SetNodeType(2);
    EXPECT_EQ(panel.NodeType(), 2);
    panel.SetNodeType(0);
    EXPECT_EQ(panel.NodeType(), 0);
    EXPECT_THROW(panel.SetNodeType(4), Exception);
    EXPECT_EQ(panel.NodeType(), 0);
}

TEST_F(Editor, FindNarrowsByEveryTextAndClearingRestoresTheTree)
{
    Select("b");
    editor->TreeView->currentItem()->setExpanded(false);
    Select("Copy");
    const auto filter = [this](const char* text) {
        editor->edtFind->setText(QString::fromUtf8(text));
        return Tree();
    };
    EXPECT_EQ(filter("COPY"), (std::vector<std::string>{"a", "  Copy"})) << "description";
    EXPECT_EQ(filter("lock"),
              (std::vector<std::string>{"Самостоятельные сочетания клавиш", "  Lock screen"}))
        << "short name";
    EXPECT_EQ(filter("/usr/bin/b"), (std::vector<std::string>{"b", "  b first", "  b second"}))
        << "a program's path shows it with its shortcuts";
    EXPECT_EQ(filter("САМОСТОЯТЕЛЬНЫЕ").size(), 2u) << "any script, any case";

    // Key text: give "b first" Ctrl+K, then look for it.
    editor->edtFind->clear();
    Select("b first");
    Shortcuts().Edit();
    Shortcuts().FieldByName("KeyCodes").SetValue(BlobValue(Blob{0x11, 0, 0x4B, 0}));
    EXPECT_EQ(filter("ctrl + k"), (std::vector<std::string>{"b", "  Ctrl+K — b first"}));

    // Editing on the filtered tree, then clearing: expansion and selection come back.
    TShortcutDescriptionFrame& frame = *editor->NodeDescription->ShortcutFrame;
    Select("Ctrl+K — b first");
    Type(frame.edtDescription, "b renamed");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(editor->edtFind, &escape);
    EXPECT_EQ(editor->edtFind->text(), "");
    EXPECT_EQ(Tree().size(), 7u);
    EXPECT_EQ(Tree().at(3), "  Ctrl+K — b renamed");
    EXPECT_EQ(Current(), "Ctrl+K — b renamed")
        << "what the user chose while filtering stays chosen";

    // A filter that hides the selection moves it to a shown node; clearing restores it.
    Select("Copy");
    EXPECT_EQ(filter("lock").size(), 2u);
    EXPECT_EQ(Current(), "Самостоятельные сочетания клавиш");
    editor->edtFind->clear();
    EXPECT_EQ(Current(), "Copy");
    QTreeWidgetItem* b = editor->TreeView->findItems("b", Qt::MatchExactly).front();
    EXPECT_TRUE(b->isExpanded()) << "expanded when the filter began, expanded again";
}

TEST_F(Editor, ShortcutsShowTheirKeysFirstAndFindMatchesWholeCombinationsInAnySpelling)
{
    const auto giveKeys = [this](const std::string& node, Blob keys) {
        Select(node);
        Shortcuts().Edit();
        Shortcuts().FieldByName("KeyCodes").SetValue(BlobValue(std::move(keys)));
        editor->TreeView->PostEdits();
    };
    giveKeys("b first", {0x11, 0, 0x53, 0});
    giveKeys("b second", {0x11, 0, 0x10, 0, 0x53, 0});
    giveKeys("Copy", {0x11, 0, 0x20, 0});
    giveKeys("Lock screen", {0x11, 0, 0x22, 0});
    EXPECT_EQ(Tree(), (std::vector<std::string>{"a", "  Ctrl+Space — Copy", "b",
                                                "  Ctrl+S — b first", "  Ctrl+Shift+S — b second",
                                                "Самостоятельные сочетания клавиш",
                                                "  Ctrl+Page Down — Lock screen"}));

    const auto filter = [this](const char* text) {
        editor->edtFind->setText(QString::fromUtf8(text));
        return Tree();
    };
    for (const char* spelling : {"ctrl+s", "Ctrl + S", "ctrl s", "  CTRL+s "}) {
        EXPECT_EQ(filter(spelling), (std::vector<std::string>{"b", "  Ctrl+S — b first"}))
            << spelling;
    }
    for (const char* spelling : {"ctrl shift s", "Shift+Ctrl+S"}) {
        EXPECT_EQ(filter(spelling), (std::vector<std::string>{"b", "  Ctrl+Shift+S — b second"}))
            << spelling;
    }
    EXPECT_EQ(filter("shift+s"), (std::vector<std::string>{})) << "never part of a combination";
    EXPECT_EQ(filter("ctrl page down"),
              (std::vector<std::string>{"Самостоятельные сочетания клавиш",
                                        "  Ctrl+Page Down — Lock screen"}));
    EXPECT_EQ(filter("ctrl+sp"), (std::vector<std::string>{})) << "names are whole too";
    EXPECT_EQ(filter("first"), (std::vector<std::string>{"b", "  Ctrl+S — b first"}))
        << "names are still found by any part";
}

TEST_F(Editor, ExitButtonHidesAndSavesOnlyWhatChanged)
{
    const QString file =
        QString::fromStdString(registry.GetLoader()->DataFolder()) + "/shortcuts.dat";
    editor->show();
    editor->SpeedButton1->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(QFile::exists(file)) << "nothing changed since the tables were read";

    // An edit held in the panel is posted and written, as the program's exit does.
    Select("Copy");
    Type(editor->NodeDescription->ShortcutFrame->DBEdit3, "Cp");
    ASSERT_EQ(Shortcuts().State(), DataSetState::Edit);
    editor->SaveChanges();
    ASSERT_TRUE(QFile::exists(file));
    CDBRegistry reread;
    reread.GetLoader()->Load();
    ASSERT_TRUE(reread.GetPrograms()->Locate("Name", std::string("a")));
    EXPECT_TRUE(reread.GetShortcuts()->Locate("ShortName", std::string("Cp")));
}

TEST_F(Editor, TheStayOnTopButtonIsOfferedOnlyWhereAWindowCanBeKeptAbove)
{
    EXPECT_TRUE(editor->tbStayOnTop->isVisible());
    env.platform.canKeepAbove = false;
    TfrmDBEditor pinless(env.platform, registry, activeWindow);
    EXPECT_FALSE(pinless.tbStayOnTop->isVisible());
}

TEST_F(Editor, HotKeyControlFollowsTheSelectedShortcut)
{
    TShortcutDescriptionFrame& frame = *editor->NodeDescription->ShortcutFrame;
    Select("Copy");
    env.platform.keyState.fill(0);
    env.platform.keyState[0x11] = env.platform.keyState[0xA2] = env.platform.keyState['C'] = 0x80;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(frame.HotKeyEdit, &press);
    frame.KeySelected(0x10);
    Select("Lock screen");
    EXPECT_EQ(frame.HotKeyEdit->text(), " ");
    Select("Ctrl+Shift+C — Copy");
    EXPECT_EQ(frame.HotKeyEdit->text(), " Ctrl + Shift + C");
    frame.Button1->click();
    EXPECT_EQ(frame.HotKeyEdit->text(), "");
    EXPECT_TRUE(Shortcuts().FieldByName("KeyCodes").AsBlob().empty());
}

TEST_F(Editor, PictureFilesAreOfferedWithTheDescriptionAndBadOnesAreRefusedInWords)
{
    TShortcutDescriptionFrame& frame = *editor->NodeDescription->ShortcutFrame;
    Select("Copy");
    QString title;
    QTemporaryDir folder;
    const QString notAPicture = folder.filePath("notes.bmp");
    QFile text(notAPicture);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no picture here");
    text.close();
    frame.ChoosePicture = [&](const QString& asked) {
        title = asked;
        return std::optional<std::string>(notAPicture.toStdString());
    };
    frame.btnLoadImageClick();
    EXPECT_EQ(title, "Выберите иконку для сочетания клавиш \"Copy\"");
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0], "Не удается загрузить изображение. Неправильный формат файла.");
    EXPECT_TRUE(Shortcuts().FieldByName("Icon").IsNull());

    // A picture from the screen is stored as the icon; an empty description gives the prompt
    // alone.
    frame.SelectRegion = [](const QImage&) {
        QImage region(41, 31, QImage::Format_RGB32);
        region.fill(Qt::blue);
        return std::optional<QImage>(region);
    };
    frame.ScreenShot.Bitmap = QImage(8, 8, QImage::Format_RGB32);
    frame.btnScreenShotClick();
    const Blob& icon = Shortcuts().FieldByName("Icon").AsBlob();
    EXPECT_EQ(QImage::fromData(icon.data(), static_cast<int>(icon.size())).size(), QSize(41, 31));
    Type(frame.edtDescription, "");
    EXPECT_EQ(frame.IconDialogTitle(), "Выберите иконку для сочетания клавиш");
}

TEST_F(Editor, TheIconPreviewShowsThePictureInItsOwnColours)
{
    TShortcutDescriptionFrame& frame = *editor->NodeDescription->ShortcutFrame;
    editor->show();
    Select("Copy");
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(QColor(220, 0, 0));
    frame.SelectRegion = [&red](const QImage&) { return std::optional<QImage>(red); };
    frame.ScreenShot.Bitmap = QImage(8, 8, QImage::Format_RGB32);
    frame.btnScreenShotClick();
    const QImage preview = frame.dbiIcon->grab().toImage();
    const QRect centre(preview.width() / 2 - 4, preview.height() / 2 - 4, 8, 8);
    for (int y = centre.top(); y <= centre.bottom(); ++y) {
        for (int x = centre.left(); x <= centre.right(); ++x) {
            ASSERT_EQ(preview.pixelColor(x, y), QColor(220, 0, 0)) << x << "," << y;
        }
    }
}

TEST_F(Editor, FocusGoesIntoTheVisibleFrameOnly)
{
    editor->show();
    TNodeDescription& panel = *editor->NodeDescription;
    editor->TreeView->setFocus();
    panel.SetNodeType(0);
    panel.SetFocus();
    EXPECT_EQ(editor->focusWidget(), editor->TreeView);
    panel.SetNodeType(1);
    panel.SetFocus();
    EXPECT_EQ(editor->focusWidget(), panel.ProgramFrame->dbName);
}

TEST_F(Editor, TheBaseGoesOutToAFileAndComesBackIntoTheTree)
{
    QTemporaryDir folder;
    const std::string file = folder.filePath("all.json").toStdString();
    std::string suggested;
    // A pack holds shortcuts with keys only.
    Select("Copy");
    Shortcuts().Edit();
    Shortcuts().FieldByName("KeyCodes").SetValue(BlobValue(Blob{0x11, 0, 0x43, 0}));
    editor->ChooseExportFile = [&](const std::string& name) {
        suggested = name;
        return std::optional<std::string>(file);
    };
    editor->tbExport->trigger();
    EXPECT_EQ(suggested, "quorvel-shortcuts.json");
    ASSERT_EQ(env.messages.size(), 1u) << "the export is reported";

    Select("a");
    Key(editor->TreeView, Qt::Key_Delete);
    ASSERT_TRUE(editor->TreeView->findItems("a", Qt::MatchExactly).empty());
    editor->ChooseImportFile = [&] { return std::optional<std::string>(file); };
    editor->tbImport->trigger();
    EXPECT_EQ(Tree(),
              (std::vector<std::string>{"a", "  Ctrl+C — Copy", "b", "  b first", "  b second",
                                        "Самостоятельные сочетания клавиш", "  Lock screen"}))
        << "what was deleted comes back, nothing is doubled";
    EXPECT_EQ(env.messages.size(), 2u);

    // One program alone, named after its executable.
    Select("b");
    editor->miExportProgram->trigger();
    EXPECT_EQ(suggested, "b.json");
}

TEST_F(Editor, LiveShortcutsAreListedUnderTheirProgramsReadOnlyAndAdoptedIntoTheBase)
{
    CShortCutSetLoader base(env.platform, registry);
    CLiveShortCutLoader live(env.platform, base);
    const auto menu = [](const char* accel, std::vector<std::string> path) {
        return live::LiveShortcut{accel, live::AccelSyntax::Gtk, std::move(path),
                                  live::LiveSource::Menu};
    };
    live::LiveProgram a, zed;
    a.executable = "/usr/bin/a";
    zed.executable = "/usr/bin/zed";
    live.SetLive(a, {menu("<Primary>o", {"File", "Open"}), menu("<Primary>p", {"File", "Print"})});
    live.SetLive(zed, {menu("<Primary>k", {"Edit", "Kill"})});
    editor->SetLive(&live);
    EXPECT_EQ(Tree(),
              (std::vector<std::string>{"a", "  Copy", "  Ctrl+O — Open", "  Ctrl+P — Print", "b",
                                        "  b first", "  b second", "zed", "  Ctrl+K — Kill",
                                        "Самостоятельные сочетания клавиш", "  Lock screen"}));

    // Marked, read only: no record behind it, nothing to edit or delete.
    Select("Ctrl+O — Open");
    EXPECT_EQ(editor->TreeView->GetNodeType(), ntLiveShortcut);
    EXPECT_EQ(editor->NodeDescription->NodeType(), ntNone);
    EXPECT_TRUE(editor->TreeView->currentItem()->font(0).italic());
    EXPECT_EQ(VisibleMenu(), (std::vector<std::string>{
                                 "Перенести в свою базу",
                                 "Перенести в свою базу все сочетания, прочитанные у программы",
                                 "Не читать сочетания клавиш из меню программы, пока она работает",
                                 "Развернуть (off)", "Свернуть"}));
    Key(editor->TreeView, Qt::Key_Delete);
    EXPECT_EQ(Tree().size(), 11u);

    // Adopted: a shortcut of the base, the other still live.
    editor->miAdopt->trigger();
    EXPECT_EQ(Current(), "a");
    Select("Ctrl+O — Open");
    EXPECT_EQ(editor->TreeView->GetNodeType(), ntShortcut);
    EXPECT_FALSE(editor->TreeView->currentItem()->font(0).italic());
    EXPECT_EQ(Shortcuts().FieldByName("Description").AsString(), "Open");
    Select("Ctrl+P — Print");
    EXPECT_EQ(editor->TreeView->GetNodeType(), ntLiveShortcut);

    // All of a program the base lacks: the program is made.
    Select("zed");
    EXPECT_EQ(editor->TreeView->GetNodeType(), ntLiveProgram);
    editor->miAdoptAll->trigger();
    EXPECT_EQ(Current(), "zed");
    EXPECT_EQ(editor->TreeView->GetNodeType(), ntProgram);
    Select("Ctrl+K — Kill");
    EXPECT_EQ(editor->TreeView->GetNodeType(), ntShortcut);
    editor->SaveChanges();
    CDBRegistry reread;
    reread.GetLoader()->Load();
    ASSERT_TRUE(reread.GetPrograms()->Locate("FileName", std::string("/usr/bin/zed")));
    EXPECT_TRUE(reread.GetShortcuts()->Locate("Description", std::string("Kill")));

    // Live reading switched off for a program: its live shortcuts go from the tree.
    Select("a");
    editor->NodeDescription->ProgramFrame->dbLiveReadingOff->click();
    Select("b");
    editor->TreeView->RefreshLive();
    EXPECT_TRUE(editor->TreeView->findItems("Ctrl+P — Print", Qt::MatchExactly | Qt::MatchRecursive)
                    .isEmpty());
    // For a program the base lacks, from the menu: the program is made with the switch off.
    live::LiveProgram qux;
    qux.executable = "/usr/bin/qux";
    live.SetLive(qux, {menu("<Primary>j", {"Go", "Jump"})});
    editor->TreeView->RefreshLive();
    Select("qux");
    editor->miLiveOff->trigger();
    EXPECT_EQ(Current(), "qux");
    EXPECT_EQ(editor->TreeView->GetNodeType(), ntProgram);
    EXPECT_TRUE(registry.GetPrograms()->FieldByName("LiveReadingOff").AsBoolean());
    EXPECT_TRUE(editor->NodeDescription->ProgramFrame->dbLiveReadingOff->isChecked());
    EXPECT_EQ(editor->TreeView->currentItem()->childCount(), 0);
}
