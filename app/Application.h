#pragma once
// The application object of the program: how it names itself to the platform,
// and its general error handler.

#include <QApplication>
#include <QString>

namespace vantrel::ui {
class Services;
}

namespace vantrel::app {

struct Branding;

// Names the program to the platform: application name "vantrel" and the
// edition's version. No display name is set: the platform would append it to
// every window's title, and every window's caption is its own ("Nodalux
// Configuration", "About", ...).
void identifyApplication(const Branding& edition);

// The general error handler. An exception that escapes an event handler
// (a click, a timer, a datagram) is caught where the event loop delivered the
// event: the user is told what failed through the services seam and the
// program goes on with the next event. A packet is built whole before it is
// sent, so a handler stopped by an error has sent nothing half-built.
class Application final : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    // Where errors are shown; without services they go to the error stream.
    void setErrorReporter(ui::Services* services) { m_services = services; }

    bool notify(QObject* receiver, QEvent* event) override;

    // The message for the error `what` in a handler of `receiver`: names the
    // control or window (its caption and name) whose handler failed.
    static QString errorText(const QObject* receiver, const QString& what);

private:
    void report(const QObject* receiver, const QString& what);

    ui::Services* m_services = nullptr;
    bool m_reporting = false; // a report's own message box is open
};

} // namespace vantrel::app
