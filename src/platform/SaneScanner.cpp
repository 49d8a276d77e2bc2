#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <vector>

#include "platform/Scanner.h"

// The parts of the SANE 1 C interface we call, declared here because the library is opened at
// run time and its development headers are not needed to build the program.
namespace {
using SANE_Int = int32_t;
using SANE_Word = int32_t;
using SANE_Bool = int32_t;
using SANE_Status = int;
using SANE_Handle = void*;
using SANE_Fixed = int32_t;

constexpr SANE_Status SANE_STATUS_GOOD = 0;
constexpr SANE_Status SANE_STATUS_EOF = 5;
constexpr int SANE_TYPE_INT = 1, SANE_TYPE_FIXED = 2, SANE_TYPE_STRING = 3;
constexpr int SANE_CONSTRAINT_RANGE = 1, SANE_CONSTRAINT_WORD_LIST = 2;
constexpr int SANE_ACTION_SET_VALUE = 1;
constexpr int SANE_CAP_SOFT_SELECT = 1, SANE_CAP_INACTIVE = 32;
constexpr int SANE_FRAME_GRAY = 0, SANE_FRAME_RGB = 1, SANE_FRAME_RED = 2, SANE_FRAME_GREEN = 3,
              SANE_FRAME_BLUE = 4;

struct SANE_Device {
    const char* name;
    const char* vendor;
    const char* model;
    const char* type;
};
struct SANE_Range {
    SANE_Word min, max, quant;
};
struct SANE_Option_Descriptor {
    const char* name;
    const char* title;
    const char* desc;
    int type;
    int unit;
    SANE_Int size;
    SANE_Int cap;
    int constraint_type;
    union {
        const char* const* string_list;
        const SANE_Word* word_list;
        const SANE_Range* range;
    } constraint;
};
struct SANE_Parameters {
    int format;
    SANE_Bool last_frame;
    SANE_Int bytes_per_line;
    SANE_Int pixels_per_line;
    SANE_Int lines;
    SANE_Int depth;
};

constexpr int kResolution = 150;
// A scan bigger than this is refused rather than exhausting memory on a lying backend.
constexpr int64_t kMaxScanBytes = int64_t(1) << 30;
} // namespace

namespace velvo::platform {

struct SaneScanner::Api {
    void* lib = nullptr;
    SANE_Status (*init)(SANE_Int*, void*) = nullptr;
    void (*exit)() = nullptr;
    SANE_Status (*get_devices)(const SANE_Device***, SANE_Bool) = nullptr;
    SANE_Status (*open)(const char*, SANE_Handle*) = nullptr;
    void (*close)(SANE_Handle) = nullptr;
    const SANE_Option_Descriptor* (*get_option_descriptor)(SANE_Handle, SANE_Int) = nullptr;
    SANE_Status (*control_option)(SANE_Handle, SANE_Int, int, void*, SANE_Int*) = nullptr;
    SANE_Status (*get_parameters)(SANE_Handle, SANE_Parameters*) = nullptr;
    SANE_Status (*start)(SANE_Handle) = nullptr;
    SANE_Status (*read)(SANE_Handle, unsigned char*, SANE_Int, SANE_Int*) = nullptr;
    void (*cancel)(SANE_Handle) = nullptr;
    const char* (*strstatus)(SANE_Status) = nullptr;
};

namespace {
Scanner* g_scanner = nullptr;

template <typename F> bool bind(void* lib, F& fn, const char* name) {
    fn = reinterpret_cast<F>(dlsym(lib, name));
    return fn != nullptr;
}

// Sets the options that give one colour picture at our resolution over the whole area.
// Options a device lacks are passed over: a camera has no scan area, a gray-only scanner no
// colour mode.
void configure(SaneScanner::Api& api, SANE_Handle h) {
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = api.get_option_descriptor(h, i);
        if (!d)
            break;
        if (!d->name || !(d->cap & SANE_CAP_SOFT_SELECT) || (d->cap & SANE_CAP_INACTIVE))
            continue;
        const std::string name = d->name;
        SANE_Int info = 0;
        if (name == "mode" && d->type == SANE_TYPE_STRING && d->size > 0) {
            std::vector<char> value(size_t(d->size), '\0');
            std::strncpy(value.data(), "Color", value.size() - 1);
            api.control_option(h, i, SANE_ACTION_SET_VALUE, value.data(), &info);
        } else if (name == "resolution" && (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED)) {
            SANE_Word v = d->type == SANE_TYPE_FIXED ? SANE_Fixed(kResolution << 16) : kResolution;
            api.control_option(h, i, SANE_ACTION_SET_VALUE, &v, &info);
        } else if ((name == "br-x" || name == "br-y") && d->constraint_type == SANE_CONSTRAINT_RANGE &&
                   d->constraint.range) {
            SANE_Word v = d->constraint.range->max;
            api.control_option(h, i, SANE_ACTION_SET_VALUE, &v, &info);
        } else if ((name == "tl-x" || name == "tl-y") && d->constraint_type == SANE_CONSTRAINT_RANGE &&
                   d->constraint.range) {
            SANE_Word v = d->constraint.range->min;
            api.control_option(h, i, SANE_ACTION_SET_VALUE, &v, &info);
        } else if (name == "depth" && d->type == SANE_TYPE_INT &&
                   d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
            const SANE_Word* list = d->constraint.word_list; // list[0] is the count
            for (SANE_Word k = 1; k <= list[0]; ++k)
                if (list[k] == 8) {
                    SANE_Word v = 8;
                    api.control_option(h, i, SANE_ACTION_SET_VALUE, &v, &info);
                }
        }
    }
}

uint8_t sample(const uint8_t* row, int index, int depth) {
    if (depth == 16) {
        uint16_t v;
        std::memcpy(&v, row + 2 * index, 2); // native byte order, as SANE delivers it
        return uint8_t((uint32_t(v) * 255 + 32767) / 65535);
    }
    if (depth == 1) // 1 is black
        return (row[index / 8] >> (7 - index % 8)) & 1 ? 0 : 255;
    return row[index];
}
} // namespace

