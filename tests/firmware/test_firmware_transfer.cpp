// The upload over real TCP: the firmware window with its TCP upload, aimed at
// a server of the test's own on loopback (127.0.0.1, a free port), with the
// pause and time limits made short. The server plays a bootloader that takes
// everything and closes, one that resets or closes early, one that resets
// right after the last byte, one that goes silent, one that stops reading,
// and an address where nobody listens.

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FirmwareFixture.h"
#include "firmware/EthFirmware.h"
#include "ui/testing/ScriptedServices.h"

using namespace vantrel;
using firmware::TTCPFirmware;
using firmware_test::LoopbackUpload;
using ui::testing::ScriptedServices;

namespace {

const QByteArray kHeader("Firmware Nodalux 16\r\n");

template <class T> T* find(const QWidget& window, const char* name) {
    T* w = window.findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control named %s", name);
    return w;
}

// A bootloader on loopback, read straight from the system's socket so that
// the test decides exactly how many bytes it takes and how its end of the
// connection ends: an orderly close, a reset, or silence.
class TestBootloader : public QObject {
public:
    // What the bootloader does once it has read `readLimit` bytes of the
    // stream (header included; -1: everything up to the sender's end).
    enum class Then {
        Close,   // closes its end in order (a reset when unread bytes are left)
        Reset,   // resets the connection
        Silent,  // stops reading and keeps the connection open, saying nothing
    };

    explicit TestBootloader(Then then = Then::Close, qint64 readLimit = -1) : m_then(then), m_limit(readLimit) {
        m_server.onIncoming = [this](int fd) { accept(fd); };
        m_server.listen(QHostAddress::LocalHost, 0);
        m_clock.start();
    }
    ~TestBootloader() override { closeConnection(false); }

    quint16 port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }
    const QByteArray& received() const { return m_received; }
    // The bootloader's end of the connection is closed (in order or by a reset).
    bool ended() const { return m_fd < 0 && m_connections > 0; }
    // When the first byte after the header arrived (ms on the test's clock), or -1.
    qint64 firstFileByteAt() const { return m_firstFileByteAt; }
    const QElapsedTimer& clock() const { return m_clock; }

    // Reads what the system has already taken for this bootloader (used at the
    // moment the window reports, to see what had arrived by then).
    void drain() {
        for (int i = 0; i < 20 && m_fd >= 0 && !m_stopped; ++i) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) readAvailable();
        }
    }

    // How the stream ended for this bootloader, read straight from the system:
    // 0 for a clean end (the sender closed), an errno such as ECONNRESET for a
    // reset, -1 when it has not ended within `waitMs`.
    int endOfStream(int waitMs) {
        if (m_fd < 0) return -1;
        char buffer[65536];
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < waitMs) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0) return 0;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return errno;
        }
        return -1;
    }

private:
    // A listener that hands over the accepted descriptor itself.
    class Listener : public QTcpServer {
    public:
        std::function<void(int)> onIncoming;

    protected:
        void incomingConnection(qintptr fd) override { onIncoming(static_cast<int>(fd)); }
    };

    void accept(int fd) {
        ++m_connections;
        if (m_fd >= 0 || m_connections > 1) {
            ::close(fd); // one upload per bootloader
            return;
        }
        m_fd = fd;
        m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { readAvailable(); });
        reachedLimit(); // a limit of 0 acts at once
    }

    void readAvailable() {
        char buffer[65536];
        while (m_fd >= 0 && !m_stopped) {
            qint64 want = sizeof buffer;
            if (m_limit >= 0) want = std::min<qint64>(want, m_limit - m_received.size());
            const ssize_t n = ::recv(m_fd, buffer, static_cast<size_t>(want), MSG_DONTWAIT);
            if (n > 0) {
                if (m_firstFileByteAt < 0 && m_received.size() + n > kHeader.size())
                    m_firstFileByteAt = m_clock.elapsed();
                m_received.append(buffer, n);
                if (reachedLimit()) return;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            // The sender's end (n == 0) or a broken connection.
            if (m_then == Then::Silent) {
                stopReading();
                return;
            }
            closeConnection(false);
            return;
        }
    }

    // Acts when the limit is reached; true when reading stops here.
    bool reachedLimit() {
        if (m_limit < 0 || m_received.size() < m_limit) return false;
        switch (m_then) {
        case Then::Close: closeConnection(false); break;
        case Then::Reset: closeConnection(true); break;
        case Then::Silent: stopReading(); break;
        }
        return true;
    }

    void stopReading() {
        m_stopped = true;
        if (m_notifier) m_notifier->setEnabled(false);
    }

    void closeConnection(bool reset) {
        if (m_notifier) {
            m_notifier->setEnabled(false);
            m_notifier.reset();
        }
        if (m_fd < 0) return;
        if (reset) {
            const linger hard{1, 0};
            ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        ::close(m_fd);
        m_fd = -1;
    }

    Then m_then;
    qint64 m_limit;
    Listener m_server;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_stopped = false;
    QByteArray m_received;
    int m_connections = 0;
    qint64 m_firstFileByteAt = -1;
    QElapsedTimer m_clock;
};

} // namespace

class FirmwareTransferTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    struct Rig {
        ScriptedServices services;
        LoopbackUpload* upload = new LoopbackUpload;
        TTCPFirmware window{services, std::unique_ptr<LoopbackUpload>(upload)};

        explicit Rig(quint16 port) {
            upload->port = port;
            window.setControllerSource([] {
                return firmware::FirmwareTarget{QStringLiteral("10.77.1.5"), QStringLiteral("Nodalux 16 MkII")};
            });
            window.show();
        }
        void updateWith(const QString& path) {
            QLineEdit* edit = find<QLineEdit>(window, "FileDisplay");
            edit->setText(path);
            QTest::mouseClick(find<QPushButton>(window, "Update"), Qt::LeftButton);
        }
        // The one message shown; fails the test when there is not exactly one.
        QString onlyMessage() const {
            return services.messages.size() == 1 ? services.messages.front().text
                                                 : QStringLiteral("%1 messages").arg(services.messages.size());
        }
        // After a failure: the window open and ready, the status hidden.
        bool orderlyAfterFailure() const {
            return window.isVisible() && !window.isSending() && !find<QLabel>(window, "lblStatus")->isVisible() &&
                   find<QPushButton>(window, "Update")->isEnabled() && services.countMessages("Update Sent") == 0;
        }
    };

    QString firmwareFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        if (!firmware_test::writeFile(path, bytes)) qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // The bootloader receives exactly the header line and the file, the file
    // after the pause; "Update Sent" comes only when every byte has arrived.
    void bootloaderReceivesHeaderThenTheFile() {
        const QByteArray file = firmware_test::hexLikeBytes(3 * 1024 * 1024 + 17);
        const QString path = firmwareFile(QStringLiteral("Nodalux16-MkII-V2.0.hex"), file);
        TestBootloader boot;
        Rig rig(boot.port());
        rig.upload->pauseMs = 150;

        qint64 headerWrittenAt = -1;
        QObject::connect(rig.upload, &net::FirmwareUpload::headerWritten, &boot,
                         [&] { headerWrittenAt = boot.clock().elapsed(); });
        QSignalSpy progress(rig.upload, &net::FirmwareUpload::progress);
        qsizetype receivedAtReport = -1;
        bool statusShownDuringTransfer = false;
        QObject::connect(rig.upload, &net::FirmwareUpload::progress, &boot,
                         [&] { statusShownDuringTransfer |= find<QLabel>(rig.window, "lblStatus")->isVisible(); });
        rig.services.onMessage = [&](const ScriptedServices::Message& m) {
            if (m.text != QStringLiteral("Update Sent")) return;
            boot.drain();
            receivedAtReport = boot.received().size();
        };

        rig.updateWith(path);

        QCOMPARE(rig.onlyMessage(), QStringLiteral("Update Sent"));
        QCOMPARE(receivedAtReport, kHeader.size() + file.size());
        QVERIFY(!rig.window.isVisible());
        QTRY_VERIFY(boot.ended()); // and the connection is closed
        QVERIFY2(boot.received() == kHeader + file,
                 qPrintable(firmware_test::byteDiff(kHeader + file, boot.received())));
        QCOMPARE(boot.connections(), 1);
        // The file follows the header only after the pause.
        QVERIFY(headerWrittenAt >= 0);
        const qint64 gap = boot.firstFileByteAt() - headerWrittenAt;
        QVERIFY2(gap >= rig.upload->pauseMs, qPrintable(QStringLiteral("file began %1 ms after the header").arg(gap)));
        // The progress ended at the whole file, and the user saw the status meanwhile.
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toLongLong(), file.size());
        QCOMPARE(progress.last().at(1).toLongLong(), file.size());
        QVERIFY(statusShownDuringTransfer);
        QVERIFY(!find<QLabel>(rig.window, "lblStatus")->isVisible());
        // What the window asked for, before the test shortened the pause.
        QCOMPARE(rig.upload->asked.size(), 1);
        QCOMPARE(rig.upload->asked.front().pauseMs, 2000);
        QCOMPARE(rig.upload->asked.front().host, QStringLiteral("10.77.1.5"));
        QCOMPARE(rig.upload->asked.front().port, quint16(49150));
    }

    // Every way a bootloader can end the connection. "Update Sent" only when
    // it took the whole file and then closed its end in order or said nothing
    // until the wait for its end ran out; a reset at any point before that,
    // or a close before the end of the file, is an error.
    void endingsOfTheUpload_data() {
        QTest::addColumn<qint64>("fileSize");
        QTest::addColumn<int>("then");
        QTest::addColumn<qint64>("readLimit"); // bytes of the stream read before acting; -1: all, up to the sender's end
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("detail"); // in the error message

        using T = TestBootloader::Then;
        const qint64 small = 20000;
        const qint64 large = 4 * 1024 * 1024;
        const qint64 header = kHeader.size();
        QTest::newRow("closes in order after the sender's end") << small << int(T::Close) << qint64(-1) << true << "";
        QTest::newRow("closes in order right after the last byte")
            << small << int(T::Close) << header + small << true << "";
        QTest::newRow("takes the file, then silence until the wait ends")
            << small << int(T::Silent) << header + small << true << "";
        QTest::newRow("takes the file and the end, then silence") << small << int(T::Silent) << qint64(-1) << true << "";
        QTest::newRow("resets after 10,000 of 20,000 bytes")
            << small << int(T::Reset) << header + 10000 << false << "reset";
        QTest::newRow("resets 100 bytes before the end (20 KB)")
            << small << int(T::Reset) << header + small - 100 << false << "reset";
        QTest::newRow("resets 100 bytes before the end (4 MB)")
            << large << int(T::Reset) << header + large - 100 << false << "reset";
        QTest::newRow("resets right after the last byte, before closing")
            << small << int(T::Reset) << header + small << false << "reset";
        QTest::newRow("resets after 64 KiB of 16 MB")
            << qint64(16 * 1024 * 1024) << int(T::Reset) << header + 65536 << false << "reset";
        QTest::newRow("closes after the header") << large << int(T::Close) << header << false << "";
    }
    void endingsOfTheUpload() {
        QFETCH(qint64, fileSize);
        QFETCH(int, then);
        QFETCH(qint64, readLimit);
        QFETCH(bool, sent);
        QFETCH(QString, detail);
        const QByteArray file = firmware_test::hexLikeBytes(fileSize);
        const QString path = firmwareFile(QStringLiteral("Nodalux16-MkII-ending.hex"), file);
        TestBootloader boot(TestBootloader::Then(then), readLimit);
        Rig rig(boot.port());
        rig.updateWith(path);
        if (sent) {
            QCOMPARE(rig.onlyMessage(), QStringLiteral("Update Sent"));
            QCOMPARE(rig.services.messages.front().kind, ui::MessageKind::Information);
            QVERIFY(!rig.window.isVisible());
            QTRY_VERIFY(boot.received().size() >= kHeader.size() + file.size());
            QVERIFY2(boot.received() == kHeader + file,
                     qPrintable(firmware_test::byteDiff(kHeader + file, boot.received())));
        } else {
            const QString broke = QStringLiteral("Error Sending File\r\rThe connection to the device broke");
            QVERIFY2(rig.onlyMessage().startsWith(broke), qPrintable(rig.onlyMessage()));
            QVERIFY2(rig.onlyMessage().contains(detail), qPrintable(rig.onlyMessage()));
            QCOMPARE(rig.services.messages.front().kind, ui::MessageKind::Error);
            QVERIFY(rig.orderlyAfterFailure());
        }
    }

    // A bootloader that accepts and then stops reading: the wait ends and is reported.
    void stalledBootloaderIsReportedAfterTheTimeLimit() {
        // More than the two systems' buffers hold.
        const QString path =
            firmwareFile(QStringLiteral("Nodalux16-MkII-huge.hex"), firmware_test::hexLikeBytes(24 * 1024 * 1024));
        TestBootloader boot(TestBootloader::Then::Silent, 1); // takes one byte, then nothing
        Rig rig(boot.port());
        rig.upload->stallTimeoutMs = 300;
        rig.updateWith(path);
        QVERIFY2(rig.onlyMessage().startsWith(QStringLiteral("Error Sending File\r\rThe device stopped taking data")),
                 qPrintable(rig.onlyMessage()));
        QVERIFY(rig.orderlyAfterFailure());
        // The connection was reset: the bootloader never sees the cut-off
        // stream end cleanly, as a complete file would.
        QCOMPARE(boot.endOfStream(5000), ECONNRESET);
    }

    void nobodyListeningGivesTheConnectMessage() {
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        const QString path = firmwareFile(QStringLiteral("Nodalux16-MkII-V2.0.hex"), firmware_test::hexLikeBytes(100));
        Rig rig(closedPort);
        rig.updateWith(path);
        QCOMPARE(rig.onlyMessage(), QString::fromLatin1(firmware::kCannotConnectText));
        QCOMPARE(rig.services.messages.front().kind, ui::MessageKind::Plain);
        QVERIFY(rig.orderlyAfterFailure());
    }

    // An empty file: "Error Sending File", and the bootloader is not even contacted.
    void emptyFileIsAnErrorAndNothingConnects() {
        const QString path = firmwareFile(QStringLiteral("Nodalux16-MkII-empty.hex"), {});
        TestBootloader boot;
        Rig rig(boot.port());
        rig.updateWith(path);
        QCOMPARE(rig.onlyMessage(), QStringLiteral("Error Sending File"));
        QCOMPARE(rig.services.messages.front().kind, ui::MessageKind::Error);
        QVERIFY(rig.orderlyAfterFailure());
        QTest::qWait(50);
        QCOMPARE(boot.connections(), 0);
    }

    // The same window uploads again after a failure.
    void aFailureLeavesTheWindowReadyForTheNextTry() {
        const QByteArray file = firmware_test::hexLikeBytes(5000);
        const QString path = firmwareFile(QStringLiteral("Nodalux16-MkII-V2.1.hex"), file);
        TestBootloader early(TestBootloader::Then::Close, kHeader.size());
        Rig rig(early.port());
        rig.updateWith(path);
        QVERIFY(rig.orderlyAfterFailure());

        TestBootloader good;
        rig.upload->port = good.port();
        rig.services.clearRecord();
        QTest::mouseClick(find<QPushButton>(rig.window, "Update"), Qt::LeftButton);
        QCOMPARE(rig.onlyMessage(), QStringLiteral("Update Sent"));
        QTRY_VERIFY(good.ended());
        QVERIFY(good.received() == kHeader + file);
    }
};

QTEST_MAIN(FirmwareTransferTest)
#include "test_firmware_transfer.moc"
