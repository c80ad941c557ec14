// The Qt resource that malvor_resources carries, reached through a static
// library as the program reaches it, with no Q_INIT_RESOURCE anywhere.
#include <gtest/gtest.h>

#include <QImage>

const char* iconPath(int size);  // in resource_user.cpp, a static library linking malvor_resources

TEST(QtResource, HoldsBothPicturesAtTheirSizes)
{
    for (const int size : {32, 16})
        EXPECT_EQ(QImage(iconPath(size)).size(), QSize(size, size))
            << iconPath(size) << " missing or of another size";
}
