#include "startup.h"
#include "viewerhost.h"

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

using namespace tubrix;

// The window's icon comes from resources linked into the program; the package installs the
// PNGs of the source tree. Both must be the same pictures, in the sizes the package installs.
TEST(WindowIcon, IsTheInstalledIconInEachSize) {
    viewertest::EnsureApplication<TubrixApplication>();
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull()) << "the icon resources are not linked in";
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{48, 48}, {128, 128}, {256, 256}}));

    for (const int size : {48, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage installed(QStringLiteral(TUBRIX_ICON_DIR "/%1x%1/tubrix.png").arg(size));
        ASSERT_EQ(installed.size(), QSize(size, size)) << "a PNG not of its folder's size";
        // A pixmap holds premultiplied alpha; compared in that form, equal pictures are equal
        // to the bit.
        const QImage shown = icon.pixmap(QSize(size, size)).toImage();
        EXPECT_TRUE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
                    installed.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << "the window's icon is not the installed PNG";
    }
}
