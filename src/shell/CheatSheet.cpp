#include "shell/CheatSheet.h"

#include "database/ShortCut.h"
#include "framework/Exception.h"
#include "keyboard/Key.h"
#include "keys/KeyCodes.h"
#include "keyboard/KeyLayoutLoader.h"
#include "services/Translation.h"
#include "util/Text.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <map>
#include <utility>

namespace {

// Page geometry in 96-dpi units.
constexpr double dpi = 96;
constexpr double pngDpi = 150;
constexpr double margin = 38; // 1 cm
constexpr double titleHeight = 36;
constexpr double rowHeight = 18;
constexpr double gap = 12;
// The keys of the layout lie within these design units.
constexpr double keyboardWidth = 1566;
constexpr double keyboardHeight = 590;
// The overlay's 8-point key font at its design scale (120 dpi).
constexpr int keyFontPixels = 13;

QSizeF PageSizeIn96Dpi(const CheatSheetPage& page)
{
    const QSizeF points = QPageSize(page.size).size(QPageSize::Point);
    // Landscape: the long side across.
    return QSizeF(std::max(points.width(), points.height()) * dpi / 72,
                  std::min(points.width(), points.height()) * dpi / 72);
}

QRectF KeyboardArea(const QSizeF& pageSize)
{
    const double width = pageSize.width() - 2 * margin;
    return {margin, margin + titleHeight, width, width * keyboardHeight / keyboardWidth};
}

QRectF TableArea(const QSizeF& pageSize)
{
    const QRectF keyboard = KeyboardArea(pageSize);
    const double top = keyboard.bottom() + gap;
    return {margin, top, pageSize.width() - 2 * margin, pageSize.height() - margin - top};
}

std::string LayerName(const std::vector<std::uint16_t>& modifiers)
{
    if (modifiers.empty()) {
        return Translate("Без модификаторов");
    }
    return CKeyCodes(modifiers.begin(), modifiers.end()).GetText();
}

// Text in one line within rect, cut short with an ellipsis when too wide; never markup.
void DrawCell(QPainter& canvas, const QRectF& rect, const std::string& text)
{
    const QString elided =
        QFontMetricsF(canvas.font())
            .elidedText(QString::fromStdString(text), Qt::ElideRight, rect.width() - 4);
    canvas.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, elided);
}

} // namespace

CCheatSheet::CCheatSheet(platform::Platform& platform, std::string programName,
                         std::vector<const CShortCut*> shortCuts, IKeyLoader& keyLoader,
                         std::string layoutPath)
    : programName_(std::move(programName)), platform_(platform), keyLoader_(keyLoader),
      layoutPath_(std::move(layoutPath))
{
    // Layers by number of modifiers, then in display order (Win, Ctrl, Alt, Shift).
    std::map<std::pair<std::size_t, std::vector<int>>, Layer> byModifiers;
    for (const CShortCut* shortCut : shortCuts) {
        std::vector<std::uint16_t> modifiers;
        std::vector<int> ranks;
        for (const std::uint16_t code : shortCut->KeyCodes) {
            const std::uint16_t generic = GetGenericKeyCode(code);
            const std::uint16_t folded = generic ? generic : code;
            if (GetKeyRank(folded) < 100) {
                modifiers.push_back(folded);
                ranks.push_back(GetKeyRank(folded));
            }
        }
        Layer& layer = byModifiers[{ranks.size(), ranks}];
        layer.modifiers = modifiers;
        layer.shortCuts.push_back(shortCut);
    }
    for (auto& [order, layer] : byModifiers) {
        layers_.push_back(std::move(layer));
    }
}

std::vector<CCheatSheet::Page> CCheatSheet::Pages(const QSizeF& pageSize) const
{
    // One row of the table is its header.
    const auto rowsPerPage =
        static_cast<std::size_t>(std::max(1.0, TableArea(pageSize).height() / rowHeight - 1));
    std::vector<Page> pages;
    for (const Layer& layer : layers_) {
        for (std::size_t first = 0; first < layer.shortCuts.size(); first += rowsPerPage) {
            pages.push_back({&layer, first, std::min(rowsPerPage, layer.shortCuts.size() - first)});
        }
    }
    return pages;
}

int CCheatSheet::PageCount(const CheatSheetPage& page) const
{
    return static_cast<int>(Pages(PageSizeIn96Dpi(page)).size());
}

