// The user's remembered choices on disk: what one run stores the next run
// reads, a file that is missing, unreadable or corrupt gives the defaults
// (never a crash), values that are not of their kind are dropped, and the
// first change after a corrupt file replaces it. Every file lives in a
// temporary folder; the user's own configuration is never touched.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/UserSettings.h"

using vantrel::ui::UserSettings;

namespace {

constexpr int kMin = 10;
constexpr int kMax = 60000;

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void expectDefaults(const UserSettings& s) {
    QCOMPARE(s.adapter(), QString());
    QCOMPARE(s.autoPollInterval(kMin, kMax), std::nullopt);
    QCOMPARE(s.firmwareFolder(), QString());
    QCOMPARE(s.settingsFolder(), QString());
}

} // namespace

class UserSettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const QString& name = QStringLiteral("vantrel.conf")) const {
        return m_dir.filePath(QStringLiteral("config/vantrel/") + name);
    }

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.filePath(QStringLiteral("config"))).removeRecursively();
    }

    void theFileLivesInTheXdgConfigurationFolder() {
        const QByteArray old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toLocal8Bit());
        QCOMPARE(UserSettings::defaultPath(), m_dir.filePath(QStringLiteral("xdg/vantrel/vantrel.conf")));
        qputenv("XDG_CONFIG_HOME", old);
    }

    void theNextRunReadsWhatThisRunChose() {
        const QString firmware = m_dir.filePath(QStringLiteral("fw, MkII/ü"));
        {
            UserSettings first(file());
            expectDefaults(first);
            QVERIFY(first.fileWasUsable()); // no file yet: nothing was ignored
            first.setAdapter(QStringLiteral("10.77.0.1"));
            first.setAutoPollInterval(2500);
            first.setFirmwareFolder(firmware);
            first.setSettingsFolder(m_dir.filePath(QStringLiteral("backups")));
        }
        QVERIFY(QFileInfo(file()).isFile()); // its folder was made
        UserSettings next(file());
        QVERIFY(next.fileWasUsable());
        QCOMPARE(next.adapter(), QStringLiteral("10.77.0.1"));
        QCOMPARE(next.autoPollInterval(kMin, kMax), 2500);
        QCOMPARE(next.firmwareFolder(), firmware);
        QCOMPARE(next.settingsFolder(), m_dir.filePath(QStringLiteral("backups")));
    }

    void anUnusableFileGivesTheDefaults_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("ignoredWhole");
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[[[\n=\x01\x02\x7f", 12) << false;
        QTest::newRow("a broken group ignores the good lines too")
            << QByteArray("[network]\nadapter=10.77.0.1\n[folders\nfirmware=/tmp\n") << true;
        QTest::newRow("values of the wrong kind")
            << QByteArray("[network]\nadapter=banana\n[diagnostics]\nautoPollInterval=fast\n"
                          "[folders]\nfirmware=relative/path\nsettings=\"a\", \"b\"\n")
            << false;
        QTest::newRow("address with an octet above 255")
            << QByteArray("[network]\nadapter=10.77.0.256\n") << false;
        QTest::newRow("address with five parts") << QByteArray("[network]\nadapter=10.77.0.1.5\n") << false;
        QTest::newRow("signed octet") << QByteArray("[network]\nadapter=+10.77.0.1\n") << false;
        QTest::newRow("interval below the window's range")
            << QByteArray("[diagnostics]\nautoPollInterval=5\n") << false;
        QTest::newRow("interval above the window's range")
            << QByteArray("[diagnostics]\nautoPollInterval=999999999999\n") << false;
        QTest::newRow("empty file") << QByteArray() << false;
    }
    void anUnusableFileGivesTheDefaults() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, ignoredWhole);
        QVERIFY(writeFile(file(), contents));
        UserSettings s(file());
        expectDefaults(s);
        QCOMPARE(s.fileWasUsable(), !ignoredWhole);
    }

    void aFolderInPlaceOfTheFileGivesTheDefaultsAndWritesNothing() {
        QVERIFY(QDir().mkpath(file()));
        UserSettings s(file());
        QVERIFY(!s.fileWasUsable());
        expectDefaults(s);
        s.setAdapter(QStringLiteral("10.77.0.1")); // cannot be written: no crash, kept for this run
        QCOMPARE(s.adapter(), QStringLiteral("10.77.0.1"));
        QVERIFY(QFileInfo(file()).isDir());
    }

    void aFileThatCannotBeWrittenKeepsTheChoiceForThisRun() {
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("config/plain-file")), "x"));
        UserSettings s(m_dir.filePath(QStringLiteral("config/plain-file/vantrel.conf")));
        s.setAutoPollInterval(750);
        QCOMPARE(s.autoPollInterval(kMin, kMax), 750);
    }

    void theFirstChangeReplacesACorruptFile() {
        QVERIFY(writeFile(file(), "[network]\nadapter=10.1.1.1\n[folders\nfirmware=/old\n"));
        {
            UserSettings s(file());
            QVERIFY(!s.fileWasUsable());
            s.setAdapter(QStringLiteral("192.168.1.20"));
        }
        const QByteArray now = readFile(file());
        QVERIFY2(!now.contains("/old") && !now.contains("10.1.1.1"), now.constData());
        UserSettings next(file());
        QVERIFY(next.fileWasUsable());
        QCOMPARE(next.adapter(), QStringLiteral("192.168.1.20"));
        QCOMPARE(next.firmwareFolder(), QString());
    }

    void onlyUsableValuesAreStored() {
        UserSettings s(file());
        s.setAdapter(QStringLiteral("None Found"));
        s.setFirmwareFolder(QStringLiteral("relative"));
        expectDefaults(s);
        QVERIFY(!QFileInfo::exists(file())); // nothing to write
        s.setAdapter(QStringLiteral("010.077.000.001"));
        QCOMPARE(s.adapter(), QStringLiteral("10.77.0.1"));
    }

    void existingFolderIsEmptyForAFolderThatHasGone() {
        QCOMPARE(UserSettings::existingFolder(m_dir.path()), m_dir.path());
        QCOMPARE(UserSettings::existingFolder(m_dir.filePath(QStringLiteral("gone"))), QString());
        QCOMPARE(UserSettings::existingFolder(QString()), QString());
    }
};

QTEST_GUILESS_MAIN(UserSettingsTest)
#include "test_user_settings.moc"
