#pragma once
// The metafile targets draw with QPainter: they need the QPainter canvas installed and, for
// text, a QGuiApplication on the offscreen platform.
#include <QGuiApplication>
#include <cstdlib>

#include "FuzzDecoder.h"
#include "imaging/codecs/MetafileReader.h"
#include "imaging/metafile/MetafileRenderer.h"

// Fontconfig keeps its caches until the process ends, which LeakSanitizer would report at exit.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace velvo::fuzz {

inline void startMetafileDrawing() {
    static const bool started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char arg0[] = "fuzz";
        static char* argv[] = {arg0, nullptr};
        new QGuiApplication(argc, argv);
        imaging::installMetafileRenderer();
        return true;
    }();
    (void)started;
}

} // namespace velvo::fuzz
