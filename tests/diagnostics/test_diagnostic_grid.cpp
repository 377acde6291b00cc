// The diagnostics grid as the user sees it: datagrams from controllers go in,
// rows come out newest first with the severity picture, the arrival time,
// the five-line device cell and the message.

#include <QHeaderView>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/DiagnosticDelegate.h"
#include "diagnostics/DiagnosticGrid.h"

using vantrel::diagnostics::DiagnosticGrid;
using vantrel::diagnostics::DiagnosticModel;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kGridWidth = 737;
constexpr int kGridHeight = 403;

// A diagnostic message datagram, written out field by field.
struct Datagram {
    std::uint8_t mac[6] = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    std::uint8_t ip[4] = {192, 168, 77, 10};
    int modelLength = -1; // the length byte; -1: the model text's length
    std::string model = "Nodalux 16 MkII";
    std::string nickname = "Stage left";
    std::string firmware = "V2.1.4";
    std::uint8_t severity = 2;
    int messageLength = -1; // the 16-bit length; -1: the message's length
    std::string message = "Output 3 over current";

    Bytes bytes() const {
        Bytes b;
        auto put = [&b](const std::string& s, std::size_t width) {
            for (std::size_t i = 0; i < width; ++i) b.push_back(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
        };
        put("Qorvanix", 8);                     // 0: magic
        b.push_back(0);                          // 8: NUL
        b.push_back(0x00);                       // 9: opcode 10, big-endian
        b.push_back(0x0A);
        b.push_back(8);                          // 11: protocol version
        b.insert(b.end(), mac, mac + 6);         // 12: MAC
        b.insert(b.end(), ip, ip + 4);           // 18: IP
        const int n = modelLength < 0 ? static_cast<int>(model.size()) : modelLength;
        b.push_back(static_cast<std::uint8_t>(n)); // 22: model-name length
        put(model, model.size());                // 23: model name (as many bytes as written)
        put(nickname, 40);                       // nickname, NUL-padded
        put(firmware, 20);                       // firmware, NUL-padded
        b.push_back(severity);                   // severity
        const int m = messageLength < 0 ? static_cast<int>(message.size()) : messageLength;
        b.push_back(static_cast<std::uint8_t>(m >> 8)); // message length, big-endian
        b.push_back(static_cast<std::uint8_t>(m & 0xFF));
        put(message, message.size());            // message
        return b;
    }
};

QStringList lines(const QString& cell) { return cell.split(QLatin1Char('\n')); }

} // namespace

class DiagnosticGridTest : public QObject {
    Q_OBJECT

