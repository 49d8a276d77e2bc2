// The library browser's two kinds of thumbnail view over realistic folders:
//  - the "Fotos" tab: a folder view over 100 photos of 4000 x 3000, timed from setting the
//    folder to all cells loaded, laid out and the first screen painted: photos as phones write
//    them, with a 160 x 120 EXIF thumbnail (goal 0.5 s), photos without one read reduced (goal
//    2.5 s), and every photo decoded in full (the reference the reduced reading must beat 4x);
//    the first two also with the files dropped from the page cache before each run;
//  - the memory the filled view holds beyond an empty one;
//  - one photo read and decoded reduced, also with libjpeg's own 1/8 reduction beside ours;
//  - a hairstyle category of 200 GIFs of about 250 x 300: the browser's fill and the first
//    screen painted.
// The fixtures are built once, before the first measurement, in a temporary folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <unistd.h>

#include "CameraJpeg.h"
#include "imaging/TPictureGrid.h"
#include "imaging/ThumbnailSource.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "imaging/codecs/JpegDecoding.h"
#include "imaging/codecs/JpegThumbnail.h"
#include "library/TThumbNail.h"
#include "library/TThumbview.h"

using namespace velvo::imaging;
using velvo::library::TThumbview;

namespace {

constexpr int kPhotos = 100;
constexpr int kHairstyles = 200;

uint32_t nextRandom(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 16;
}

// Gradients, sensor-like noise and a few hard-edged shapes, different for every seed.
Raster photo(int w, int h, uint32_t seed) {
    Raster r = Raster::create(w, h, "");
    struct Shape {
        int x0, y0, x1, y1;
        Bgr c;
        bool ellipse;
    };
    std::vector<Shape> shapes;
    for (int i = 0; i < 6; ++i) {
        const int x0 = int(nextRandom(seed) % uint32_t(w)),
                  y0 = int(nextRandom(seed) % uint32_t(h));
        shapes.push_back(
            {x0,
             y0,
             x0 + w / 8 + int(nextRandom(seed) % uint32_t(w / 4)),
             y0 + h / 8 + int(nextRandom(seed) % uint32_t(h / 4)),
             {uint8_t(nextRandom(seed)), uint8_t(nextRandom(seed)), uint8_t(nextRandom(seed))},
             i % 2 == 0});
    }
    const int tilt = int(nextRandom(seed) % 100);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = r.row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            Bgr c{uint8_t(60 + 120 * x / w), uint8_t(40 + 150 * y / h),
                  uint8_t(80 + tilt + 60 * (x + y) / (w + h))};
            for (const Shape& s : shapes) {
                if (x < s.x0 || x >= s.x1 || y < s.y0 || y >= s.y1)
                    continue;
                const double dx = (x - (s.x0 + s.x1) / 2.0) / ((s.x1 - s.x0) / 2.0);
                const double dy = (y - (s.y0 + s.y1) / 2.0) / ((s.y1 - s.y0) / 2.0);
                if (!s.ellipse || dx * dx + dy * dy <= 1)
                    c = s.c;
            }
            const int noise = int(nextRandom(seed) & 7) - 4;
            p[0] = uint8_t(std::clamp(c.b + noise, 0, 255));
            p[1] = uint8_t(std::clamp(c.g + noise, 0, 255));
            p[2] = uint8_t(std::clamp(c.r + noise, 0, 255));
        }
    }
    return r;
}

// A cut-out on white: a head-sized blob of streaked hair colour.
Raster hairstyle(int index) {
    const int w = 240 + index % 20, h = 290 + index % 25;
    Raster r = Raster::create(w, h, "");
    uint32_t seed = uint32_t(index) * 7919u + 1;
    const Bgr base{uint8_t(20 + index % 60), uint8_t(40 + index % 80), uint8_t(60 + index % 120)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = (x - w / 2.0) / (w * 0.45), dy = (y - h * 0.45) / (h * 0.45);
            if (dx * dx + dy * dy > 1 || (dy > 0.1 && std::abs(dx) < 0.55))
                continue;
            const int streak = int(16 * std::sin(x * 0.3 + y * 0.05)) + int(nextRandom(seed) % 9);
            r.set(x, y,
                  {uint8_t(std::clamp(base.b + streak, 0, 255)),
                   uint8_t(std::clamp(base.g + streak, 0, 255)),
                   uint8_t(std::clamp(base.r + streak, 0, 255))});
        }
    return r;
}

