#include "platform/win32/Plan.h"

#include <QTest>

using namespace forms::win32;

class TestWin32Logic : public QObject {
    Q_OBJECT

private slots:
    // UTF-16 as the wide API takes it: the access key's "&" kept, a byte that is no part of valid
    // UTF-8 made U+FFFD rather than dropped.
    void utf16_keepsAccessKeysAndMarksBadBytes() {
        for (const auto& [utf8, expected] : {std::pair{"A&nterior", u"A&nterior"},
                                             {"&Pr\xc3\xb3ximo\n", u"&Pr\u00F3ximo\n"},
                                             {"\xF0\x9F\x93\x96", u"\U0001F4D6"},
                                             {"a\xFF!", u"a\uFFFD!"},
                                             {"dia \xE2\x82", u"dia \uFFFD\uFFFD"},
                                             {"\xC0\xAF", u"\uFFFD\uFFFD"},
                                             {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}})
            QVERIFY2(utf16(utf8) == expected, utf8);
    }

    // Enlarged twice, each new pixel lies a quarter of the way from one old pixel to the next, and
    // the edges are held: black and white give 0x00, 0x40, 0xbf, 0xff across a row.
    void enlarged_blendsNeighbours() {
        const std::vector<std::uint32_t> picture{0xff000000, 0xffffffff, 0xff000000, 0xffffffff};
        const std::vector<std::uint32_t> twice = enlarged(picture, 2, 2, 4, 4);
        for (int row = 0; row < 4; ++row)
            QCOMPARE(std::vector<std::uint32_t>(twice.begin() + row * 4, twice.begin() + row * 4 + 4),
                     (std::vector<std::uint32_t>{0xff000000, 0xff404040, 0xffbfbfbf, 0xffffffff}));
        QCOMPARE(enlarged(picture, 2, 2, 2, 2), picture);
    }
};

QTEST_APPLESS_MAIN(TestWin32Logic)
#include "test_win32_logic.moc"
