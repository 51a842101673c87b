#include "toolkit/icons.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <vector>

namespace {

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 200 ? 1 : 0;
    return count;
}

QImage Draw(const QIcon& icon, int size, qreal scale = 1.0)
{
    QImage image = icon.pixmap(QSize(size, size), scale).toImage().convertToFormat(QImage::Format_ARGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}

// An icon is usable when it really draws at the size asked for, and at scale factor 2 from the
// picture itself rather than from a small bitmap blown up.
void ExpectDrawsAt(const QIcon& icon, int size)
{
    ASSERT_FALSE(icon.isNull());
    const QImage image = Draw(icon, size);
    ASSERT_EQ(image.size(), QSize(size, size));
    EXPECT_GT(OpaquePixels(image), size * size / 8);
    EXPECT_LT(OpaquePixels(image), size * size);  // drawn with a transparent surround, not a filled square
    EXPECT_EQ(Draw(icon, size, 2.0), Draw(icon, 2 * size));
}

QImage At16(const QIcon& icon)
{
    return Draw(icon, 16);
}

}  // namespace

TEST(IconsTest, everyImageListPositionDrawsItsOwnPicture)
{
    std::vector<QImage> images;
    for (int i = 0; i < ImageListCount; ++i) {
        SCOPED_TRACE(i);
        ExpectDrawsAt(ImageListIcon(i), 16);
        images.push_back(At16(ImageListIcon(i)));
    }
    // Two positions showing the same picture would make two toolbar commands look alike.
    for (std::size_t a = 0; a < images.size(); ++a)
        for (std::size_t b = a + 1; b < images.size(); ++b)
            EXPECT_NE(images[a], images[b]) << "positions " << a << " and " << b;
}

TEST(IconsTest, positionsOutsideTheListGiveNoPicture)
{
    EXPECT_TRUE(ImageListIcon(-1).isNull());
    EXPECT_TRUE(ImageListIcon(ImageListCount).isNull());
}

TEST(IconsTest, cancelPreviewDialogAndApplicationPicturesDraw)
{
    ExpectDrawsAt(CancelIcon(), 24);
    for (auto picture : {PreviewPicture::ZoomWidth, PreviewPicture::ZoomFit, PreviewPicture::ZoomIn,
                         PreviewPicture::ZoomOut, PreviewPicture::Print}) {
        SCOPED_TRACE(static_cast<int>(picture));
        ExpectDrawsAt(PreviewIcon(picture), 16);
    }
    ExpectDrawsAt(DialogIcon(DialogPicture::ChooseFile), 16);
    ExpectDrawsAt(DialogIcon(DialogPicture::InsertFile), 16);
    for (int size : {16, 22, 48, 256})
        ExpectDrawsAt(ApplicationIcon(), size);

    EXPECT_NE(At16(PreviewIcon(PreviewPicture::ZoomIn)), At16(PreviewIcon(PreviewPicture::ZoomOut)));
    EXPECT_NE(At16(DialogIcon(DialogPicture::ChooseFile)), At16(DialogIcon(DialogPicture::InsertFile)));
}
