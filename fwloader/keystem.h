#pragma once
#include <QByteArray>
#include <cstdint>

// The stem of every firmware file's key. The loader and the maker must use
// the same one: a file made with another stem reads as invalid.
inline constexpr char KeyStem[] = "quenlid";

// The key of a firmware file for version major.minor: stem, major, ".", minor.
inline QByteArray DffKey(uint8_t major, uint8_t minor)
{
    return QByteArray(KeyStem) + QByteArray::number(major) + '.' + QByteArray::number(minor);
}