void CCheatSheet::Write(const std::string& fileName, const CheatSheetPage& page) const
{
    const QSizeF pageSize = PageSizeIn96Dpi(page);
    const std::vector<Page> pages = Pages(pageSize);
    if (pages.empty()) {
        throw Exception(
            FormatText(Translate("У программы %s нет сочетаний клавиш."), programName_));
    }
    const QString path = QString::fromStdString(fileName);
    bool written = false;
    if (QFileInfo(path).suffix().compare("pdf", Qt::CaseInsensitive) == 0) {
        QPdfWriter writer(path);
        writer.setResolution(static_cast<int>(dpi));
        writer.setPageSize(QPageSize(page.size));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF());
        writer.setTitle(QString::fromStdString(programName_));
        QPainter canvas;
        written = canvas.begin(&writer);
        for (std::size_t i = 0; written && i < pages.size(); ++i) {
            if (i > 0) {
                writer.newPage();
            }
            PaintPage(canvas, pageSize, pages[i]);
        }
        written = canvas.end() && written;
    } else {
        const double scale = pngDpi / dpi;
        const QSize size(qRound(pageSize.width() * scale),
                         qRound(pageSize.height() * scale) * static_cast<int>(pages.size()));
        QImage image(size, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(pngDpi / 0.0254));
        image.setDotsPerMeterY(qRound(pngDpi / 0.0254));
        image.fill(Qt::white);
        QPainter canvas(&image);
        canvas.setRenderHint(QPainter::Antialiasing);
        canvas.setRenderHint(QPainter::TextAntialiasing);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            canvas.save();
            canvas.translate(0, static_cast<double>(i) * image.height() / pages.size());
            canvas.scale(scale, scale);
            PaintPage(canvas, pageSize, pages[i]);
            canvas.restore();
        }
        canvas.end();
        written = image.save(path, "PNG");
    }
    if (!written) {
        throw Exception(FormatText(Translate("Не удается записать файл %s."), fileName));
    }
}

void CCheatSheet::PaintPage(QPainter& canvas, const QSizeF& pageSize, const Page& page) const
{
    QFont titleFont;
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    canvas.setFont(titleFont);
    canvas.setPen(Qt::black);
    DrawCell(canvas, QRectF(margin, margin, pageSize.width() - 2 * margin, titleHeight - 6),
             programName_ + " \u2014 " + LayerName(page.layer->modifiers));

    PaintKeyboard(canvas, KeyboardArea(pageSize), *page.layer);

    const QRectF table = TableArea(pageSize);
    const double keysWidth = table.width() * 0.22;
    const double shortWidth = table.width() * 0.22;
    const auto row = [&](std::size_t index, const std::string& keys, const std::string& shortName,
                         const std::string& description) {
        const double top = table.top() + static_cast<double>(index) * rowHeight;
        DrawCell(canvas, QRectF(table.left(), top, keysWidth, rowHeight), keys);
        DrawCell(canvas, QRectF(table.left() + keysWidth, top, shortWidth, rowHeight), shortName);
        DrawCell(canvas,
                 QRectF(table.left() + keysWidth + shortWidth, top,
                        table.width() - keysWidth - shortWidth, rowHeight),
                 description);
        canvas.setPen(QColor(200, 200, 200));
        canvas.drawLine(QPointF(table.left(), top + rowHeight),
                        QPointF(table.right(), top + rowHeight));
        canvas.setPen(Qt::black);
    };
    QFont tableFont;
    tableFont.setPixelSize(12);
    tableFont.setBold(true);
    canvas.setFont(tableFont);
    row(0, Translate("Клавиши"), Translate("Кратко"), Translate("Описание"));
    tableFont.setBold(false);
    canvas.setFont(tableFont);
    for (std::size_t i = 0; i < page.rowCount; ++i) {
        const CShortCut& shortCut = *page.layer->shortCuts[page.firstRow + i];
        row(i + 1, shortCut.KeyCodes.GetText(), shortCut.ActionDescription->ShortName,
            shortCut.ActionDescription->Name);
    }
}

void CCheatSheet::PaintKeyboard(QPainter& canvas, const QRectF& area, const Layer& layer) const
{
    KeyFonts fonts;
    fonts.keyFont.font.setPixelSize(keyFontPixels);
    fonts.keyFont.color = QColor(0, 0, 255);
    fonts.actionFont.font.setPixelSize(keyFontPixels);
    const auto keys =
        MakeKeys(platform_, keyLoader_.LoadKeys(layoutPath_, 1.0), fonts, nullptr, 0.0);
    for (const CShortCut* shortCut : layer.shortCuts) {
        const CKeyCodes rest =
            shortCut->KeyCodes - CKeyCodes(layer.modifiers.begin(), layer.modifiers.end());
        // A shortcut of two keys besides the modifiers is in the table only.
        if (rest.size() == 1) {
            keys->SetActionDescription(*rest.begin(), shortCut->ActionDescription.get());
        }
    }
    for (const std::uint16_t modifier : layer.modifiers) {
        for (CKey* key : keys->FindKeys(modifier)) {
            key->SetPressed(true);
        }
    }

    canvas.save();
    canvas.fillRect(area, QColor(224, 224, 224));
    canvas.translate(area.topLeft());
    const double scale = area.width() / keyboardWidth;
    canvas.scale(scale, scale);
    for (const auto& key : *keys) {
        if (auto* image = dynamic_cast<TCustomKeyImage*>(key->KeyImage())) {
            canvas.save();
            canvas.translate(image->pos());
            image->PaintOn(canvas);
            canvas.restore();
        }
    }
    canvas.restore();
}
