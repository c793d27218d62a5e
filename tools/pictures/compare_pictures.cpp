// compare_pictures MADE KEPT: says what differs between two picture files
// (tools/compare_with_assets.cmake runs it on a file that is not the same).
#include <QImage>

#include <cstdio>

#include "picture_difference.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: compare_pictures MADE KEPT\n");
        return 2;
    }
    const QImage made(QString::fromLocal8Bit(argv[1])), kept(QString::fromLocal8Bit(argv[2]));
    if (made.isNull() || kept.isNull()) {
        std::printf("%s\n", made.isNull() ? "the made file is not a picture"
                                          : "the kept file is not a picture");
        return 0;
    }
    std::printf("%s\n", qPrintable(picture_difference(made, kept)));
    return 0;
}
