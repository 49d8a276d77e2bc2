// velvo-icons OUTDIR: writes the program's icon as the desktop's icon theme wants it,
// OUTDIR/NxN/apps/velvo-studio.png for each size and OUTDIR/scalable/apps/velvo-studio.svg.
// The PNGs are drawn by programIcon() itself; the SVG states the same drawing in SVG terms
// (the 100 x 100 box of drawHead), so the two change together in this one place.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdio>

#include "app/ProgramIcon.h"

namespace {

constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

// Colours as programIcon() passes them to drawHead; the arc is the light hair lightened.
QString svgIcon() {
    const QColor hair(120, 60, 20), light(230, 170, 80);
    // clang-format off
    const char* const svg = R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100" viewBox="0 0 100 100">
  <defs>
    <clipPath id="box"><rect width="100" height="100"/></clipPath>
    <linearGradient id="shade" gradientUnits="userSpaceOnUse" x1="20" y1="8" x2="80" y2="70">
      <stop offset="0" stop-color="%1"/>
      <stop offset="1" stop-color="%2"/>
    </linearGradient>
  </defs>
  <g clip-path="url(#box)">
    <ellipse cx="50" cy="53" rx="20" ry="25" fill="rgb(238,196,160)"/>
    <rect x="42" y="70" width="16" height="16" fill="rgb(238,196,160)"/>
    <rect x="20" y="82" width="60" height="24" rx="10" ry="10" fill="rgb(60,90,160)"/>
    <path fill="url(#shade)" fill-rule="evenodd"
          d="M22 72 C12 30 32 6 54 8 C80 10 92 34 80 78 C76 60 72 44 66 36 C56 44 42 44 34 38 C30 48 28 60 22 72 Z"/>
    <path fill="none" stroke="%3" stroke-width="1.5" d="M67.32 21.5 A20 15 0 0 0 32.68 21.5"/>
  </g>
</svg>
)svg";
    // clang-format on
    return QString::fromUtf8(svg).arg(light.name(), hair.name(), light.lighter(130).name());
}

bool writeText(const QString& file, const QString& text) {
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velvo-icons OUTDIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    for (int size : kSizes) {
        const QString folder = root + QStringLiteral("%1x%1/apps/").arg(size);
        if (!QDir().mkpath(folder) ||
            !velvo::app::programIcon(size).save(folder + QStringLiteral("velvo-studio.png"))) {
            std::fprintf(stderr, "velvo-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    const QString scalable = root + QStringLiteral("scalable/apps/");
    if (!QDir().mkpath(scalable) ||
        !writeText(scalable + QStringLiteral("velvo-studio.svg"), svgIcon())) {
        std::fprintf(stderr, "velvo-icons: cannot write %s\n", qPrintable(scalable));
        return 1;
    }
    return 0;
}
