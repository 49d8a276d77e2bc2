#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;
namespace fs = std::filesystem;

namespace {

class ImageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("velvo_imagefile_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path at(const std::string& name) const { return dir_ / name; }
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(at(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static std::vector<uint8_t> read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

// Eight colours, so that even a palette format keeps it exactly.
Raster smallPicture(int w = 13, int h = 7) {
    Raster r = Raster::create(w, h, "small");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            r.set(x, y, {uint8_t(x % 2 * 255), uint8_t(y % 2 * 200), uint8_t((x + y) % 2 * 100)});
    return r;
}

} // namespace

TEST_F(ImageFileTest, ReaderIsChosenByExtensionInAnyCase) {
    const Raster pic = smallPicture();
    for (const char* name : {"a.png", "b.PNG", "c.Png"}) {
        write(name, encodePng(pic));
        auto r = loadImageFile(at(name));
        ASSERT_TRUE(r) << name;
        EXPECT_EQ(r->pixels, pic.pixels) << name;
    }
    for (const char* name : {"a.jpg", "b.JPG", "c.Jpeg", "d.jpeg"}) {
        write(name, encodeJpeg(pic));
        auto r = loadImageFile(at(name));
        ASSERT_TRUE(r) << name;
        EXPECT_EQ(r->width, 13) << name;
    }
    // The extension decides, not the content: PNG bytes under ".jpg" go to the JPEG reader.
    write("png.jpg", encodePng(pic));
    EXPECT_THROW(loadImageFile(at("png.jpg")), velvo::Error);
    EXPECT_EQ(formatFromExtension("X.TIFF"), ImageFormat::Tiff);
    EXPECT_EQ(formatFromExtension("noextension"), ImageFormat::None);
}

TEST_F(ImageFileTest, UnknownExtensionIsNotEvenOpened) {
    EXPECT_EQ(loadImageFile(at("missing.xyz")), std::nullopt);
    EXPECT_EQ(loadImageFile(at("missing")), std::nullopt);
    write("notes.txt", {'h', 'i'});
    EXPECT_EQ(loadImageFile(at("notes.txt")), std::nullopt);
}

TEST_F(ImageFileTest, MissingOrBrokenFileIsAnErrorNamingIt) {
    const std::string missing = at("missing.png").string();
    try {
        loadImageFile(missing);
        FAIL() << "no error for a missing file";
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), missing);
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
        EXPECT_NE(e.fault().find("cannot open"), std::string::npos) << e.what();
    }
    write("garbage.png", std::vector<uint8_t>(100, 0x42));
    try {
        loadImageFile(at("garbage.png"));
        FAIL() << "garbage accepted";
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), at("garbage.png").string());
    }
    write("nobm.bmp", {'X', 'Y', 0, 0, 0, 0});
    EXPECT_THROW(loadImageFile(at("nobm.bmp")), velvo::Error);
}

// The hairstyle reader (loadGif) still stops quietly at a file without "GIF"; opening a file by
// its name says what is wrong with it.
TEST_F(ImageFileTest, AFileOfAnotherFormatOrADamagedGifSaysWhatIsWrong) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* fault;
    };
    const Case cases[] = {
        {"png.gif", encodePng(smallPicture()), "holds a PNG picture, not GIF"},
        {"bitmap.jpg", encodeBmp(smallPicture()), "holds a BMP picture, not JPEG"},
        {"tiff.png", encodeTiff(smallPicture()), "holds a TIFF picture, not PNG"},
        {"damaged.gif", {'G', 'X', 'F', '8', '9', 'a', 13, 0, 7, 0, 0, 0, 0}, "not a valid GIF"},
        {"short.gif", {'G', 'I'}, "not a valid GIF"},
        {"zeros.gif", std::vector<uint8_t>(40, 0), "not a valid GIF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.name, c.bytes);
        try {
            loadImageFile(at(c.name));
            ADD_FAILURE() << "read without a word";
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), at(c.name).string());
            EXPECT_NE(e.fault().find(c.fault), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(loadGif(at("png.gif")), std::nullopt);
    EXPECT_EQ(loadGif(at("short.gif")), std::nullopt);
    EXPECT_THROW(loadGif(at("missing.gif")), velvo::Error);
}

// A file cut short that a reader still shows is marked, so that the user can be told; a
// whole one, or one missing only its closing marker, is not.
TEST_F(ImageFileTest, PicturesReadFromCutFilesAreMarkedIncomplete) {
    Raster photo = Raster::create(64, 48, "photo");
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            photo.set(x, y, {uint8_t(x * 4), uint8_t(y * 5), uint8_t((x * y) % 251)});
    const std::vector<uint8_t> jpeg = encodeJpeg(photo), gif = encodeGif(photo);
    auto first = [](const std::vector<uint8_t>& file, size_t n) {
        return std::vector<uint8_t>(file.begin(), file.begin() + ptrdiff_t(n));
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool incomplete;
    };
    const Case cases[] = {
        {"whole.jpg", jpeg, false},
        {"no-end-marker.jpg", first(jpeg, jpeg.size() - 2), false},
        {"cut.jpg", first(jpeg, jpeg.size() * 3 / 10), true},
        {"cut-late.jpg", first(jpeg, jpeg.size() - 40), true},
        {"whole.gif", gif, false},
        {"cut.gif", first(gif, gif.size() * 6 / 10), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.name, c.bytes);
        const std::optional<Raster> r = loadImageFile(at(c.name));
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->width, 64);
        EXPECT_EQ(r->incomplete, c.incomplete);
    }
}

