#pragma once
// Turns POSIX signals into a Qt signal on the event loop: the handler only
// writes the signal's number into a socket pair, which the loop reads.

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace vantrel::sim {

class SignalBridge : public QObject {
    Q_OBJECT
  public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

    // Starts catching these signals; false when the socket pair cannot be made.
    bool watch(std::initializer_list<int> numbers);

  signals:
    void caught(int signalNumber);

  private:
    void readPending();
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vantrel::sim
