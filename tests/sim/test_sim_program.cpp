// The program's command line: arguments and fleet files it refuses end it
// with a message and a non-zero exit before any socket is opened; --dump-fleet
// prints the fleet it would run.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include "tools/sim/Fleet.h"

namespace {

using namespace vantrel::sim;

struct Finished {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Finished runSim(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(NODALUX_SIM_PROGRAM), args);
    Finished r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "nodalux-sim did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

TEST(SimProgram, DumpFleetPrintsTheDefaultFleet) {
    const Finished r = runSim({QStringLiteral("--dump-fleet")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object(), fleetToJson(defaultFleet()));
}

TEST(SimProgram, DumpFleetOfAGeneratedFleet) {
    const Finished r =
        runSim({QStringLiteral("--dump-fleet"), QStringLiteral("--count"), QStringLiteral("300")});
    EXPECT_EQ(r.exitCode, 0);
    QString error;
    const auto fleet = fleetFromJson(QJsonDocument::fromJson(r.out).object(), error);
    ASSERT_TRUE(fleet.has_value()) << error.toStdString();
    ASSERT_EQ(fleet->size(), 300u);
    EXPECT_EQ(fleet->back().rec.CurrentIP, (vantrel::model::Ip4{10, 77, 2, 50}));
}

TEST(SimProgram, RefusedArgumentsAndFleetsEndWithAMessage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bad = dir.filePath(QStringLiteral("bad.json"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"controllers\": [ {\"record\": ");
    f.close();

    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("--fleet"), bad}, "not valid JSON"},
        {{QStringLiteral("--fleet"), dir.filePath(QStringLiteral("none.json"))},
         "cannot read the fleet file"},
        {{QStringLiteral("--count"), QStringLiteral("0")}, "--count"},
        {{QStringLiteral("--count"), QStringLiteral("5"), QStringLiteral("--fleet"), bad}, "not both"},
        {{QStringLiteral("--first-ip"), QStringLiteral("10.77.1")}, "--first-ip"},
        {{QStringLiteral("--max-delay-ms"), QStringLiteral("-1")}, "--max-delay-ms"},
        {{QStringLiteral("--sockets"), QStringLiteral("many")}, "--sockets"},
        {{QStringLiteral("--bogus")}, "bogus"},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.args.join(QLatin1Char(' ')).toStdString());
        const Finished r = runSim(tc.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QLatin1String(tc.message))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("ready")));
    }
}

} // namespace
