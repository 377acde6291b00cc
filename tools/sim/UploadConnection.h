#pragma once
// One accepted firmware-upload connection of a simulated bootloader, read
// straight from its descriptor. The sender's end of stream marks the end of
// the file, so the bootloader must tell it from a reset: Qt's socket classes
// report both as "remote host closed", recv() does not (0 for the end of
// stream, ECONNRESET for a reset).
//
// Pieces are handed on as they arrive; then exactly one end is reported, after
// every byte that came before it. The connection never writes.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

namespace vantrel::sim {

class UploadConnection : public QObject {
  public:
    enum class End {
        Closed, // the sender's end of stream
        Reset,  // the sender reset the connection
        Failed, // another error of the connection
    };

    // Takes over `descriptor`, a connected TCP socket; closes it when done.
    explicit UploadConnection(int descriptor, QObject* parent = nullptr);
    ~UploadConnection() override;
    UploadConnection(const UploadConnection&) = delete;
    UploadConnection& operator=(const UploadConnection&) = delete;

    // Called with each piece received; may call abort().
    std::function<void(const QByteArray&)> onData;
    // Called once when the connection has ended by the sender's doing, with
    // the system's reason for Reset and Failed. Not called after abort().
    std::function<void(End, const QString&)> onEnded;

    // Starts reading (call once the callbacks are set).
    void start();
    // Drops the connection with a reset; nothing more is reported.
    void abort();
    // The sender's IPv4 address in dotted decimal; empty when unknown.
    QString peerAddress() const;
    bool isOpen() const { return m_fd >= 0; }

    static const char* endName(End end);

  private:
    void readAvailable();
    void close();

    int m_fd;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vantrel::sim
