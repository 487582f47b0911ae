#include "dffheader.h"

#include <QMap>

DffHeader DffHeader::forModel(const QString& model, uint8_t major, uint8_t minor, uint8_t chip)
{
    DffHeader h;
    h.UnitId = model.toLatin1().left(kUnitIdSize).leftJustified(kUnitIdSize, ' ');
    h.Major = major;
    h.Minor = minor;
    h.ChipId = chip;
    return h;
}

DffHeader DffHeader::fromBytes(const QByteArray& bytes)
{
    QByteArray b = bytes.left(kSize);
    b.append(QByteArray(kSize - b.size(), '\0'));
    DffHeader h;
    h.UnitId = b.left(kUnitIdSize);
    h.Major = uint8_t(b[8]);
    h.Minor = uint8_t(b[9]);
    h.ChipId = uint8_t(b[10]);
    for (int i = 0; i < int(h.Reserved.size()); ++i)
        h.Reserved[i] = uint8_t(b[11 + i]);
    return h;
}

QByteArray DffHeader::toBytes() const
{
    QByteArray b = UnitId.left(kUnitIdSize).leftJustified(kUnitIdSize, ' ');
    b.append(char(Major));
    b.append(char(Minor));
    b.append(char(ChipId));
    for (uint8_t r : Reserved)
        b.append(char(r));
    return b;
}

QString DffHeader::trimmedUnitId() const { return QString::fromLatin1(UnitId).trimmed(); }

QString DffHeader::versionText() const
{
    return QString::number(Major) + QLatin1Char('.') + QString::number(Minor);
}

QString ChipName(int code)
{
    switch (code) {
    case 0: return QStringLiteral("PIC16F876A/877A");
    case 1: return QStringLiteral("PIC16F873A/874A");
    case 2: return QStringLiteral("PIC16F886/887");
    case 3: return QStringLiteral("PIC18F2520/4520");
    case 4: return QStringLiteral("PIC18F2620/4620");
    default: return QStringLiteral("Unknown Model");
    }
}

QString ModelName(int code)
{
    switch (code) {
    case 0: return QStringLiteral("BELMO");
    case 2: return QStringLiteral("KV310");
    case 4: return QStringLiteral("OSMIR");
    case 6: return QStringLiteral("HALDEN");
    case 8: return QStringLiteral("RQ4");
    default: return QString();
    }
}

bool ModelLineSettings(const QString& trimmedUnitId, LineSettings* out)
{
    static const QMap<QString, QString> kSettings{
        {QStringLiteral("BELMO"), QStringLiteral("38400,n,8,1")},
        {QStringLiteral("KV310"), QStringLiteral("9600,n,8,1")},
        {QStringLiteral("HALDEN"), QStringLiteral("4800,n,8,1")},
        {QStringLiteral("OSMIR"), QStringLiteral("9600,n,8,1")},
    };
    const auto it = kSettings.find(trimmedUnitId);
    return it != kSettings.end() && LineSettings::parse(*it, out);
}
