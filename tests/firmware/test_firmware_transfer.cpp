// The upload over real TCP: the firmware window with its TCP upload, aimed at
// a server of the test's own on loopback (127.0.0.1, a free port), with the
// pause and time limits made short. The server plays a bootloader that takes
// everything, one that hangs up early, one that stops reading, and an address
// where nobody listens.

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

#include <poll.h>
#include <sys/socket.h>

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

// A bootloader on loopback. It takes one connection and, by its behaviour,
// reads everything, hangs up after the header, resets after some file bytes,
// or reads nothing at all.
class TestBootloader : public QObject {
public:
    enum class Behaviour { ReadAll, CloseAfterHeader, ResetAfterBytes, StopReading, CloseAfterBytes };

    explicit TestBootloader(Behaviour behaviour, qint64 resetAfter = 0)
        : m_behaviour(behaviour), m_resetAfter(resetAfter) {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
        m_clock.start();
    }
    quint16 port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }
    const QByteArray& received() const { return m_received; }
    bool peerClosed() const { return m_closed; }
    // When the first byte after the header arrived (ms on the test's clock), or -1.
    qint64 firstFileByteAt() const { return m_firstFileByteAt; }
    const QElapsedTimer& clock() const { return m_clock; }

    // Reads what the system has already taken for this bootloader (used at the
    // moment the window reports, to see what had arrived by then).
    void drain() {
        if (!m_socket) return;
        while (m_socket->waitForReadyRead(100)) take();
        take();
    }

    // How the stream ended for this bootloader, read straight from the system:
    // 0 for a clean end (the sender closed), an errno such as ECONNRESET for a
    // reset, -1 when it has not ended within `waitMs`.
    int endOfStream(int waitMs) {
        if (!m_socket) return -1;
        const int fd = static_cast<int>(m_socket->socketDescriptor());
        char buffer[65536];
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < waitMs) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0) return 0;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return errno;
        }
        return -1;
    }

private:
    void accept() {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            ++m_connections;
            if (m_socket) {
                s->abort();
                continue;
            }
            m_socket = s;
            if (m_behaviour == Behaviour::StopReading) {
                s->setReadBufferSize(1); // takes one byte, then leaves the rest to the system's buffers
                continue;
            }
            QObject::connect(s, &QTcpSocket::readyRead, this, [this] { take(); });
            QObject::connect(s, &QTcpSocket::disconnected, this, [this] {
                take();
                m_closed = true;
            });
        }
    }
    void take() {
        if (!m_socket || !m_socket->isOpen()) return;
        const QByteArray piece = m_socket->readAll();
        if (piece.isEmpty()) return;
        if (m_firstFileByteAt < 0 && m_received.size() + piece.size() > kHeader.size())
            m_firstFileByteAt = m_clock.elapsed();
        m_received += piece;
        if (m_behaviour == Behaviour::CloseAfterHeader && m_received.size() >= kHeader.size()) {
            m_socket->close();
        } else if (m_behaviour == Behaviour::ResetAfterBytes && m_received.size() >= kHeader.size() + m_resetAfter) {
            m_socket->abort();
        } else if (m_behaviour == Behaviour::CloseAfterBytes && m_received.size() >= kHeader.size() + m_resetAfter) {
            m_socket->close();
            m_closed = true;
        }
    }

    Behaviour m_behaviour;
    qint64 m_resetAfter;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    QByteArray m_received;
    int m_connections = 0;
    bool m_closed = false;
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
        TestBootloader boot(TestBootloader::Behaviour::ReadAll);
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
        QTRY_VERIFY(boot.peerClosed()); // and the connection is closed
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

    // A bootloader that hangs up before the whole file is in: an error, never "Update Sent".
    void hangUpBeforeTheEndIsAnError_data() {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<int>("resetAfter");
        QTest::newRow("closes after the header") << int(TestBootloader::Behaviour::CloseAfterHeader) << 0;
        QTest::newRow("resets after 64 KiB of the file") << int(TestBootloader::Behaviour::ResetAfterBytes) << 65536;
    }
    void hangUpBeforeTheEndIsAnError() {
        QFETCH(int, behaviour);
        QFETCH(int, resetAfter);
        const QString path =
            firmwareFile(QStringLiteral("Nodalux16-MkII-big.hex"), firmware_test::hexLikeBytes(16 * 1024 * 1024));
        TestBootloader boot(TestBootloader::Behaviour(behaviour), resetAfter);
        Rig rig(boot.port());
        rig.updateWith(path);
        const QString broke = QStringLiteral("Error Sending File\r\rThe connection to the device broke");
        QVERIFY2(rig.onlyMessage().startsWith(broke), qPrintable(rig.onlyMessage()));
        QCOMPARE(rig.services.messages.front().kind, ui::MessageKind::Error);
        QVERIFY(rig.orderlyAfterFailure());
    }

    // A bootloader that hangs up the moment the last byte is in: still a complete upload.
    void hangUpRightAfterTheLastByteIsSent() {
        const QByteArray file = firmware_test::hexLikeBytes(2 * 1024 * 1024);
        const QString path = firmwareFile(QStringLiteral("Nodalux16-MkII-V2.2.hex"), file);
        TestBootloader boot(TestBootloader::Behaviour::CloseAfterBytes, file.size());
        Rig rig(boot.port());
        rig.updateWith(path);
        QCOMPARE(rig.onlyMessage(), QStringLiteral("Update Sent"));
        QVERIFY(boot.received() == kHeader + file);
    }

    // A bootloader that accepts and then stops reading: the wait ends and is reported.
    void stalledBootloaderIsReportedAfterTheTimeLimit() {
        // More than the two systems' buffers hold.
        const QString path =
            firmwareFile(QStringLiteral("Nodalux16-MkII-huge.hex"), firmware_test::hexLikeBytes(24 * 1024 * 1024));
        TestBootloader boot(TestBootloader::Behaviour::StopReading);
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
        TestBootloader boot(TestBootloader::Behaviour::ReadAll);
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
        TestBootloader early(TestBootloader::Behaviour::CloseAfterHeader);
        Rig rig(early.port());
        rig.updateWith(path);
        QVERIFY(rig.orderlyAfterFailure());

        TestBootloader good(TestBootloader::Behaviour::ReadAll);
        rig.upload->port = good.port();
        rig.services.clearRecord();
        QTest::mouseClick(find<QPushButton>(rig.window, "Update"), Qt::LeftButton);
        QCOMPARE(rig.onlyMessage(), QStringLiteral("Update Sent"));
        QTRY_VERIFY(good.peerClosed());
        QVERIFY(good.received() == kHeader + file);
    }
};

QTEST_MAIN(FirmwareTransferTest)
#include "test_firmware_transfer.moc"
