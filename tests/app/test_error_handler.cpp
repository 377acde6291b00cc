// The general error handler: an exception that escapes an event handler is
// shown in a message naming what failed, nothing half-built is sent, and the
// program goes on. The main window runs on the fakes with its configuration
// flows wired as at start-up; the fault is raised inside a flow through the
// scripted services, as an unexpected error would be.

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <stdexcept>

#include "AppRig.h"
#include "app/Application.h"
#include "app/Wiring.h"
#include "config/NodaluxConfig.h"

using namespace apptest;
using vantrel::model::Ip4;

namespace {

void doubleClickRow(AppRig& rig, int row) {
    auto* grid = rig.form->findChild<QTableView*>(QStringLiteral("Network_Grid"));
    QVERIFY(grid);
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestErrorHandler : public QObject {
    Q_OBJECT

private slots:
    // A configuration that fails half-way: the user has typed a new nickname
    // and the flow stops with an error before OK is handled.
    void aFailingHandlerIsReportedAndTheProgramGoesOn() {
        AppRig rig;
        auto* app = qobject_cast<vantrel::app::Application*>(qApp);
        QVERIFY(app);
        app->setErrorReporter(&rig.services);
        vantrel::app::wireFlowsAndTestTab(*rig.form, rig.endpoint, rig.services);
        rig.inject(currentReply(currentController(Ip4{192, 168, 77, 20}, "NX-16", "stage")));
        QCOMPARE(rig.grid().rowCount(), 1);
        rig.endpoint.clearSent();

        rig.services.queueModal([](QDialog& window) -> int {
            auto* nickname = window.findChild<QLineEdit*>(QStringLiteral("txtNickname"));
            if (nickname) nickname->setText(QStringLiteral("half-typed"));
            throw std::runtime_error("the configuration window broke");
        });
        doubleClickRow(rig, 0);

        QCOMPARE(rig.services.messages.size(), 1);
        const auto& shown = rig.services.messages.front();
        QCOMPARE(shown.kind, vantrel::ui::MessageKind::Error);
        QVERIFY2(shown.text.startsWith(QStringLiteral("An error stopped Network_Grid in the window \"")),
                 qPrintable(shown.text));
        QVERIFY2(shown.text.contains(QStringLiteral("the configuration window broke")), qPrintable(shown.text));
        // Nothing of the stopped configuration went out.
        QVERIFY(rig.endpoint.sent().isEmpty());
        QVERIFY(vantrel::model::nicknameText(rig.form->controllers().records().front()) == u"stage");

        // The program goes on: the same controller is configured with OK ...
        rig.services.clearRecord();
        rig.services.queueModalResult(1);
        doubleClickRow(rig, 0);
        QVERIFY2(rig.services.messages.isEmpty(),
                 qPrintable(rig.services.messages.isEmpty() ? QString() : rig.services.messages.front().text));
        QVERIFY(!rig.endpoint.sent().isEmpty());
        QCOMPARE(rig.endpoint.sent().front().ip, QStringLiteral("192.168.77.20"));
        // ... and Search still polls.
        rig.endpoint.clearSent();
        QTest::mouseClick(rig.form->Net_Search, Qt::LeftButton);
        QCOMPARE(rig.endpoint.sent().size(), 1);
        QCOMPARE(rig.endpoint.sent().front().ip, QStringLiteral("255.255.255.255"));
        app->setErrorReporter(nullptr);
    }

    // A timer's handler that throws something other than a standard exception.
    void anUnknownErrorFromATimer() {
        vantrel::ui::testing::ScriptedServices services;
        auto* app = qobject_cast<vantrel::app::Application*>(qApp);
        app->setErrorReporter(&services);
        QTimer timer;
        timer.setObjectName(QStringLiteral("AutoPollTimer"));
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [] { throw 42; });
        bool later = false;
        timer.start(0);
        QTimer::singleShot(10, this, [&later] { later = true; });
        QTRY_VERIFY(later); // the event loop went on
        QCOMPARE(services.messages.size(), 1);
        QCOMPARE(services.messages.front().text,
                 QStringLiteral("An error stopped AutoPollTimer:\ran unknown error\r\rNo half-finished settings were "
                                "sent; the program goes on."));
        app->setErrorReporter(nullptr);
    }
};

int main(int argc, char* argv[]) {
    vantrel::app::Application application(argc, argv);
    TestErrorHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_error_handler.moc"
