#pragma once
#include <QByteArray>
#include <initializer_list>

// Bytes written as numbers: Bytes({0x02, 1, 0xFE}).
inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}