TEST_F(ImageFileTest, MetafilesGiveAClearError) {
    const std::vector<uint8_t> wmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const char* name : {"a.wmf", "b.EMF"}) {
        write(name, wmf);
        try {
            loadImageFile(at(name));
            FAIL() << name << " read";
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), at(name).string());
            EXPECT_NE(e.fault().find("metafile"), std::string::npos) << e.what();
        }
    }
}

TEST_F(ImageFileTest, SavesByExtensionAndReadsBack) {
    const Raster pic = smallPicture();
    ASSERT_TRUE(saveImageFile(at("out.PNG"), pic));
    EXPECT_EQ(loadImageFile(at("out.PNG"))->pixels, pic.pixels);
    EXPECT_EQ(detectFileFormat(at("out.PNG"), true), ImageFormat::Png);
    ASSERT_TRUE(saveImageFile(at("out.Jpeg"), pic));
    EXPECT_EQ(detectFileFormat(at("out.Jpeg"), true), ImageFormat::Jpeg);

    // Over an existing file: replaced, with ordinary permissions rather than a temp file's.
    write("old.png", {1, 2, 3});
    ASSERT_TRUE(saveImageFile(at("old.png"), pic));
    EXPECT_EQ(loadImageFile(at("old.png"))->pixels, pic.pixels);
    struct stat st {};
    ASSERT_EQ(::stat(at("old.png").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(entries(), (std::vector<std::string>{"old.png", "out.Jpeg", "out.PNG"}));
}

TEST_F(ImageFileTest, UnknownSaveExtensionWritesNothing) {
    for (const char* name : {"a.xyz", "b", "c.ico", "d.cur", "e.wmf", "f.emf"})
        EXPECT_FALSE(saveImageFile(at(name), smallPicture())) << name;
    EXPECT_TRUE(entries().empty());
}

TEST_F(ImageFileTest, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    const std::vector<uint8_t> old = {9, 8, 7, 6, 5};
    write("keep.jpg", old);
    write("keep.png", old);
    // An encoder that refuses (JPEG holds at most 65500 pixels a side), and no picture at all.
    Raster wide;
    wide.width = 70000;
    wide.height = 1;
    wide.pixels.assign(size_t(wide.width) * 3, 128);
    EXPECT_THROW(saveImageFile(at("keep.jpg"), wide), velvo::Error);
    EXPECT_THROW(saveImageFile(at("keep.png"), Raster{}), velvo::Error);
    EXPECT_EQ(read(at("keep.jpg")), old);
    EXPECT_EQ(read(at("keep.png")), old);

    // A directory in the way of the target, and a folder that does not exist.
    fs::create_directories(at("folder.png") / "inside");
    EXPECT_THROW(saveImageFile(at("folder.png"), smallPicture()), velvo::Error);
    EXPECT_TRUE(fs::is_directory(at("folder.png") / "inside"));
    try {
        saveImageFile(at("nowhere") / "x.png", smallPicture());
        FAIL() << "saved into a missing folder";
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), (at("nowhere") / "x.png").string());
    }
    if (::geteuid() != 0) {
        fs::create_directories(at("locked"));
        std::ofstream(at("locked") / "x.png") << "old";
        fs::permissions(at("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(saveImageFile(at("locked") / "x.png", smallPicture()), velvo::Error);
        fs::permissions(at("locked"), fs::perms::owner_all);
        EXPECT_EQ(read(at("locked") / "x.png"), (std::vector<uint8_t>{'o', 'l', 'd'}));
        fs::remove_all(at("locked"));
    }
    EXPECT_EQ(entries(), (std::vector<std::string>{"folder.png", "keep.jpg", "keep.png"}));
}

TEST_F(ImageFileTest, DetectsFormatWithAndWithoutExtensionCheck) {
    write("png.gif", encodePng(smallPicture()));
    EXPECT_EQ(detectFileFormat(at("png.gif"), false), ImageFormat::Png);
    EXPECT_EQ(detectFileFormat(at("png.gif"), true), ImageFormat::None);
    write("photo.JPG", encodeJpeg(smallPicture()));
    EXPECT_EQ(detectFileFormat(at("photo.JPG"), true), ImageFormat::Jpeg);
    EXPECT_EQ(detectFileFormat(at("missing.png"), false), ImageFormat::None);
    write("empty.png", {});
    EXPECT_EQ(detectFileFormat(at("empty.png"), false), ImageFormat::None);

    using B = std::vector<uint8_t>;
    EXPECT_EQ(detectFormat(B{'G', 'I', 'F', '8', '9', 'a'}), ImageFormat::Gif);
    EXPECT_EQ(detectFormat(B{'I', 'I', 42, 0}), ImageFormat::Tiff);
    EXPECT_EQ(detectFormat(B{'M', 'M', 0, 42}), ImageFormat::Tiff);
    EXPECT_EQ(detectFormat(B{'B', 'M', 0, 0}), ImageFormat::Bmp);
    EXPECT_EQ(detectFormat(B{0, 0, 1, 0, 1, 0}), ImageFormat::Ico);
    EXPECT_EQ(detectFormat(B{0, 0, 2, 0, 1, 0}), ImageFormat::Cur);
    EXPECT_EQ(detectFormat(B{0x0A, 5, 1, 8}), ImageFormat::Pcx);
    EXPECT_EQ(detectFormat(B{0x89, 'P', 'N', 'G'}), ImageFormat::None) << "cut signature";
    EXPECT_EQ(detectFormat(B{}), ImageFormat::None);
}

TEST_F(ImageFileTest, EveryWriterRoundTripsThroughTheFileLayer) {
    // Lossless writers give back every pixel; detection agrees with the extension.
    const Raster pic = smallPicture(17, 9);
    for (const char* name : {"a.bmp", "b.gif", "c.tif", "d.TIFF", "e.pcx", "f.png"}) {
        ASSERT_TRUE(saveImageFile(at(name), pic)) << name;
        auto back = loadImageFile(at(name));
        ASSERT_TRUE(back) << name;
        EXPECT_EQ(back->width, 17) << name;
        EXPECT_EQ(back->height, 9) << name;
        EXPECT_EQ(back->pixels, pic.pixels) << name;
        EXPECT_EQ(detectFileFormat(at(name), true), formatFromExtension(name)) << name;
    }
    saveBmp(at("g.bmp"), pic);
    EXPECT_EQ(loadImageFile(at("g.bmp"))->pixels, pic.pixels);
    EXPECT_EQ(entries().size(), 7u) << "a temporary file was left behind";
}

TEST_F(ImageFileTest, AdditionalFormatsComeFromTheTable) {
    registerFormat(
        ".vlv",
        [](std::span<const uint8_t> data, const std::string& name) {
            return decodePng(data, name);
        },
        [](const Raster& r) { return encodePng(r); });
    ASSERT_TRUE(saveImageFile(at("x.vlv"), smallPicture()));
    EXPECT_EQ(detectFileFormat(at("x.vlv"), false), ImageFormat::Png);
    EXPECT_EQ(loadImageFile(at("x.vlv"))->pixels, smallPicture().pixels);
}

TEST_F(ImageFileTest, BitmapFilesAreWrittenRowByRowAsTheEncoderWouldJoinThem) {
    // Widths 1..5 give every row pad; a black-and-white bilevel picture stays 1 bit.
    for (int w = 1; w <= 5; ++w) {
        Raster pic = smallPicture(w, 3);
        saveImageFile(at("p.bmp"), pic);
        EXPECT_EQ(read(at("p.bmp")), encodeBmp(pic)) << w;
    }
    Raster bw = Raster::create(9, 2, "", {0, 0, 0});
    bw.set(3, 1, {255, 255, 255});
    bw.bilevel = true;
    saveImageFile(at("bw.bmp"), bw);
    EXPECT_EQ(read(at("bw.bmp")), encodeBmp(bw));
    EXPECT_EQ(read(at("bw.bmp"))[28], 1) << "1 bit per pixel";
    Raster broken = smallPicture();
    broken.pixels.pop_back();
    EXPECT_THROW(saveImageFile(at("broken.bmp"), broken), velvo::Error);
    EXPECT_FALSE(fs::exists(at("broken.bmp")));
}

TEST_F(ImageFileTest, FilesAreReadWholeWhetherMappedOrNot) {
    std::vector<uint8_t> bytes(200000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7 + i / 251);
    // Written in pieces lying apart, some empty.
    const std::span<const uint8_t> all(bytes);
    const std::span<const uint8_t> pieces[] = {
        all.subspan(0, 10), {}, all.subspan(10, 150000), all.subspan(150010)};
    writeFileAtomic(at("data.bin"), pieces);
    EXPECT_EQ(readFile(at("data.bin")), bytes);
    const FileBytes mapped(at("data.bin"));
    EXPECT_TRUE(
        std::equal(mapped.bytes().begin(), mapped.bytes().end(), bytes.begin(), bytes.end()));
    write("empty.bin", {});
    EXPECT_TRUE(FileBytes(at("empty.bin")).bytes().empty());
    EXPECT_TRUE(readFile(at("empty.bin")).empty());
    // A pipe cannot be mapped: it is read to its end.
    ASSERT_EQ(::mkfifo(at("pipe").c_str(), 0600), 0);
    std::thread writer(
        [&] { write("pipe", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 70000)); });
    const FileBytes piped(at("pipe"));
    writer.join();
    EXPECT_TRUE(std::equal(piped.bytes().begin(), piped.bytes().end(), bytes.begin(),
                           bytes.begin() + 70000));
    EXPECT_THROW(FileBytes(at("missing.bin")), velvo::Error);
}
