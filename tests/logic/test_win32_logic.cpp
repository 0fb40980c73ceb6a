#include "platform/win32/Plan.h"
#include "ui/forms.h"

#include <QSet>
#include <QTest>

using namespace forms::win32;

class TestWin32Logic : public QObject {
    Q_OBJECT

private slots:
    void utf16_data() {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<QString>("expected");
        QTest::newRow("access key") << QByteArray("A&nterior") << QStringLiteral("A&nterior");
        QTest::newRow("two bytes") << QByteArray("&Próximo\n") << QStringLiteral("&Pr\u00F3ximo\n");
        QTest::newRow("outside the BMP") << QByteArray("\xF0\x9F\x93\x96") << QStringLiteral("\U0001F4D6");
        QTest::newRow("stray byte") << QByteArray("a\xFF!") << QStringLiteral("a\uFFFD!");
        QTest::newRow("cut short") << QByteArray("dia \xE2\x82") << QStringLiteral("dia \uFFFD\uFFFD");
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QStringLiteral("\uFFFD\uFFFD");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral("\uFFFD\uFFFD\uFFFD");
    }
    void utf16() {
        QFETCH(QByteArray, utf8);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdU16String(forms::win32::utf16(utf8.toStdString())), expected);
    }

    // 7015 twips is 467⅔ pixels: read back as 7020 (7012.5 at 192 dpi) it is set again, and the set
    // asks for the pixels already there, so the size rule's nesting ends.
    void outerSize_data() {
        QTest::addColumn<float>("twips");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<float>("readBack");
        QTest::newRow("main height") << 7015.f << 96 << 468 << 7020.f;
        QTest::newRow("main width") << 9150.f << 96 << 610 << 9150.f;
        QTest::newRow("about height") << 5355.f << 96 << 357 << 5355.f;
        QTest::newRow("main height, 192 dpi") << 7015.f << 192 << 935 << 7012.5f;
        QTest::newRow("about width, 192 dpi") << 5190.f << 192 << 692 << 5190.f;
        QTest::newRow("about height, 144 dpi") << 5355.f << 144 << 536 << 5360.f;
    }
    void outerSize() {
        QFETCH(float, twips);
        QFETCH(int, dpi);
        QFETCH(int, pixels);
        QFETCH(float, readBack);
        QCOMPARE(outerPixels(twips, dpi), pixels);
        QCOMPARE(outerTwips(pixels, dpi), readBack);
        QCOMPARE(outerPixels(readBack, dpi), pixels);
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

    // Where each item of the main window's menu goes: the bar, or a title's drop-down.
    void mainMenu() {
        const std::vector<MenuEntry> plan = planMenu(ui::brelundaForm().menu);
        QStringList placed;
        QSet<unsigned> commands;
        for (const MenuEntry& entry : plan) {
            const std::string_view in = entry.dropDown < 0 ? "bar" : plan[std::size_t(entry.dropDown)].name;
            placed << QStringLiteral("%1 %2 %3%4%5")
                          .arg(QString::fromStdU16String(entry.caption),
                               QString::fromUtf8(in.data(), in.size()))
                          .arg(entry.position)
                          .arg(entry.command ? "" : " title", entry.enabled ? "" : " off");
            if (entry.command)
                commands << entry.command;
        }
        QCOMPARE(placed, QStringList({"&Arquivo bar 0 title", "&Sair mnuArquivo 0", "A&nterior bar 1",
                                      "&Próximo bar 2", "&Hoje bar 3 off", "Aj&uda bar 4 title",
                                      "&Sobre mnuAjuda 0"}));
        // One number per command, so a click reaches one handler only.
        QCOMPARE(commands.size(), 5);
    }
};

QTEST_APPLESS_MAIN(TestWin32Logic)
#include "test_win32_logic.moc"
