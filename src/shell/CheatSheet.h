#pragma once

#include "platform/Platform.h"

#include <QPageSize>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CShortCut;
class IKeyLoader;
class QPainter;
class QRectF;
class QSizeF;

// The page size and orientation of a cheat sheet; landscape always.
struct CheatSheetPage
{
    QPageSize::PageSizeId size = QPageSize::A4;
};

// A printable summary of one program's shortcuts: one page per layer (the modifiers held: none,
// Ctrl, Shift, Alt, Win or a combination of them), each with the keyboard drawn for that layer,
// the program's name and the layer, and a table of the layer's shortcuts. A layer with more
// shortcuts than a page holds goes on over further pages.
class CCheatSheet
{
public:
    // The shortcuts of programName; the keyboard's layout comes from layoutPath.
    CCheatSheet(platform::Platform& platform, std::string programName,
                std::vector<const CShortCut*> shortCuts, IKeyLoader& keyLoader,
                std::string layoutPath);

    // Writes a PDF (vector text) for a name ending in .pdf, otherwise a PNG with the pages one
    // below another at 150 dpi. Throws Exception when there is nothing to write or the file
    // cannot be written.
    void Write(const std::string& fileName, const CheatSheetPage& page) const;

    // The number of pages Write produces for this page.
    int PageCount(const CheatSheetPage& page) const;

private:
    struct Layer
    {
        std::vector<std::uint16_t> modifiers;
        std::vector<const CShortCut*> shortCuts;
    };
    struct Page
    {
        const Layer* layer;
        std::size_t firstRow;
        std::size_t rowCount;
    };
    std::vector<Page> Pages(const QSizeF& pageSize) const;
    // Draws one page in 96-dpi units onto canvas, the page size being pageSize.
    void PaintPage(QPainter& canvas, const QSizeF& pageSize, const Page& page) const;
    void PaintKeyboard(QPainter& canvas, const QRectF& area, const Layer& layer) const;

    std::string programName_;
    std::vector<Layer> layers_;
    platform::Platform& platform_;
    IKeyLoader& keyLoader_;
    std::string layoutPath_;
};