// The picture averaged over w x h boxes: the camera's own small copy of its photo.
Raster boxReduced(const Raster& r, int w, int h) {
    Raster out = Raster::create(w, h, "");
    const int bw = r.width / w, bh = r.height / h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum[3] = {0, 0, 0};
            for (int sy = y * bh; sy < (y + 1) * bh; ++sy) {
                const uint8_t* p = r.row(sy) + size_t(x * bw) * 3;
                for (int sx = 0; sx < bw; ++sx, p += 3)
                    sum[0] += p[0], sum[1] += p[1], sum[2] += p[2];
            }
            const int n = bw * bh;
            out.set(x, y, {uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n)});
        }
    return out;
}

// `jpeg` with an APP1 segment after its start-of-image marker, laid out as phones write it:
// "Exif\0\0", a little-endian TIFF header, IFD0 (orientation 1) linked to IFD1, which names
// the JPEG-compressed thumbnail stored after it.
std::vector<uint8_t> withExifThumbnail(const std::vector<uint8_t>& jpeg,
                                       const std::vector<uint8_t>& thumbnail) {
    std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto u16 = [&](uint16_t v) { tiff.insert(tiff.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    auto u32 = [&](uint32_t v) { u16(uint16_t(v)), u16(uint16_t(v >> 16)); };
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        u16(tag), u16(type), u32(1), type == 3 ? (u16(uint16_t(value)), u16(0)) : u32(value);
    };
    u16(1);
    entry(0x0112, 3, 1);
    const uint32_t ifd1 = uint32_t(tiff.size()) + 4;
    u32(ifd1);
    u16(3);
    const uint32_t data = ifd1 + 2 + 3 * 12 + 4;
    entry(0x0103, 3, 6); // JPEG compression
    entry(0x0201, 4, data);
    entry(0x0202, 4, uint32_t(thumbnail.size()));
    u32(0);
    tiff.insert(tiff.end(), thumbnail.begin(), thumbnail.end());

    const size_t length = 2 + 6 + tiff.size();
    std::vector<uint8_t> out = {0xFF, 0xD8, 0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)};
    out.insert(out.end(), {'E', 'x', 'i', 'f', 0, 0});
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

struct Fixtures {
    QTemporaryDir root;
    QString photos, phonePhotos, hairstyles, empty;
    Fixtures() {
        QDir d(root.path());
        d.mkdir("fotos"), d.mkdir("phone"), d.mkdir("hair"), d.mkdir("empty");
        photos = d.filePath("fotos"), phonePhotos = d.filePath("phone");
        hairstyles = d.filePath("hair"), empty = d.filePath("empty");
        std::fprintf(stderr,
                     "building %d photos of 4000x3000 (with and without EXIF thumbnail) and %d "
                     "hairstyles...\n",
                     kPhotos, kHairstyles);
        for (int i = 0; i < kPhotos; ++i) {
            const Raster picture = photo(4000, 3000, uint32_t(i) * 2654435761u + 17);
            const std::vector<uint8_t> jpeg = velvo::bench::cameraJpeg(picture, 92);
            const QString name = QString("IMG_%1.JPG").arg(i + 1, 4, 10, QChar('0'));
            writeFileAtomic((photos + "/" + name).toStdString(), jpeg);
            writeFileAtomic((phonePhotos + "/" + name).toStdString(),
                            withExifThumbnail(jpeg, encodeJpeg(boxReduced(picture, 160, 120))));
        }
        for (int i = 0; i < kHairstyles; ++i)
            writeFileAtomic(QString("%1/%2.GIF").arg(hairstyles).arg(i + 1).toStdString(),
                            encodeGif(hairstyle(i)));
    }
};

Fixtures& fixtures() {
    static Fixtures f;
    return f;
}

double residentMB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The browser's "Fotos" view, shown, with its first paint (which starts the scan) processed.
std::unique_ptr<TThumbview> fotosTab(const QString& folder) {
    auto view = std::make_unique<TThumbview>();
    view->SetMaxWidth(200);
    view->SetMaxHeight(200);
    view->SetSize(50);
    view->SetScrollMode(TThumbview::SMVertical);
    view->SetSorted(true);
    view->SetAlignView(TThumbview::VTNormal);
    view->SetAutoScrolling(true);
    view->SetThumbGap(4);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->resize(682, 421);
    view->show();
    view->SetDirectory(folder);
    view->viewport()->grab();
    QApplication::processEvents();
    return view;
}

bool ready(const TThumbview& view, int expected) {
    if (view.Count() != expected)
        return false;
    for (int i = 0; i < view.Count(); ++i)
        if (!view.Cell(i)->ImageReady() || view.Cell(i)->Image()->width() == 0)
            return false;
    return true;
}

// Drops the folder's files from the page cache, as after a restart or on a folder just copied
// from a phone: the tab then pays for every byte it reads.
void dropFromCache(const QString& folder) {
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
        const int fd = open(file.filePath().toLocal8Bit().constData(), O_RDONLY);
        if (fd < 0)
            continue;
        fdatasync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
}

void runFotosTab(benchmark::State& state, const QString& folder, bool reduced, bool cold = false) {
    setReducedJpegReading(reduced);
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            dropFromCache(folder);
            state.ResumeTiming();
        }
        std::unique_ptr<TThumbview> view = fotosTab(folder);
        // The screen the user then sees, with the pictures.
        view->viewport()->grab();
        state.PauseTiming();
        if (!ready(*view, kPhotos))
            state.SkipWithError("the view did not load every photo");
        view.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    setReducedJpegReading(true);
    state.counters["photos"] = kPhotos;
}

