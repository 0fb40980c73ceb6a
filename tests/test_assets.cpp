// Checks the committed pictures and fonts that tools/assets/make-assets.sh
// generates: a regeneration with the wrong encoder settings, a lost mask or
// an over-eager font subset would otherwise only show up on a user's screen.

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QRawFont>
#include <QRect>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <optional>

#ifndef BRELUNDA_SOURCE_DIR
#error "BRELUNDA_SOURCE_DIR must name the source tree"
#endif

namespace {

QString sourcePath(const char* relative) {
    return QStringLiteral(BRELUNDA_SOURCE_DIR "/") + QString::fromUtf8(relative);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Byte by byte rather than through a cast pointer: the data's bounds stay visible to the compiler
// (GCC's array-bounds analysis misreads the cast under the sanitizers).
quint32 bytesAt(const QByteArray& data, qsizetype at, int count, bool bigEndian) {
    quint32 value = 0;
    for (int i = 0; i < count; ++i) {
        const quint32 byte = quint8(data.at(at + (bigEndian ? i : count - 1 - i)));
        value = value << 8 | byte;
    }
    return value;
}

quint16 be16(const QByteArray& data, qsizetype at) {
    return quint16(bytesAt(data, at, 2, true));
}

quint16 le16(const QByteArray& data, qsizetype at) {
    return quint16(bytesAt(data, at, 2, false));
}

quint32 le32(const QByteArray& data, qsizetype at) {
    return bytesAt(data, at, 4, false);
}

struct JpegSegment {
    quint8 marker = 0;
    QByteArray payload;
};

// The marker segments from SOI up to and including SOS; what follows SOS is
// entropy-coded data without a length, and nothing we check lives there.
std::optional<QList<JpegSegment>> jpegHeader(const QByteArray& data) {
    if (data.size() < 4 || quint8(data[0]) != 0xFF || quint8(data[1]) != 0xD8)
        return std::nullopt;
    QList<JpegSegment> segments;
    qsizetype at = 2;
    while (at + 4 <= data.size()) {
        if (quint8(data[at]) != 0xFF)
            return std::nullopt;
        const quint8 marker = quint8(data[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const quint16 length = be16(data, at + 2);
        if (length < 2 || at + 2 + length > data.size())
            return std::nullopt;
        segments.append({marker, data.mid(at + 4, length - 2)});
        if (marker == 0xDA)
            return segments;
        at += 2 + length;
    }
    return std::nullopt;
}

bool isStartOfFrame(quint8 marker) {
    // C4 (DHT), C8 (reserved) and CC (DAC) share the range but are not frames.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The classic 16-colour palette in the order 4-bit DIBs use.
const QList<QRgb> kStandardPalette = {
    qRgb(0x00, 0x00, 0x00), qRgb(0x80, 0x00, 0x00), qRgb(0x00, 0x80, 0x00), qRgb(0x80, 0x80, 0x00),
    qRgb(0x00, 0x00, 0x80), qRgb(0x80, 0x00, 0x80), qRgb(0x00, 0x80, 0x80), qRgb(0xC0, 0xC0, 0xC0),
    qRgb(0x80, 0x80, 0x80), qRgb(0xFF, 0x00, 0x00), qRgb(0x00, 0xFF, 0x00), qRgb(0xFF, 0xFF, 0x00),
    qRgb(0x00, 0x00, 0xFF), qRgb(0xFF, 0x00, 0xFF), qRgb(0x00, 0xFF, 0xFF), qRgb(0xFF, 0xFF, 0xFF),
};

double linearised(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double relativeLuminance(QRgb rgb) {
    return 0.2126 * linearised(qRed(rgb)) + 0.7152 * linearised(qGreen(rgb)) +
           0.0722 * linearised(qBlue(rgb));
}

double contrastRatio(QRgb a, QRgb b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

const QRgb kReadingText = qRgb(0, 128, 0);

// The tables of an sfnt (TrueType or CFF-flavoured OpenType) font, by tag.
std::optional<QHash<QByteArray, QByteArray>> sfntTables(const QByteArray& font) {
    if (font.size() < 12)
        return std::nullopt;
    QHash<QByteArray, QByteArray> tables;
    const int count = be16(font, 4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 12 + 16 * i;
        if (record + 16 > font.size())
            return std::nullopt;
        const quint32 offset = bytesAt(font, record + 8, 4, true);
        const quint32 length = bytesAt(font, record + 12, 4, true);
        if (qsizetype(offset) + length > font.size())
            return std::nullopt;
        tables.insert(font.mid(record, 4), font.mid(offset, length));
    }
    return tables;
}

QSet<int> nameIds(const QByteArray& nameTable) {
    QSet<int> ids;
    if (nameTable.size() < 6)
        return ids;
    const int count = be16(nameTable, 2);
    for (int i = 0; i < count && 6 + 12 * (i + 1) <= nameTable.size(); ++i)
        ids.insert(be16(nameTable, 6 + 12 * i + 6));
    return ids;
}

} // namespace

class AssetsTest : public QObject {
    Q_OBJECT

private slots:
    void backgroundIsBaselineJfif();
    void backgroundDecodes();
    void backgroundKeepsTextReadable_data();
    void backgroundKeepsTextReadable();
    void backgroundShowsPicture();

    void iconDirectory_data();
    void iconDirectory();
    void iconLoadsWithTransparency_data();
    void iconLoadsWithTransparency();

    void fontLoads_data();
    void fontLoads();
};

void AssetsTest::backgroundIsBaselineJfif() {
    const QByteArray data = readFile(sourcePath("ui/assets/background.jpg"));
    QVERIFY2(!data.isEmpty(), "ui/assets/background.jpg is missing");
    const auto segments = jpegHeader(data);
    QVERIFY2(segments.has_value(), "malformed JPEG marker stream");
    QVERIFY(segments->size() >= 2);

    // JFIF requires APP0 to come straight after SOI.
    const JpegSegment& app0 = segments->first();
    QCOMPARE(app0.marker, quint8(0xE0));
    QVERIFY(app0.payload.size() >= 14);
    QCOMPARE(app0.payload.left(5), QByteArray("JFIF\0", 5));
    QCOMPARE(quint8(app0.payload[5]), quint8(1)); // version 1.01
    QCOMPARE(quint8(app0.payload[6]), quint8(1));
    QCOMPARE(quint8(app0.payload[7]), quint8(1)); // dots per inch
    QCOMPARE(be16(app0.payload, 8), quint16(96));
    QCOMPARE(be16(app0.payload, 10), quint16(96));

    QList<quint8> frames;
    for (const JpegSegment& segment : *segments) {
        if (isStartOfFrame(segment.marker))
            frames.append(segment.marker);
    }
    // Exactly one frame, and a baseline one: no SOF2 (progressive) or other coding.
    QCOMPARE(frames, QList<quint8>{0xC0});

    const JpegSegment& sof = *std::find_if(segments->cbegin(), segments->cend(),
                                           [](const JpegSegment& s) { return s.marker == 0xC0; });
    QVERIFY(sof.payload.size() >= 6 + 3 * 3);
    QCOMPARE(quint8(sof.payload[0]), quint8(8)); // bits per sample
    QCOMPARE(be16(sof.payload, 1), quint16(424));
    QCOMPARE(be16(sof.payload, 3), quint16(603));
    QCOMPARE(quint8(sof.payload[5]), quint8(3)); // YCbCr, not greyscale
    QCOMPARE(segments->last().marker, quint8(0xDA));
}

void AssetsTest::backgroundDecodes() {
    const QImage image(sourcePath("ui/assets/background.jpg"));
    QVERIFY2(!image.isNull(), "Qt cannot decode the background");
    QCOMPARE(image.size(), QSize(603, 424));
    QVERIFY(!image.isGrayscale());
}

void AssetsTest::backgroundKeepsTextReadable_data() {
    QTest::addColumn<QRect>("area");
    // Where the reading is drawn: beside the picture, and the full width below it.
    QTest::newRow("beside picture") << QRect(120, 0, 603 - 120, 150);
    QTest::newRow("below picture") << QRect(56, 152, 603 - 56, 424 - 152);
}

void AssetsTest::backgroundKeepsTextReadable() {
    QFETCH(QRect, area);
    const QImage image = QImage(sourcePath("ui/assets/background.jpg")).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!image.isNull());

    // Dark green on white tops out at about 5.1:1, so the marble has to stay
    // close to white everywhere the text goes, and calm enough not to fight it.
    double worst = 100.0;
    double sum = 0.0;
    double lumaSum = 0.0;
    double lumaSquares = 0.0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            const double ratio = contrastRatio(pixel, kReadingText);
            worst = std::min(worst, ratio);
            sum += ratio;
            const double luma = qGray(pixel);
            lumaSum += luma;
            lumaSquares += luma * luma;
        }
    }
    const double count = double(area.width()) * area.height();
    const double lumaMean = lumaSum / count;
    const double lumaDeviation = std::sqrt(lumaSquares / count - lumaMean * lumaMean);

    QVERIFY2(worst >= 3.5, qPrintable(QStringLiteral("darkest spot gives only %1:1").arg(worst)));
    QVERIFY2(sum / count >= 4.0, qPrintable(QStringLiteral("average contrast %1:1").arg(sum / count)));
    QVERIFY2(lumaMean >= 220.0, qPrintable(QStringLiteral("mean luma %1").arg(lumaMean)));
    QVERIFY2(lumaDeviation <= 8.0, qPrintable(QStringLiteral("luma deviation %1").arg(lumaDeviation)));
}

void AssetsTest::backgroundShowsPicture() {
    const QImage image = QImage(sourcePath("ui/assets/background.jpg")).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!image.isNull());
    // The gilded hands are the only strongly warm colour in the picture, and
    // they belong inside the oval in the corner.
    const QRect oval(8, 8, 100, 140);
    int gilded = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qRed(pixel) - qBlue(pixel) > 100 && qGreen(pixel) > 80) {
                QVERIFY2(oval.contains(x, y), qPrintable(QStringLiteral("gold at %1,%2").arg(x).arg(y)));
                ++gilded;
            }
        }
    }
    QVERIFY2(gilded >= 1000, qPrintable(QStringLiteral("only %1 gold pixels").arg(gilded)));
}