Scanner& Scanner::instance() {
    // Never destroyed: a static's destructor would run sane_exit after the backends' own C++
    // statics (made later, when the library was opened) are gone, and the program would crash
    // on its way out. The process's end closes the devices anyway.
    static SaneScanner* sane = new SaneScanner;
    return g_scanner ? *g_scanner : *sane;
}

void Scanner::setInstance(Scanner* scanner) {
    g_scanner = scanner;
}

SaneScanner::SaneScanner() = default;

SaneScanner::~SaneScanner() {
    if (api_) {
        api_->exit();
        // The library stays loaded: backends may have registered atexit handlers.
        delete api_;
    }
}

bool SaneScanner::available() {
    if (api_)
        return true;
    if (loadTried_)
        return false;
    loadTried_ = true;
    void* lib = dlopen("libsane.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        error_ = QStringLiteral("SANE is not installed (libsane.so.1 not found)");
        return false;
    }
    auto* api = new Api;
    api->lib = lib;
    const bool ok = bind(lib, api->init, "sane_init") && bind(lib, api->exit, "sane_exit") &&
                    bind(lib, api->get_devices, "sane_get_devices") &&
                    bind(lib, api->open, "sane_open") && bind(lib, api->close, "sane_close") &&
                    bind(lib, api->get_option_descriptor, "sane_get_option_descriptor") &&
                    bind(lib, api->control_option, "sane_control_option") &&
                    bind(lib, api->get_parameters, "sane_get_parameters") &&
                    bind(lib, api->start, "sane_start") && bind(lib, api->read, "sane_read") &&
                    bind(lib, api->cancel, "sane_cancel") && bind(lib, api->strstatus, "sane_strstatus");
    SANE_Int version = 0;
    if (!ok || api->init(&version, nullptr) != SANE_STATUS_GOOD) {
        error_ = QStringLiteral("SANE could not be started");
        delete api;
        return false;
    }
    api_ = api;
    return true;
}

QList<Scanner::Device> SaneScanner::devices() {
    QList<Device> list;
    if (!available())
        return list;
    const SANE_Device** devs = nullptr;
    if (api_->get_devices(&devs, 0) != SANE_STATUS_GOOD || !devs)
        return list;
    for (int i = 0; devs[i]; ++i) {
        const SANE_Device* d = devs[i];
        QString description = QStringLiteral("%1 %2 (%3)")
                                  .arg(QString::fromUtf8(d->vendor ? d->vendor : ""),
                                       QString::fromUtf8(d->model ? d->model : ""),
                                       QString::fromUtf8(d->type ? d->type : ""))
                                  .simplified();
        list.append({QString::fromUtf8(d->name ? d->name : ""), description});
    }
    return list;
}

