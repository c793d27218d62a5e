// Text on surfaces. Glyphs are rasterised once per font and text into a
// coverage mask and then blended in the text colour, so a frame's texts
// cost a few microseconds each.
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "raster/blend.h"
#include "raster/surface.h"

namespace {

constexpr qsizetype MAX_SHOWN_CHARACTERS = 256;
constexpr std::size_t MAX_CACHED_TEXTS = 64;

// A stretch of a mask row to blend: inked pixels, with the small clear
// gaps between them.
struct Run {
    int16_t left, right;  // [left, right)
};

struct Coverage {
    QImage alpha;  // Format_Alpha8
    int left = 0;  // offset of the mask from the text position
    int top = 0;
    // Row j's inked stretches are runs[row_runs[j]] to runs[row_runs[j + 1]]:
    // most of a text's box is clear, and is neither blended nor marked.
    std::vector<Run> runs;
    std::vector<int> row_runs;
    // The box of the runs, in the mask; empty when nothing is inked.
    int ink_left = 0, ink_top = 0, ink_right = 0, ink_bottom = 0;
    uint64_t name = 0;  // of the font and text: the same name, the same mask
};

// Clear gaps narrower than this are blended with the runs around them
// (blending leaves a clear pixel as it was), and each run is widened over
// clear pixels to a multiple of four: a glyph's strokes are a few pixels
// wide, and the blend goes four or eight pixels at a time.
constexpr int SMALL_GAP = 8;

int widened(int left, int right, int width) { return std::min(width, left + (right - left + 3) / 4 * 4); }

void add_run(std::vector<Run>& runs, std::size_t row_start, int left, int right, int width)
{
    if (runs.size() > row_start && left - runs.back().right < SMALL_GAP) {
        left = runs.back().left;
        runs.pop_back();
    }
    runs.push_back({int16_t(left), int16_t(widened(left, right, width))});
}

void find_runs(Coverage& c)
{
    const int width = c.alpha.width();
    c.row_runs.push_back(0);
    for (int j = 0; j < c.alpha.height(); ++j) {
        const uchar* a = c.alpha.constScanLine(j);
        const std::size_t row_start = c.runs.size();
        int i = 0;
        while (i < width) {
            if (a[i] == 0) {
                ++i;
                continue;
            }
            int start = i;
            while (i < width && a[i] != 0)
                ++i;
            add_run(c.runs, row_start, start, i, width);
            i = c.runs.back().right;  // what the widening took in is done
        }
        c.row_runs.push_back(int(c.runs.size()));
    }
}

// The box around the runs: all that drawing the text can change.
void find_ink(Coverage& c)
{
    c.ink_left = c.alpha.width();
    c.ink_top = c.alpha.height();
    for (int j = 0; j < c.alpha.height(); ++j) {
        const int first = c.row_runs[std::size_t(j)], last = c.row_runs[std::size_t(j) + 1];
        if (first == last)
            continue;
        c.ink_left = std::min<int>(c.ink_left, c.runs[std::size_t(first)].left);
        c.ink_right = std::max<int>(c.ink_right, c.runs[std::size_t(last - 1)].right);
        c.ink_top = std::min(c.ink_top, j);
        c.ink_bottom = j + 1;
    }
}

// Sizes are points at 96 dots per inch: 20 pt is 27 pixels, 18 pt 24.
int pixel_size(float points) { return int(std::lround(points * 96.0f / 72.0f)); }

QFont make_font(const SurfaceFont& f)
{
    QFont font;
    if (!f.face.empty())
        font.setFamily(QString::fromStdString(f.face));
    font.setBold(f.bold);
    font.setPixelSize(std::max(1, pixel_size(f.points)));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

Coverage rasterise(const SurfaceFont& f, const QString& text)
{
    QFont font = make_font(f);
    QFontMetrics metrics(font);
    QRect ink = metrics.boundingRect(text);
    QRect cell(0, -metrics.ascent(), metrics.horizontalAdvance(text), metrics.height());
    QRect box = ink.united(cell).adjusted(-1, -1, 1, 1);

    QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(-box.left(), -box.top()), text);
    }
    Coverage c;
    c.alpha = image.convertToFormat(QImage::Format_Alpha8);
    c.left = box.left();
    c.top = box.top() + metrics.ascent();
    find_runs(c);
    find_ink(c);
    return c;
}

const Coverage& coverage_for(const SurfaceFont& f, std::string_view text)
{
    static std::unordered_map<std::string, Coverage> cache;
    // Made in the same buffer every time: a frame looks up a dozen texts.
    static std::string key;
    key.assign(f.face).append(f.bold ? "\x1f" "b" : "\x1f").append(std::to_string(pixel_size(f.points)));
    key.append(1, '\x1f').append(text);
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    // A round's counts bring a new text every second or so, each some
    // kilobytes; a frame draws about a dozen. Starting afresh now and then
    // redraws those few once and keeps the cache small.
    if (cache.size() >= MAX_CACHED_TEXTS)
        cache.clear();
    QString shown = QString::fromUtf8(text.data(), qsizetype(text.size()));
    // No text starts further left than -400 on a 350-pixel field, so 256
    // characters reach past its right edge in any size the game uses; a
    // name thousands of characters long costs no more than that.
    if (shown.size() > MAX_SHOWN_CHARACTERS)
        shown.truncate(MAX_SHOWN_CHARACTERS);
    Coverage& made = cache.emplace(key, rasterise(f, shown)).first->second;
    made.name = std::hash<std::string>{}(key);
    return made;
}

}  // namespace

void draw_text(Surface& s, std::string_view text)
{
    if (text.empty())
        return;
    const Coverage& c = coverage_for(s.font, text);
    const int x0 = int(std::floor(s.text_x)) + c.left;
    const int y0 = int(std::floor(s.text_y)) + c.top;
    // The part of the mask's ink that lands on the surface.
    const int i0 = std::max(c.ink_left, -x0), i1 = std::min(c.ink_right, s.width - x0);
    const int j0 = std::max(c.ink_top, -y0), j1 = std::min(c.ink_bottom, s.height - y0);
    if (i0 >= i1 || j0 >= j1)
        return;
    const uint32_t colour = s.text_colour;
    // The same text in the same colour at the same place writes the same
    // pixels over the same row.
    const uint64_t text_name = combine(combine(combine(c.name, colour), uint64_t(x0)), uint64_t(y0));
    for (int j = j0; j < j1; ++j) {
        note_write(s, y0 + j, x0 + i0, x0 + i1, row_write(text_name, j));
        const uchar* a = c.alpha.constScanLine(j);
        // Indexed from the row's first pixel: the mask's left edge may lie
        // left of the surface, and a pointer there would point outside it.
        // The test build checks each index.
        const std::span<uint32_t> row(&s.pixels[size_t(y0 + j) * s.width], size_t(s.width));
        for (int r = c.row_runs[size_t(j)]; r < c.row_runs[size_t(j) + 1]; ++r) {
            const int begin = std::max<int>(c.runs[size_t(r)].left, i0);
            const int end = std::min<int>(c.runs[size_t(r)].right, i1);
            if (begin < end)
                blend_coverage(&row[size_t(x0 + begin)], a + begin, end - begin, colour);
        }
    }
}