void AssetsTest::iconDirectory_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("lightbulb") << sourcePath("ui/assets/lightbulb.ico");
    QTest::newRow("tree") << sourcePath("ui/assets/tree.ico");
}

void AssetsTest::iconDirectory() {
    QFETCH(QString, path);
    const QByteArray data = readFile(path);
    QVERIFY2(data.size() >= 6, qPrintable(path));
    QCOMPARE(le16(data, 0), quint16(0));
    QCOMPARE(le16(data, 2), quint16(1)); // icon, not cursor
    QCOMPARE(le16(data, 4), quint16(2));

    const int sizes[] = {32, 16};
    for (int entry = 0; entry < 2; ++entry) {
        const int size = sizes[entry];
        const qsizetype at = 6 + 16 * entry;
        QVERIFY(data.size() >= at + 16);
        QCOMPARE(quint8(data[at]), quint8(size));
        QCOMPARE(quint8(data[at + 1]), quint8(size));
        QCOMPARE(quint8(data[at + 2]), quint8(16)); // colours
        QCOMPARE(le16(data, at + 6), quint16(4));   // bits per pixel
        const quint32 length = le32(data, at + 8);
        const quint32 offset = le32(data, at + 12);

        const int xorStride = (size * 4 + 31) / 32 * 4;
        const int andStride = (size + 31) / 32 * 4;
        const int paletteBytes = 16 * 4;
        QCOMPARE(length, quint32(40 + paletteBytes + size * xorStride + size * andStride));
        QVERIFY(qsizetype(offset) + length <= data.size());

        const QByteArray dib = data.mid(offset, length);
        QCOMPARE(le32(dib, 0), quint32(40)); // BITMAPINFOHEADER
        QCOMPARE(qint32(le32(dib, 4)), size);
        QCOMPARE(qint32(le32(dib, 8)), 2 * size); // XOR bitmap plus AND mask
        QCOMPARE(le16(dib, 12), quint16(1));
        QCOMPARE(le16(dib, 14), quint16(4));
        QCOMPARE(le32(dib, 16), quint32(0)); // uncompressed

        QList<QRgb> palette;
        for (int i = 0; i < 16; ++i) {
            const qsizetype p = 40 + 4 * i; // RGBQUAD is blue, green, red, reserved
            palette.append(qRgb(quint8(dib[p + 2]), quint8(dib[p + 1]), quint8(dib[p])));
        }
        QCOMPARE(palette, kStandardPalette);

        const QByteArray xorBits = dib.mid(40 + paletteBytes, size * xorStride);
        const QByteArray andBits = dib.mid(40 + paletteBytes + size * xorStride);
        int transparent = 0;
        int opaque = 0;
        for (int row = 0; row < size; ++row) {
            for (int x = 0; x < size; ++x) {
                const bool masked = quint8(andBits[row * andStride + x / 8]) & (0x80 >> (x % 8));
                const quint8 pair = quint8(xorBits[row * xorStride + x / 2]);
                const int index = x % 2 == 0 ? pair >> 4 : pair & 0x0F;
                if (masked) {
                    ++transparent;
                    // Windows XORs the colour over the screen where the mask is
                    // set: anything but black would show as a smear.
                    QVERIFY2(index == 0, qPrintable(QStringLiteral("%1: colour under mask at %2,%3 of %4px")
                                                        .arg(path)
                                                        .arg(x)
                                                        .arg(row)
                                                        .arg(size)));
                } else {
                    ++opaque;
                }
            }
        }
        QVERIFY(transparent > 0);
        QVERIFY(opaque > 0);
    }
}