    // A grid as the main window lays it out, not shown (as on a hidden tab).
    struct Fixture {
        DiagnosticGrid grid;
        explicit Fixture(int maxRows = DiagnosticModel::kMaxRows) : grid(nullptr, maxRows) {
            grid.resize(kGridWidth, kGridHeight);
            grid.diagnosticTabInit();
        }
        bool add(const Datagram& d) { return grid.addDatagram(d.bytes()); }
    };

private slots:
    void headerTextsAndColumnWidths() {
        Fixture f;
        const QStringList expected{QString(), "Time", "Device", "Message"};
        for (int c = 0; c < 4; ++c)
            QCOMPARE(f.grid.model()->headerData(c, Qt::Horizontal).toString(), expected[c]);
        QCOMPARE(f.grid.columnWidth(0), 45);
        QCOMPARE(f.grid.columnWidth(1), 80);
        QCOMPARE(f.grid.columnWidth(2), 160);
        QCOMPARE(f.grid.columnWidth(3), 432); // 737 - 160 - 80 - 45 - 20
        QCOMPARE(f.grid.objectName(), QStringLiteral("gridDiagnostic"));
        QCOMPARE(f.grid.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(f.grid.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!f.grid.showGrid()); // the delegate draws horizontal lines only
        QVERIFY(f.grid.horizontalHeader()->sectionsMovable());
        QCOMPARE(f.grid.selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void deviceCellHasFiveLinesWithTheMacOnTheFourth() {
        Fixture f;
        QVERIFY(f.add(Datagram{}));
        QCOMPARE(f.grid.rowCount(), 1);
        const QStringList device = lines(f.grid.cellText(0, DiagnosticModel::ColDevice));
        QCOMPARE(device, (QStringList{"Nodalux 16 MkII", "Stage left", "192.168.77.10", "0A-1B-2C-3D-4E-5F", "V2.1.4"}));
        QCOMPARE(f.grid.cellText(0, DiagnosticModel::ColMessage), QStringLiteral("Output 3 over current"));
    }

    void timeCellShowsLocalTimeThenDate() {
        Fixture f;
        const QDateTime when(QDate(2026, 3, 14), QTime(9, 26, 53));
        f.grid.addMessage(vantrel::protocol::readDiagnosticMessage(Datagram{}.bytes()).value(), when);
        const QLocale locale = QLocale::system();
        QCOMPARE(lines(f.grid.cellText(0, DiagnosticModel::ColTime)),
                 (QStringList{locale.toString(when.time(), QLocale::LongFormat),
                              locale.toString(when.date(), QLocale::ShortFormat)}));
    }

    void newestMessageIsOnTop() {
        Fixture f;
        Datagram first, second;
        first.message = "first";
        second.message = "second";
        QVERIFY(f.add(first));
        QVERIFY(f.add(second));
        QCOMPARE(f.grid.cellText(0, DiagnosticModel::ColMessage), QStringLiteral("second"));
        QCOMPARE(f.grid.cellText(1, DiagnosticModel::ColMessage), QStringLiteral("first"));
    }

    void severityPicture_data() {
        QTest::addColumn<int>("severity");
        QTest::addColumn<QString>("picture");
        QTest::newRow("0 error") << 0 << "Error";
        QTest::newRow("1 warning") << 1 << "Warning";
        QTest::newRow("2 info") << 2 << "Info";
        QTest::newRow("7 info") << 7 << "Info";
        QTest::newRow("255 info") << 255 << "Info";
    }
    void severityPicture() {
        QFETCH(int, severity);
        QFETCH(QString, picture);
        Fixture f;
        Datagram d;
        d.severity = static_cast<std::uint8_t>(severity);
        QVERIFY(f.add(d));
        QCOMPARE(f.grid.pictureName(0), picture);
        QVERIFY(!f.grid.bitmapContainerSeverity().picture(picture).isNull());
        QVERIFY(f.grid.cellText(0, DiagnosticModel::ColSeverity).isEmpty());
    }

    void overLongModelNameIsCutTo31AndTheNicknameReadFromOffset54() {
        Fixture f;
        Datagram d;
        d.modelLength = 40; // the sender claims 40: the tool takes 31
        d.model = std::string(31, 'M');
        d.nickname = "Truss 2"; // so it starts at 23 + 31 = 54
        const Bytes bytes = d.bytes();
        QCOMPARE(bytes[54], std::uint8_t('T'));
        QVERIFY(f.grid.addDatagram(bytes));
        const QStringList device = lines(f.grid.cellText(0, DiagnosticModel::ColDevice));
        QCOMPARE(device[0], QString(31, QLatin1Char('M')));
        QCOMPARE(device[1], QStringLiteral("Truss 2"));
        QCOMPARE(device[4], QStringLiteral("V2.1.4"));
    }

    void overLongMessageShows368Characters() {
        Fixture f;
        Datagram d;
        d.messageLength = 1000;
        d.message = std::string(1000, 'x');
        QVERIFY(f.add(d));
        QCOMPARE(f.grid.cellText(0, DiagnosticModel::ColMessage), QString(368, QLatin1Char('x')));
    }

    void datagramsWithoutAWholeMessageAreDropped_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("identify coming back (19 bytes)") << 19;
        QTest::newRow("one byte short of the message") << static_cast<int>(Datagram{}.bytes().size()) - 1;
        QTest::newRow("header only") << 12;
    }
    void datagramsWithoutAWholeMessageAreDropped() {
        QFETCH(int, length);
        Fixture f;
        Bytes bytes = Datagram{}.bytes();
        bytes.resize(static_cast<std::size_t>(length));
        QVERIFY(!f.grid.addDatagram(bytes));
        QCOMPARE(f.grid.rowCount(), 0);
    }

    void deviceTextsAreShownAsPlainText() {
        Fixture f;
        Datagram d;
        d.model = "<b>x";
        d.nickname = "<img src=x>";
        d.firmware = "a&amp;b";
        d.message = "<b>x</b> <a href=\"y\">link</a>";
        QVERIFY(f.add(d));
        const QStringList device = lines(f.grid.cellText(0, DiagnosticModel::ColDevice));
        QCOMPARE(device[0], QStringLiteral("<b>x"));
        QCOMPARE(device[1], QStringLiteral("<img src=x>"));
        QCOMPARE(device[4], QStringLiteral("a&amp;b"));
        QCOMPARE(f.grid.cellText(0, DiagnosticModel::ColMessage), QStringLiteral("<b>x</b> <a href=\"y\">link</a>"));
        // Tool tips would read such texts as markup: no cell of a controller's text has one.
        for (int c = 1; c < 4; ++c)
            QVERIFY(!f.grid.model()->index(0, c).data(Qt::ToolTipRole).isValid());
    }

    void lineBreaksInDeviceTextsDoNotShiftTheDeviceLines() {
        Fixture f;
        Datagram d;
        d.nickname = "two\r\nlines";
        d.model = "tab\there";
        d.message = "one\r\ntwo\rthree\nfour";
        QVERIFY(f.add(d));
        const QStringList device = lines(f.grid.cellText(0, DiagnosticModel::ColDevice));
        QCOMPARE(device.size(), 5);
        QCOMPARE(device[0], QStringLiteral("tab here"));
        QCOMPARE(device[1], QStringLiteral("two  lines"));
        QCOMPARE(device[3], QStringLiteral("0A-1B-2C-3D-4E-5F"));
        QCOMPARE(lines(f.grid.cellText(0, DiagnosticModel::ColMessage)),
                 (QStringList{"one", "two", "three", "four"}));
    }

    void rowHeightsFitTheirContentOnceAHiddenGridIsShown() {
        Fixture f; // on a hidden tab: nothing is fitted until it is shown
        Datagram shortMessage, longMessage;
        longMessage.message = std::string(368, 'W');
        QVERIFY(f.add(shortMessage));
        QVERIFY(f.add(longMessage));
        QVERIFY(!f.grid.isRowFitted(0));
        f.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        const int lineHeight = QFontMetrics(f.grid.font()).height();
        const int shortHeight = f.grid.rowHeight(1);
        const int longHeight = f.grid.rowHeight(0);
        QVERIFY2(shortHeight >= 5 * lineHeight, "the five device lines fit");
        QVERIFY2(longHeight > shortHeight, "a long message wraps onto more lines than the device cell");
        // Every line of the long message fits: its height is the wrapped text's.
        const int textWidth = f.grid.columnWidth(3) - 2 * vantrel::diagnostics::DiagnosticDelegate::kCellMargin;
        QVERIFY(longHeight >= vantrel::diagnostics::DiagnosticDelegate::textHeight(
                                  QString(368, QLatin1Char('W')), f.grid.font(), textWidth));
    }

    // A flood on a shown grid: the rows come in one insertion per batch, and
    // only the rows in view are fitted; the others as they are scrolled to.
    void onlyTheRowsInViewAreFitted() {
        Fixture f;
        f.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QSignalSpy inserted(f.grid.model(), &QAbstractItemModel::rowsInserted);
        Datagram d;
        d.message = std::string(300, 'W'); // taller than the device lines
        for (int i = 0; i < 300; ++i) QVERIFY(f.grid.queueDatagram(d.bytes()));
        QCOMPARE(f.grid.rowCount(), 0);
        f.grid.showQueued();
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(f.grid.rowCount(), 300);
        QVERIFY(f.grid.isRowFitted(0));
        QVERIFY(!f.grid.isRowFitted(299));
        const int plain = f.grid.rowHeight(299);
        QVERIFY(f.grid.rowHeight(0) > plain);

        // Rows grow as they come into view, so the bottom moves away while
        // the user drags to it; a few drags reach it.
        for (int drag = 0; drag < 20 && !f.grid.isRowFitted(299); ++drag) {
            f.grid.scrollToBottom();
            QCoreApplication::processEvents();
        }
        QVERIFY(f.grid.isRowFitted(299));
        QCOMPARE(f.grid.rowHeight(299), f.grid.rowHeight(0));
        QVERIFY(!f.grid.isRowFitted(150));
    }

    // A batch goes on top in arrival order (its last message on top), in one
    // insertion; what the cap would drop at once is never inserted.
    void aBatchGoesOnTopInOneInsertionWithinTheCap() {
        Fixture f(5);
        QSignalSpy inserted(f.grid.model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(f.grid.model(), &QAbstractItemModel::rowsRemoved);
        const auto queue = [&](int from, int to) {
            Datagram d;
            for (int i = from; i < to; ++i) {
                d.message = "message " + std::to_string(i);
                QVERIFY(f.grid.queueDatagram(d.bytes()));
            }
            const Bytes whole = Datagram{}.bytes();
            QVERIFY(!f.grid.queueDatagram(Bytes(whole.begin(), whole.end() - 1))); // not a whole message
            f.grid.showQueued();
        };
        queue(0, 8);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(removed.size(), 0);
        QStringList messages;
        for (int r = 0; r < f.grid.rowCount(); ++r) messages << f.grid.cellText(r, DiagnosticModel::ColMessage);
        QCOMPARE(messages, (QStringList{"message 7", "message 6", "message 5", "message 4", "message 3"}));

        queue(8, 10);
        QCOMPARE(inserted.size(), 2);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(f.grid.rowCount(), 5);
        QCOMPARE(f.grid.cellText(0, DiagnosticModel::ColMessage), QStringLiteral("message 9"));
        QCOMPARE(f.grid.cellText(4, DiagnosticModel::ColMessage), QStringLiteral("message 5"));
    }

    void rowsAreFittedAgainWhenAColumnIsNarrowed() {
        Fixture f;
        Datagram d;
        d.message = std::string(300, 'W');
        QVERIFY(f.add(d));
        const int before = f.grid.rowHeight(0);
        f.grid.setColumnWidth(DiagnosticModel::ColMessage, 150);
        QTRY_VERIFY(f.grid.rowHeight(0) > before);
    }

    void aFullGridIsFittedAgainInSlicesWithoutLosingRows() {
        Fixture f;
        Datagram d;
        for (int i = 0; i < 2000; ++i) {
            d.message = std::string(static_cast<std::size_t>(300 - i % 260), 'W');
            QVERIFY(f.add(d));
        }
        const int oldestBefore = f.grid.rowHeight(1999);
        f.grid.setColumnWidth(DiagnosticModel::ColMessage, 200);
        QTRY_VERIFY(f.grid.isRefitting());
        // A message arriving meanwhile is fitted at once and shifts the rows still to do.
        d.message = std::string(300, 'W');
        QVERIFY(f.add(d));
        QTRY_VERIFY_WITH_TIMEOUT(!f.grid.isRefitting(), 30000);
        QVERIFY(f.grid.rowHeight(2000) > oldestBefore);
        // The slices gave every row the height a full fit gives it.
        std::vector<int> heights;
        for (int r = 0; r < f.grid.rowCount(); ++r) heights.push_back(f.grid.rowHeight(r));
        f.grid.fitAllRowHeights();
        for (int r = 0; r < f.grid.rowCount(); ++r) QCOMPARE(f.grid.rowHeight(r), heights[static_cast<std::size_t>(r)]);
    }

    void keepsTheNewest10000Rows() {
        Fixture f;
        const int total = DiagnosticModel::kMaxRows + 5;
        Datagram d;
        for (int i = 0; i < total; ++i) {
            d.message = "message " + std::to_string(i);
            QVERIFY(f.add(d));
        }
        QCOMPARE(f.grid.rowCount(), 10000);
        QCOMPARE(f.grid.model()->rowCount(), 10000);
        QCOMPARE(f.grid.cellText(0, DiagnosticModel::ColMessage), QStringLiteral("message 10004"));
        QCOMPARE(f.grid.cellText(9999, DiagnosticModel::ColMessage), QStringLiteral("message 5"));
        QVERIFY(f.grid.rowHeight(9999) > 0);
    }

    void aShownGridDrawsItsRows() {
        Fixture f;
        Datagram d;
        d.severity = 0;
        QVERIFY(f.add(d));
        f.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        const QImage image = f.grid.grab().toImage();
        QVERIFY(!image.isNull());
        // The Error picture (a red disc) is drawn in the first cell of the top row.
        const QRect cell = f.grid.visualRect(f.grid.model()->index(0, 0))
                               .translated(f.grid.viewport()->mapTo(&f.grid, QPoint(0, 0)));
        int red = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += (c.red() > 150 && c.green() < 120 && c.blue() < 120) ? 1 : 0;
            }
        QVERIFY2(red > 150, qPrintable(QString::number(red)));
    }
};

QTEST_MAIN(DiagnosticGridTest)
#include "test_diagnostic_grid.moc"
