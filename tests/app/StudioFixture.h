#pragma once
// A main window over a temporary program folder, with every platform service replaced by its
// test double. Shared by the main-window and document tests.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "imaging/TPictureIO.h"
#include "imaging/TPictureProc.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/ImageFile.h"
#include "platform/DialogComponents.h"
#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/Messages.h"
#include <QMdiArea>
#include <QMdiSubWindow>

namespace velvo::testing {

inline const char* const kCategories[] = {
    "Curtos e Claros", "Curtos e Escuros", "Médios e Claros", "Médios e Escuros",
    "Longos e Claros", "Longos e Escuros", "Masculinos"};

// Solid picture of one colour.
inline imaging::Raster solid(int width, int height, imaging::Bgr colour) {
    return imaging::Raster::create(width, height, "fixture", colour);
}

// White ground (the corners included) with a block of `hair` from (2, 2) to (w - 3, h - 3).
inline imaging::Raster hairstyle(int width, int height, imaging::Bgr hair) {
    imaging::Raster r = solid(width, height, {255, 255, 255});
    for (int y = 2; y < height - 2; ++y)
        for (int x = 2; x < width - 2; ++x)
            r.set(x, y, hair);
    return r;
}

inline void writeBytes(const QString& file, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(file.toStdString()).parent_path());
    imaging::writeFileAtomic(std::filesystem::path(file.toStdString()), bytes);
}

inline QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}
inline QColor rgb(imaging::Bgr c) {
    return QColor(c.r, c.g, c.b);
}

class StudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + "/";
        platform::Messages::setInstance(&messages);
        platform::Dialogs::setInstance(&dialogs);
        platform::Help::setInstance(&help);
        platform::setApplicationTitle("VELVO 5");
        QDir(folder).mkpath("Velvo5");
        main = std::make_unique<app::TF_HAIR>(folder);
        main->resize(900, 700);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    }
    void TearDown() override {
        main.reset();
        platform::Messages::setInstance(nullptr);
        platform::Dialogs::setInstance(nullptr);
        platform::Help::setInstance(nullptr);
    }

    QString hairPath(int category, int number, const QString& label = "Velvo5") const {
        return folder + label + "/" + QString::fromUtf8(kCategories[category]) + "/" +
               QString::number(number) + ".GIF";
    }
    void writeHair(int category, int number, const imaging::Raster& picture) {
        writeBytes(hairPath(category, number), imaging::encodeGif(picture));
    }
    QString writePhoto(const QString& name, const imaging::Raster& picture) {
        const QString file = folder + name;
        writeBytes(file, imaging::encodeBmp(picture));
        return file;
    }

    document::TF_FILHO* openPhoto(const QString& file) {
        main->OD_ABRIR->FileName = file;
        main->OpenMode = true;
        document::TF_FILHO* doc = main->NewDocument();
        main->OpenMode = false;
        return doc;
    }
    document::TF_FILHO* insert(const QString& photo, const QString& id, int left, int top,
                               int zoom = 100, int viewX = 0, int viewY = 0) {
        main->PendingPhotoFile = photo;
        main->PendingHairstyleId = id;
        main->PendingHairLeft = left;
        main->PendingHairTop = top;
        main->PendingZoom = zoom;
        main->PendingViewX = viewX;
        main->PendingViewY = viewY;
        main->InsertMode = true;
        document::TF_FILHO* doc = main->NewDocument();
        main->InsertMode = false;
        return doc;
    }
    void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    QString folder;
    platform::RecordingMessages messages;
    platform::ScriptedDialogs dialogs;
    platform::RecordingHelp help;
    std::unique_ptr<app::TF_HAIR> main;
};

} // namespace velvo::testing
