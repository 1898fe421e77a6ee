#include "ui/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QTest>

#include <climits>
#include <cmath>

class DialogUnitsTests : public QObject {
    Q_OBJECT
private slots:
    void mulDivRoundsToNearestHalvesAwayFromZero() {
        const int denominators[] = {1, 2, 3, 4, 5, 8, -2, -3, -4};
        for (int number = -30; number <= 30; ++number)
            for (int numerator = -9; numerator <= 9; ++numerator)
                for (int denominator : denominators) {
                    const double exact = static_cast<double>(number) * numerator / denominator;
                    const int expected = static_cast<int>(std::lround(exact));
                    if (MulDiv(number, numerator, denominator) != expected)
                        QFAIL(qPrintable(QStringLiteral("MulDiv(%1, %2, %3) = %4, expected %5")
                                             .arg(number).arg(numerator).arg(denominator)
                                             .arg(MulDiv(number, numerator, denominator)).arg(expected)));
                }
    }

    void mulDivKeepsTheFullProduct() {
        // The product overflows an int, the quotient does not.
        QCOMPARE(MulDiv(INT_MAX, 6, 6), INT_MAX);
        QCOMPARE(MulDiv(INT_MIN, 3, 3), INT_MIN);
        QCOMPARE(MulDiv(100000, 100000, 50000), 200000);
    }

    void mulDivReportsImpossibleResults() {
        QCOMPARE(MulDiv(7, 3, 0), -1);
        QCOMPARE(MulDiv(INT_MAX, 2, 1), -1);
        QCOMPARE(MulDiv(INT_MIN, 2, 1), -1);
    }

    void averageCharSizeIsTheMeanLetterWidth() {
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        for (int pixelSize : {9, 12, 17, 30}) {
            QFont font;
            font.setPixelSize(pixelSize);
            const QFontMetrics fm(font);
            const QRect line = fm.boundingRect(QRect(), Qt::TextSingleLine, letters);
            const QSize average = AverageCharSize(fm);
            QVERIFY(average.width() * 52 <= line.width());
            QVERIFY((average.width() + 1) * 52 > line.width());
            QCOMPARE(average.height(), line.height());
            QCOMPARE(AverageCharSize(font), average);
        }
    }

    void unitsAreQuarterWidthsAndEighthHeights() {
        for (int width = 4; width <= 12; ++width)
            for (int height = 10; height <= 30; height += 3)
                for (int n : {4, 8, 10, 14, 50}) {
                    const QSize cell(width, height);
                    QCOMPARE(HorzUnits(n, cell), static_cast<int>(std::lround(n * width / 4.0)));
                    QCOMPARE(VertUnits(n, cell), static_cast<int>(std::lround(n * height / 8.0)));
                }
    }
};

int RunDialogUnitsTests(int argc, char** argv) {
    DialogUnitsTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "DialogUnitsTests.moc"
