#pragma once

#include <QImage>

#include <optional>
#include <string>
#include <utility>

// What the commands that write pictures share: the size they take and the PNG they write.

inline constexpr int LargestPictureSide = 16384;

// "WIDTHxHEIGHT", each a whole number from 1 to LargestPictureSide; nothing otherwise, and
// reported.
std::optional<std::pair<int, int>> ReadPictureSize(const std::string& text);

// The picture as PNG bytes; nothing, reported, when it cannot be encoded.
std::optional<std::string> EncodePng(const QImage& image);
