#pragma once

#include "error.h"

#include <QImage>

#include <optional>
#include <string>
#include <utility>

// What the commands that write pictures share: the size they take and the PNG they write.

inline constexpr int LargestPictureSide = 16384;

// "WIDTHxHEIGHT", each a whole number from 1 to LargestPictureSide.
tubrix::Result<std::pair<int, int>> ReadPictureSize(const std::string& text);

// The picture as PNG bytes.
tubrix::Result<std::string> EncodePng(const QImage& image);
