// The help over the empty device grid when a search finds nothing: it
// appears a while after a search that no controller answered, names the
// adapter the poll went out through and the PC's adapters on other networks,
// gives the firewall commands for UDP port 49150, and goes as soon as a
// controller appears, a new search starts or the adapter changes. The count
// label keeps "Found 0 Device(s)". Runs on the fake endpoint and adapters.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "AppRig.h"
#include "app/NoDevicesHelp.h"

using namespace apptest;
using vantrel::app::NoDevicesHelp;

namespace {

// Replies come within a second; the tests decide "nothing" sooner.
constexpr int kShortNoReplyMs = 50;
constexpr int kWaitMs = 2000;

template <typename T>
T* control(QWidget& form, const char* name) {
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control named %s", name);
    return w;
}

QList<Adapter> threeAdapters() {
    // The second shares the first's network: it is no other network to try.
    return {Adapter{QStringLiteral("192.168.77.1"), QStringLiteral("255.255.255.0"), QStringLiteral("eth0")},
            Adapter{QStringLiteral("192.168.77.9"), QStringLiteral("255.255.255.0"), QStringLiteral("eth0")},
            Adapter{QStringLiteral("10.1.2.3"), QStringLiteral("255.0.0.0"), QStringLiteral("wlan0")}};
}

struct HelpRig : AppRig {
    explicit HelpRig(QList<Adapter> list = threeAdapters()) : AppRig(Branding{}, std::move(list)) {
        control<QTimer>(*form, "tmrNoReply")->setInterval(kShortNoReplyMs);
    }
    QWidget* help() { return control<QWidget>(*form, "pnlNoDevicesHelp"); }
    QString helpText() { return control<QLabel>(*form, "lblNoDevicesHelp")->text(); }
    void search() { QTest::mouseClick(control<QPushButton>(*form, "Net_Search"), Qt::LeftButton); }
    bool helpAppears() { return QTest::qWaitFor([this] { return help()->isVisible(); }, kWaitMs); }
    // The help does not appear within several times its delay.
    bool helpStaysAway() {
        QTest::qWait(kShortNoReplyMs * 4);
        return !help()->isVisible();
    }
};

} // namespace

class NoDevicesHelpTest : public QObject {
    Q_OBJECT

private slots:
    void aSearchNobodyAnswersShowsWhatToCheck() {
        HelpRig rig;
        QVERIFY(!rig.help()->isVisible()); // not at start-up, before any search
        rig.search();
        QVERIFY(!rig.help()->isVisible()); // not at once: replies take a moment
        QVERIFY(rig.helpAppears());
        const QString text = rig.helpText();
        QVERIFY2(text.contains(QStringLiteral("<b>192.168.77.1</b> (network 192.168.77.0, mask 255.255.255.0)")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("This PC also has <b>10.1.2.3</b> (network 10.0.0.0, mask 255.0.0.0)")),
                 qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("192.168.77.9")), qPrintable(text)); // same network
        QVERIFY(text.contains(QStringLiteral("UDP port 49150")));
        QVERIFY(text.contains(QStringLiteral("sudo ufw allow 49150/udp")));
        QVERIFY(text.contains(QStringLiteral("sudo firewall-cmd --permanent --add-port=49150/udp")));
        QVERIFY(text.contains(QStringLiteral("sudo firewall-cmd --reload")));
        QVERIFY(text.contains(QStringLiteral("cable or switch")));
        QCOMPARE(control<QLabel>(*rig.form, "DevicesLabel")->text(), QStringLiteral("Found 0 Device(s)"));
        // What went out: the one poll.
        QCOMPARE(rig.endpoint.sent().size(), 1);
    }

    void aPcWithOneAdapterSaysSo() {
        HelpRig rig({Adapter{QStringLiteral("10.77.0.1"), QStringLiteral("255.255.0.0"), QStringLiteral("eth0")}});
        rig.search();
        QVERIFY(rig.helpAppears());
        QVERIFY(rig.helpText().contains(QStringLiteral("no other adapter on a different network")));
    }

    void aControllerThatAnswersTakesTheHelpAway() {
        HelpRig rig;
        rig.search();
        QVERIFY(rig.helpAppears());
        rig.inject(currentReply(currentController({192, 168, 77, 20}, QStringLiteral("Nodalux 16 MkII"),
                                                  QStringLiteral("Late"))));
        QCOMPARE(rig.grid().rowCount(), 1);
        QVERIFY(!rig.help()->isVisible());
    }

    void aReplyInTimeMeansNoHelp() {
        HelpRig rig;
        rig.search();
        rig.inject(currentReply(currentController({192, 168, 77, 20}, QStringLiteral("Nodalux 16 MkII"),
                                                  QStringLiteral("Quick"))));
        QVERIFY(rig.helpStaysAway());
    }

    void aNewSearchOrAnotherAdapterTakesTheHelpAway() {
        HelpRig rig;
        rig.search();
        QVERIFY(rig.helpAppears());
        rig.search();
        QVERIFY(!rig.help()->isVisible()); // gone at once; back when this search finds nothing too
        QVERIFY(rig.helpAppears());
        control<QComboBox>(*rig.form, "comboNetAdapter")->setCurrentIndex(2);
        QVERIFY(!rig.help()->isVisible());
        QVERIFY(rig.helpStaysAway()); // no search went out through the new adapter yet
    }

    void aSearchThatCouldNotBeSentGetsItsMessageOnly() {
        HelpRig rig;
        rig.endpoint.failNextSends(1);
        rig.search();
        QCOMPARE(rig.services.messages.size(), 1); // the send path's own message
        QVERIFY(rig.helpStaysAway());
    }

    void addressesAreShownAsTextNotMarkup() {
        NoDevicesHelp::Situation situation;
        situation.chosen = {QStringLiteral("<i>x</i>"), QStringLiteral("m"), QStringLiteral("n")};
        const QString text = NoDevicesHelp::helpText(situation);
        QVERIFY(text.contains(QStringLiteral("&lt;i&gt;x&lt;/i&gt;")));
        QVERIFY(!text.contains(QStringLiteral("<i>x")));
    }
};

QTEST_MAIN(NoDevicesHelpTest)
#include "test_no_devices_help.moc"
