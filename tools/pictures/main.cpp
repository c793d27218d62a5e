// make_pictures OUT_DIR: draws the game's artwork and writes it into
// OUT_DIR as indexed PNG files (the files committed in assets/).
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <exception>

#include "pictures.h"

namespace {

void save(const QImage& indexed, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    if (!write_png(indexed, path))
        throw std::runtime_error("cannot write " + path.toStdString());
}

void save_picture(const Picture& picture, const QDir& dir, const QString& name)
{
    save(to_indexed(picture.image, picture.palette), dir, name);
}

// The icon in the other sizes a desktop's launchers ask for.
void save_icon_sizes(const QDir& dir)
{
    for (int size : {16, 22, 24, 48, 64, 128, 256})
        save_picture(draw_icon(size), dir, QString("tombora_icon_%1.png").arg(size));
}

void make_all(const QDir& dir)
{
    save_picture(draw_background(), dir, "haikei.png");
    save_picture(draw_title(), dir, "title.png");
    for (int frame = 0; frame < 3; ++frame) {
        const QImage cat = to_indexed(draw_cat(frame).image, draw_cat(frame).palette);
        save(cat, dir, QString("neko%1.png").arg(frame));
        save(mask_of(cat), dir, QString("neko%1m.png").arg(frame));
    }
    save_picture(draw_icon(), dir, "tombora_icon.png");
    save_icon_sizes(dir);
}

}  // namespace

int main(int argc, char** argv)
{
    // Fonts need a GUI application but no screen; and a real screen's
    // settings must not change the pictures.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures OUT_DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "make_pictures: cannot create %s\n", argv[1]);
        return 1;
    }
    try {
        make_all(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_pictures: %s\n", e.what());
        return 1;
    }
    return 0;
}
