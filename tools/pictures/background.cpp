// The play field: three framed display boxes on top, a city skyline under
// the night sky, and the ground the cats walk on.
#include <QPainter>

#include <algorithm>
#include <array>

#include "fixed_random.h"
#include "pictures.h"

namespace {

constexpr int WIDTH = 350;
constexpr int BOX_BOTTOM = 41;
constexpr int SKY_BOTTOM = 250;
constexpr int BRIDGE_START = 246;

const QRgb SKY = qRgb(0, 0, 128);
const QRgb FAR_CITY = qRgb(0, 0, 80);
const QRgb CITY = qRgb(0, 0, 0);
const QRgb LIT_WINDOW = qRgb(255, 223, 95);
const QRgb RED_LIGHT = qRgb(255, 47, 47);
const QRgb STAR = qRgb(255, 255, 255);
const QRgb MOON = qRgb(255, 247, 191);

// The display draws hits, time and misses in the border colour of each box.
struct DisplayBox {
    int left, right;
    QRgb border;
};
const std::array<DisplayBox, 3> BOXES{{
    {0, 151, qRgb(63, 255, 159)},
    {153, 198, qRgb(255, 255, 159)},
    {200, 349, qRgb(255, 159, 191)},
}};

const std::array<QRgb, 4> BROWNS{qRgb(159, 95, 63), qRgb(191, 127, 63), qRgb(127, 63, 63),
                                 qRgb(95, 63, 63)};

struct Tower {
    int left, width, top;
    bool antenna;
};
const std::array<Tower, 11> TOWERS{{
    {0, 20, 150, false},   {18, 17, 118, true},  {37, 26, 92, true},   {65, 18, 138, false},
    {85, 24, 108, false},  {111, 14, 158, false}, {127, 28, 126, true}, {157, 20, 98, true},
    {179, 25, 142, false}, {206, 18, 122, false}, {226, 18, 168, false},
}};

void fill(QPainter& p, QRect r, QRgb colour) { p.fillRect(r, QColor(colour)); }
void dot(QPainter& p, int x, int y, QRgb colour) { fill(p, QRect(x, y, 1, 1), colour); }

void draw_display_boxes(QPainter& p)
{
    fill(p, QRect(0, 0, WIDTH, BOX_BOTTOM + 1), SKY);
    for (const DisplayBox& box : BOXES) {
        const QRect outer(QPoint(box.left, 0), QPoint(box.right, BOX_BOTTOM));
        fill(p, outer, box.border);
        fill(p, outer.adjusted(2, 2, -2, -2), SKY);
    }
}

void draw_stars_and_moon(QPainter& p, FixedRandom& random)
{
    // Drawn in turn, the row first: a function's arguments are worked out
    // in whatever order the compiler likes (g++ from the last, clang from
    // the first), and the stars would move with the compiler.
    for (int i = 0; i < 70; ++i) {
        const int y = 44 + random.below(120);
        const int x = random.below(WIDTH);
        dot(p, x, y, STAR);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(MOON));
    p.drawEllipse(QRect(292, 54, 26, 26));
    p.setBrush(QColor(SKY));
    p.drawEllipse(QRect(300, 50, 26, 26));
}

// A lower row of buildings far behind the towers, a shade darker than the
// sky; it stops short of the bridge, which stands against the open sky.
void draw_far_city(QPainter& p, FixedRandom& random)
{
    for (int x = 0; x < BRIDGE_START;) {
        const int width = std::min(10 + random.below(14), BRIDGE_START - x);
        fill(p, QRect(x, 168 + random.below(30), width, SKY_BOTTOM + 1), FAR_CITY);
        x += width;
    }
}

void draw_windows(QPainter& p, const Tower& tower, FixedRandom& random)
{
    for (int y = tower.top + 5; y < SKY_BOTTOM - 4; y += 5)
        for (int x = tower.left + 3; x + 2 < tower.left + tower.width - 1; x += 4) {
            if (!random.one_in(4))
                continue;
            const QRgb colour = random.one_in(9) ? RED_LIGHT : LIT_WINDOW;
            fill(p, QRect(x, y, 2, 2), colour);
        }
}

void draw_tower(QPainter& p, const Tower& tower, FixedRandom& random)
{
    fill(p, QRect(tower.left, tower.top, tower.width, SKY_BOTTOM + 1 - tower.top), CITY);
    draw_windows(p, tower, random);
    if (!tower.antenna)
        return;
    const int middle = tower.left + tower.width / 2;
    fill(p, QRect(middle, tower.top - 14, 1, 14), CITY);
    dot(p, middle, tower.top - 15, RED_LIGHT);
}

// A steel truss bridge on the right, running off the edge of the field.
void draw_bridge(QPainter& p)
{
    const int deck = 200, chord = 176, first_post = BRIDGE_START + 12, bay = 12;
    fill(p, QRect(BRIDGE_START, deck, WIDTH - BRIDGE_START, 3), CITY);
    fill(p, QRect(first_post, chord, WIDTH - first_post, 2), CITY);
    p.setPen(QPen(QColor(CITY), 1));
    p.drawLine(BRIDGE_START, deck, first_post, chord);
    for (int x = first_post; x < WIDTH; x += bay) {
        p.drawLine(x, chord, x, deck);
        p.drawLine(x, chord, x + bay, deck);
    }
    for (int x : {262, 322})
        fill(p, QRect(x, deck + 3, 6, SKY_BOTTOM - deck - 2), CITY);
    for (int x = BRIDGE_START + 4; x < WIDTH; x += 6)
        dot(p, x, deck + 4, LIT_WINDOW);
    for (int x = first_post; x < WIDTH; x += 4 * bay)
        dot(p, x, chord - 1, RED_LIGHT);
}

void draw_city(QPainter& p, FixedRandom& random)
{
    fill(p, QRect(0, BOX_BOTTOM + 1, WIDTH, SKY_BOTTOM - BOX_BOTTOM), SKY);
    draw_stars_and_moon(p, random);
    draw_far_city(p, random);
    for (const Tower& tower : TOWERS)
        draw_tower(p, tower, random);
    draw_bridge(p);
}

// Gravel: each small patch leans to one brown, each grain may differ.
void draw_ground(QPainter& p, FixedRandom& random)
{
    constexpr int patch_w = 7, patch_h = 3;
    std::array<std::array<int, WIDTH / patch_w + 1>, 100 / patch_h + 1> patches{};
    for (auto& row : patches)
        for (int& lean : row)
            lean = random.below(4);
    for (int y = SKY_BOTTOM + 1; y < WIDTH; ++y) {
        const int depth = y - SKY_BOTTOM - 1;
        for (int x = 0; x < WIDTH; ++x) {
            int shade = random.one_in(3) ? random.below(4) : patches[depth / patch_h][x / patch_w];
            if (depth < 2)
                shade = 3 - random.below(2);  // the kerb's shadow
            dot(p, x, y, BROWNS[shade]);
        }
    }
}

}  // namespace

Picture draw_background()
{
    Picture picture{QImage(WIDTH, WIDTH, QImage::Format_RGB32),
                    Palette{SKY, FAR_CITY, CITY, LIT_WINDOW, RED_LIGHT, STAR, MOON}};
    for (const DisplayBox& box : BOXES)
        picture.palette.add(box.border);
    for (QRgb brown : BROWNS)
        picture.palette.add(brown);

    FixedRandom random(350);
    QPainter p(&picture.image);
    draw_display_boxes(p);
    draw_city(p, random);
    draw_ground(p, random);
    p.end();
    return picture;
}
