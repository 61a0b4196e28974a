#include "clipicture.h"

#include <QBuffer>

#include <charconv>

using namespace tubrix;

tubrix::Result<std::pair<int, int>> ReadPictureSize(const std::string& text) {
    const std::size_t at = text.find('x');
    int width = 0, height = 0;
    if (at != std::string::npos && at > 0) {
        const char* begin = text.data();
        const char* end = begin + text.size();
        const auto first = std::from_chars(begin, begin + at, width);
        const auto second = std::from_chars(begin + at + 1, end, height);
        if (first.ec == std::errc() && first.ptr == begin + at && second.ec == std::errc() &&
            second.ptr == end && width >= 1 && height >= 1 && width <= LargestPictureSide &&
            height <= LargestPictureSide) {
            return std::pair{width, height};
        }
    }
    return Failed("--size must be WIDTHxHEIGHT, each from 1 to " +
                  std::to_string(LargestPictureSide) + " pixels, not \"" + text + "\"");
}

tubrix::Result<std::string> EncodePng(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    // Qt's quality 85 is zlib's fastest level: a tube on a plain background packs well at any
    // level, and a few kilobytes more cost a job folder or a web page nothing.
    constexpr int FastCompression = 85;
    if (!image.save(&buffer, "PNG", FastCompression)) {
        return Failed("the picture could not be encoded as PNG");
    }
    return png.toStdString();
}