void AssetsTest::iconLoadsWithTransparency_data() {
    iconDirectory_data();
}

void AssetsTest::iconLoadsWithTransparency() {
    QFETCH(QString, path);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("ico"));
    QCOMPARE(reader.imageCount(), 2);

    QSet<int> sizes;
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.width(), image.height());
        sizes.insert(image.width());
        QVERIFY(image.hasAlphaChannel());

        const int last = image.width() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
            QCOMPARE(qAlpha(image.pixel(corner)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);

        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 255)
                    QVERIFY2(kStandardPalette.contains(pixel | 0xFF000000u),
                             qPrintable(QColor(pixel).name() + QStringLiteral(" is not a palette colour")));
            }
        }
    }
    QCOMPARE(sizes, (QSet<int>{32, 16}));
}

void AssetsTest::fontLoads_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("styleName");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QByteArrayList>("tables");
    QTest::addColumn<QList<int>>("names");

    // Hinting (fpgm) keeps small sizes crisp on Windows; GPOS and the older
    // kern table carry the kerning; copyright (0) and licence (13) records
    // are how the font licences ask to travel with the fonts.
    const QByteArrayList liberationTables = {"OS/2", "name", "GPOS", "GSUB", "kern", "fpgm"};
    const QList<int> liberationNames = {0, 1, 2, 13};

    QTest::newRow("serif bold") << sourcePath("ui/fonts/LiberationSerif-Bold.ttf")
                                << QStringLiteral("Brelunda Serif") << QStringLiteral("Bold") << true << false
                                << liberationTables << liberationNames;
    QTest::newRow("serif bold italic")
        << sourcePath("ui/fonts/LiberationSerif-BoldItalic.ttf") << QStringLiteral("Brelunda Serif")
        << QStringLiteral("Bold Italic") << true << true << liberationTables << liberationNames;
    QTest::newRow("sans bold") << sourcePath("ui/fonts/LiberationSans-Bold.ttf")
                               << QStringLiteral("Brelunda Sans") << QStringLiteral("Bold") << true << false
                               << liberationTables << liberationNames;
    QTest::newRow("sans regular") << sourcePath("ui/fonts/LiberationSans-Regular.ttf")
                                  << QStringLiteral("Brelunda Sans") << QStringLiteral("Regular") << false
                                  << false << liberationTables << liberationNames;
    // The chancery face is slanted in its outlines, but its tables call it an
    // upright Regular; the subset must keep saying the same.
    QTest::newRow("chorus") << sourcePath("ui/fonts/texgyrechorus-mediumitalic.otf")
                            << QStringLiteral("Brelunda Script") << QStringLiteral("Regular") << false
                            << false << QByteArrayList{"OS/2", "name", "GPOS", "GSUB"} << QList<int>{0, 1, 2};
}

