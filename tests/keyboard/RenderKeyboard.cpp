// Renders the shipped keyboard, as the overlay shows it, to a PNG:
// render_keyboard FILE.png [SCALE [bare]]
// A few keys are drawn pressed and a few carry a short name and an icon, unless "bare".

#include "keyboard/KeyLayoutLoader.h"
#include "util/Paths.h"

#include "FakeEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

QImage Icon(const QColor& color)
{
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color);
    painter.setPen(color.darker());
    painter.drawEllipse(1, 1, 14, 14);
    return icon;
}

struct Shortcut
{
    Shortcut(std::uint16_t key, const char* name, const char* shortName, QImage icon) : code(key)
    {
        description.Name = name;
        description.ShortName = shortName;
        description.Icon = std::move(icon);
    }
    std::uint16_t code;
    CActionDescription description;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: render_keyboard FILE.png [SCALE [bare]]\n");
        return 2;
    }
    const double scale = argc >= 3 ? std::atof(argv[2]) : 1.0;
    const bool bare = argc == 4 && std::string(argv[3]) == "bare";
    FakeEnvironment env;

    QWidget window;
    window.resize(qRound(1566 * scale), qRound(631 * scale));
    window.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    window.setPalette(palette);

    // As the overlay: 8-point fonts at the dpi that gives this scale (dpi / 120).
    const int fontSize = qRound(8 * 120 * scale / 72);
    KeyFonts fonts;
    fonts.keyFont.font.setPixelSize(fontSize);
    fonts.keyFont.color = QColor(0, 0, 255);
    fonts.actionFont.font.setPixelSize(fontSize);

    const std::vector<Shortcut> shortcuts{
        {0x53, "Save the document", "Save", Icon(Qt::blue)},
        {0x4F, "Open a document", "Open", Icon(Qt::darkYellow)},
        {0x5A, "Undo the last change", "Undo", Icon(Qt::red)},
        {13, "Insert a new line", "New line", Icon(Qt::darkGreen)},
        {8, "Delete backwards", "Delete word", Icon(Qt::magenta)},
        {107, "Zoom in", "Zoom in", Icon(Qt::cyan)},
        {0x70, "Help", "Help", QImage()},
        {32, "Autocomplete", "Complete", Icon(Qt::gray)},
    };

    try {
        const auto keys = MakeKeys(env.platform,
                                   CKeyLayoutLoader(env.platform)
                                       .LoadKeys(JoinPath(BuildFolder(), "keyimages.xml"), scale),
                                   fonts, &window, 0.3);
        if (!bare) {
            for (const Shortcut& shortcut : shortcuts) {
                keys->SetActionDescription(shortcut.code, &shortcut.description);
            }
            CHeldKeys held;
            held.Set(162, true);
            keys->KeyDown(17, held);
            held.Set(13, true);
            keys->KeyDown(13, held);
            for (const auto& [code, count] :
                 {std::pair(17, 3), std::pair(18, 1), std::pair(0x15B, 12)}) {
                for (CKey* key : keys->FindKeys(code)) {
                    key->SetAction(key->ActionDescription(), count);
                }
            }
        }

        QLabel description(QString::fromUtf8(bare ? "" : "Save  (Ctrl + S)"), &window);
        QFont descriptionFont = description.font();
        descriptionFont.setPixelSize(qRound(23 * scale));
        description.setFont(descriptionFont);
        description.setGeometry(qRound(20 * scale), qRound(591 * scale), qRound(1526 * scale),
                                qRound(30 * scale));
        if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
