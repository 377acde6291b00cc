#include "app/Application.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <cstdio>
#include <exception>

#include "app/Branding.h"
#include "ui/Services.h"

namespace vantrel::app {

namespace {

constexpr char kApplicationName[] = "vantrel";
constexpr char kErrorText[] = "An error stopped %1:\r%2\r\rNo half-finished settings were sent; the program goes on.";
constexpr char kUnknownError[] = "an unknown error";

// The nearest object, from `receiver` up, that has a name of this program's
// own (the toolkit's inner parts are named "qt_...").
const QObject* namedObject(const QObject* receiver) {
    for (const QObject* o = receiver; o; o = o->parent()) {
        const QString name = o->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) return o;
    }
    return nullptr;
}

QString describe(const QObject* receiver) {
    const QObject* named = namedObject(receiver);
    if (!named) return receiver ? QString::fromLatin1(receiver->metaObject()->className()) : QStringLiteral("the program");
    QString text = named->objectName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(named); button && !button->text().isEmpty())
        text = QStringLiteral("\"%1\" (%2)").arg(QString(button->text()).remove(u'&'), named->objectName());
    if (const auto* widget = qobject_cast<const QWidget*>(named); widget && !widget->isWindow()) {
        const QWidget* window = widget->window();
        if (window && !window->windowTitle().isEmpty())
            text += QStringLiteral(" in the window \"%1\"").arg(window->windowTitle());
    }
    return text;
}

} // namespace

void identifyApplication(const Branding& edition) {
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QCoreApplication::setApplicationVersion(edition.versionText());
    // The menu entry's name, so the desktop matches windows to their entry;
    // unlike a display name it does not change any window's title.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.qorvana.vantrel"));
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    // The receiver may be gone by the time the error is reported.
    QPointer<QObject> target(receiver);
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        report(target, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        report(target, QString::fromLatin1(kUnknownError));
    }
    return false;
}

QString Application::errorText(const QObject* receiver, const QString& what) {
    return QString::fromLatin1(kErrorText).arg(describe(receiver), what);
}

void Application::report(const QObject* receiver, const QString& what) {
    const QString text = errorText(receiver, what);
    // One box at a time: a handler that fails again while the box is open
    // (a timer, say) is written to the error stream instead of stacking boxes.
    if (!m_services || m_reporting) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(QString(text).replace(u'\r', u' ')));
        return;
    }
    m_reporting = true;
    try {
        m_services->message(ui::MessageKind::Error, text);
    } catch (...) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(QString(text).replace(u'\r', u' ')));
    }
    m_reporting = false;
}

} // namespace vantrel::app