void AssetsTest::fontLoads() {
    QFETCH(QString, path);
    QFETCH(QString, family);
    QFETCH(QString, styleName);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QByteArrayList, tables);
    QFETCH(QList<int>, names);

    const auto found = sfntTables(readFile(path));
    QVERIFY2(found.has_value(), qPrintable(path));
    for (const QByteArray& tag : tables)
        QVERIFY2(found->contains(tag),
                 qPrintable(QStringLiteral("no %1 table").arg(QString::fromLatin1(tag))));
    const QSet<int> present = nameIds(found->value("name"));
    for (const int id : names)
        QVERIFY2(present.contains(id), qPrintable(QStringLiteral("no name record %1").arg(id)));

    const int id = QFontDatabase::addApplicationFont(path);
    QVERIFY2(id != -1, qPrintable(path));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    QFontDatabase::removeApplicationFont(id);
    QCOMPARE(families, QStringList{family});

    const QRawFont raw(path, 16);
    QVERIFY(raw.isValid());
    QCOMPARE(raw.familyName(), family);
    QCOMPARE(raw.styleName(), styleName);
    QCOMPARE(raw.weight() >= QFont::DemiBold, bold);
    QCOMPARE(raw.style() != QFont::StyleNormal, italic);

    // Everything Portuguese text can need: printable ASCII and Latin-1.
    for (uint c = 0x20; c <= 0xFF; ++c) {
        if (c >= 0x7F && c < 0xA0)
            continue;
        QVERIFY2(raw.supportsCharacter(c),
                 qPrintable(QStringLiteral("U+%1 missing").arg(c, 4, 16, QLatin1Char('0'))));
    }
    for (const QChar c : QStringLiteral("Éçãõü&"))
        QVERIFY(raw.supportsCharacter(c));
    // Outside the subset; if this is present the font was committed whole.
    QVERIFY(!raw.supportsCharacter(QChar(0x0100)));
}

int main(int argc, char* argv[]) {
    // Registering fonts needs a platform font database but no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    AssetsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_assets.moc"