std::optional<QImage> SaneScanner::acquire(const QString& device, const Progress& progress) {
    error_.clear();
    if (!available())
        return std::nullopt;
    SANE_Handle h = nullptr;
    const QByteArray name = device.toUtf8();
    SANE_Status st = api_->open(name.constData(), &h);
    if (st != SANE_STATUS_GOOD) {
        error_ = QStringLiteral("cannot open %1: %2").arg(device, QString::fromUtf8(api_->strstatus(st)));
        return std::nullopt;
    }
    configure(*api_, h);

    QImage image;
    bool failed = false;
    // Three-pass devices send red, green and blue as separate frames.
    for (bool last = false; !last && !failed;) {
        st = api_->start(h);
        SANE_Parameters p{};
        if (st != SANE_STATUS_GOOD || api_->get_parameters(h, &p) != SANE_STATUS_GOOD) {
            error_ = QStringLiteral("the scan did not start: %1").arg(QString::fromUtf8(api_->strstatus(st)));
            failed = true;
            break;
        }
        last = p.last_frame;
        const int channels = p.format == SANE_FRAME_RGB ? 3 : 1;
        const bool depthOk = p.depth == 8 || p.depth == 16 || (p.depth == 1 && channels == 1);
        const int64_t minLine = (int64_t(p.pixels_per_line) * channels * p.depth + 7) / 8;
        if (p.pixels_per_line <= 0 || p.pixels_per_line > 30000 || !depthOk ||
            p.bytes_per_line < minLine || p.format > SANE_FRAME_BLUE) {
            error_ = QStringLiteral("the device sent a picture format the program cannot take");
            failed = true;
            break;
        }
        // Read every line the device sends; lines < 0 means the length is unknown (hand scanners).
        std::vector<uint8_t> data;
        const int64_t expected = p.lines > 0 ? int64_t(p.lines) * p.bytes_per_line : -1;
        if (expected > kMaxScanBytes) {
            error_ = QStringLiteral("the scan is too large");
            failed = true;
            break;
        }
        if (expected > 0)
            data.reserve(size_t(expected));
        std::vector<uint8_t> buf(65536);
        for (;;) {
            SANE_Int got = 0;
            st = api_->read(h, buf.data(), SANE_Int(buf.size()), &got);
            if (st == SANE_STATUS_EOF)
                break;
            if (st != SANE_STATUS_GOOD) {
                error_ = QStringLiteral("the scan failed: %1").arg(QString::fromUtf8(api_->strstatus(st)));
                failed = true;
                break;
            }
            if (got < 0 || size_t(got) > buf.size() || int64_t(data.size()) + got > kMaxScanBytes) {
                error_ = QStringLiteral("the device sent more data than it announced");
                failed = true;
                break;
            }
            data.insert(data.end(), buf.begin(), buf.begin() + got);
            const double done = expected > 0 ? std::min(1.0, double(data.size()) / double(expected)) : 0.0;
            if (progress && !progress(done)) {
                error_ = QStringLiteral("the scan was cancelled");
                failed = true;
                break;
            }
        }
        if (failed)
            break;
        const int lines = int(data.size() / size_t(p.bytes_per_line));
        if (lines <= 0) {
            error_ = QStringLiteral("no picture arrived");
            failed = true;
            break;
        }
        if (image.isNull()) {
            image = QImage(p.pixels_per_line, lines, QImage::Format_RGB888);
            image.fill(Qt::white);
        }
        const int rows = std::min(lines, image.height());
        const int cols = std::min(p.pixels_per_line, image.width());
        for (int y = 0; y < rows; ++y) {
            const uint8_t* src = data.data() + size_t(y) * size_t(p.bytes_per_line);
            uint8_t* dst = image.scanLine(y);
            for (int x = 0; x < cols; ++x) {
                switch (p.format) {
                case SANE_FRAME_RGB:
                    for (int c = 0; c < 3; ++c)
                        dst[3 * x + c] = sample(src, 3 * x + c, p.depth);
                    break;
                case SANE_FRAME_GRAY: dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = sample(src, x, p.depth); break;
                default: dst[3 * x + (p.format - SANE_FRAME_RED)] = sample(src, x, p.depth); break;
                }
            }
        }
    }
    api_->cancel(h);
    api_->close(h);
    if (failed)
        return std::nullopt;
    return image;
}

} // namespace velvo::platform