void BM_FotosTabReadyExifThumbnails(benchmark::State& state) {
    runFotosTab(state, fixtures().phonePhotos, true);
}

void BM_FotosTabReadyExifThumbnailsColdCache(benchmark::State& state) {
    runFotosTab(state, fixtures().phonePhotos, true, true);
}

void BM_FotosTabReadyColdCache(benchmark::State& state) {
    runFotosTab(state, fixtures().photos, true, true);
}

void BM_FotosTabReady(benchmark::State& state) {
    runFotosTab(state, fixtures().photos, true);
}

void BM_FotosTabReadyFullDecode(benchmark::State& state) {
    runFotosTab(state, fixtures().photos, false);
}

// Heap given back before each reading, so the figures are what the views hold, not what
// earlier measurements left in the allocator.
void BM_FotosTabMemory(benchmark::State& state) {
    const Fixtures& f = fixtures();
    for (auto _ : state) {
        auto empty = fotosTab(f.empty);
        malloc_trim(0);
        const double before = residentMB();
        auto filled = fotosTab(f.photos);
        filled->viewport()->grab();
        malloc_trim(0);
        const double after = residentMB();
        if (!ready(*filled, kPhotos))
            state.SkipWithError("the view did not load every photo");
        state.counters["extra_MB"] = after - before;
        state.counters["empty_view_RSS_MB"] = before;
    }
}

