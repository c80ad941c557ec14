// The Qt resource that malvor_resources carries, reached through a static
// library as the program reaches it, with no Q_INIT_RESOURCE anywhere.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include "binary_file.h"
#include "resource_user.h"

using namespace malvor_test;

namespace {

TEST(QtResource, ShowsTheSamePicturesAsTheWindowsIcon) {
  const auto images = readIcon(readFile(std::string(MALVOR_RESOURCES_DIR) + "/malvor.ico"));
  ASSERT_EQ(images.size(), 2u);
  const char* paths[] = {iconPath32(), iconPath16()};
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(paths[i]);
    ASSERT_TRUE(QFile::exists(paths[i])) << "resource not registered";
    const QImage png = QImage(paths[i]).convertToFormat(QImage::Format_ARGB32);
    const IconImage& ico = images[i];
    ASSERT_EQ(png.width(), ico.width);
    ASSERT_EQ(png.height(), ico.height);
    int differing = 0;
    for (int y = 0; y < ico.height; ++y)
      for (int x = 0; x < ico.width; ++x) {
        const std::size_t p = y * ico.width + x;
        const QRgb expected = ico.transparent[p] ? 0u : 0xFF000000u | ico.palette[ico.pixels[p]];
        const QRgb actual = png.pixel(x, y);
        differing += qAlpha(actual) == 0 ? expected != 0 : actual != expected;
      }
    EXPECT_EQ(differing, 0) << "the PNG and the icon have drifted apart";
  }
}

}  // namespace