void BM_ReadOnePhoto(benchmark::State& state) {
    const QString file = fixtures().photos + "/IMG_0001.JPG";
    setReducedJpegReading(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(readPictureForThumbnail(file, {200, 200}));
    setReducedJpegReading(true);
    state.SetLabel(state.range(0) ? "reduced" : "full decode");
}

// The decoder alone, the file already in memory: what the file reading adds is the rest.
void BM_DecodeOnePhotoInMemory(benchmark::State& state) {
    const std::vector<uint8_t> bytes =
        readFile((fixtures().photos + "/IMG_0001.JPG").toStdString());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeJpegAtLeast(bytes, "IMG_0001.JPG", 200, 200));
    state.counters["file_MB"] = double(bytes.size()) / (1024.0 * 1024.0);
}

// The same photo through libjpeg's own 1/8 reduction, the reader the DC reader replaced for
// photos shown small.
void BM_DecodeOnePhotoInMemoryLibjpeg(benchmark::State& state) {
    const std::vector<uint8_t> bytes =
        readFile((fixtures().photos + "/IMG_0001.JPG").toStdString());
    for (auto _ : state) {
        jpeg::Decoder d;
        if (!jpeg::readHeader(d, bytes.data(), bytes.size(), false)) {
            state.SkipWithError(d.err.message);
            break;
        }
        d.cinfo.out_color_space = JCS_EXT_BGR;
        d.cinfo.scale_num = 1;
        d.cinfo.scale_denom = 8;
        jpeg_calc_output_dimensions(&d.cinfo);
        Raster r = Raster::create(int(d.cinfo.output_width), int(d.cinfo.output_height), "");
        if (!jpeg::readPixels(d, r.pixels.data(), r.stride(), nullptr, false))
            state.SkipWithError(d.err.message);
        benchmark::DoNotOptimize(r.pixels.data());
    }
}

// A phone photo as the "Fotos" tab reads it (kept at 200 x 200, shown in 100 x 100 cells): its
// EXIF thumbnail, which is what makes the tab fast.
void BM_DecodeOnePhonePhotoInMemory(benchmark::State& state) {
    const std::vector<uint8_t> bytes =
        readFile((fixtures().phonePhotos + "/IMG_0001.JPG").toStdString());
    JpegThumbnailInfo info;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            decodeJpegAtLeast(bytes, "IMG_0001.JPG", 200, 200, 100, 100, &info));
    if (!info.fromExifThumbnail)
        state.SkipWithError("the EXIF thumbnail was not used");
}

// The browser's fill of a category tab, then its first screen painted.
void BM_HairstyleCategoryFirstScreen(benchmark::State& state) {
    const QString folder = fixtures().hairstyles;
    for (auto _ : state) {
        auto grid = std::make_unique<TPictureGrid>();
        grid->SetThumbSize(100, 100);
        grid->SetBorders(4, 4);
        grid->SetGridWidth(-1);
        grid->SetScrollBars(TPictureGrid::ssVertical);
        grid->SetSelectionWidth(3);
        grid->SetSelectionColor(Qt::red);
        grid->resize(682, 421);
        grid->show();
        const QStringList names = QDir(folder).entryList({"*.GIF"}, QDir::Files);
        for (const QString& name : names) {
            const QString path = folder + "/" + name;
            if (detectFileFormat(path.toStdString(), true) != ImageFormat::Gif)
                continue;
            const int index = grid->AppendImage();
            grid->SetImageFileName(index, path);
            grid->SetImageBackground(index, QColor(255, 255, 255));
        }
        benchmark::DoNotOptimize(grid->viewport()->grab());
        state.PauseTiming();
        if (grid->ImageCount() != kHairstyles || !grid->ThumbnailLoaded(0))
            state.SkipWithError("the grid was not filled");
        grid.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

} // namespace

// Memory first, before the other measurements have grown the process.
BENCHMARK(BM_FotosTabMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FotosTabReadyExifThumbnails)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FotosTabReady)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FotosTabReadyFullDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FotosTabReadyExifThumbnailsColdCache)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FotosTabReadyColdCache)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadOnePhoto)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOnePhotoInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOnePhotoInMemoryLibjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOnePhonePhotoInMemory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HairstyleCategoryFirstScreen)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
