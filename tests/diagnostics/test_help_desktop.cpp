// Help on a desktop with and without a PDF application: the guide goes
// through the program's real "open" (QtServices::openFile), which looks up the
// application in the desktop's associations and starts it. The desktop is a
// temporary set of XDG folders made per case; the "viewer" is a script that
// writes down what it was asked to open. The desktop's generic opener is a
// script too, one that starts and then finds no application, as it does on a
// desktop without a PDF viewer: the open must not take its start for a
// success. Messages are answered through the services seam.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "diagnostics/Guide.h"
#include "ui/DesktopApplications.h"
#include "ui/QtServices.h"

using namespace vantrel;

namespace {

// The real open of the desktop; every message recorded and answered with OK.
class DesktopServices final : public ui::Services {
public:
    QStringList messages;

    ui::Answer message(ui::MessageKind, const QString& text, ui::Buttons, ui::Answer) override {
        messages << text;
        return ui::Answer::Ok;
    }
    int showModal(QDialog&) override { return 2; }
    void sleep(int) override {}
    ui::OpenResult openFile(const QString& path) override { return m_desktop.openFile(path); }
    ui::OpenResult openUrl(const QString& url) override { return m_desktop.openUrl(url); }
    QString chooseOpenFile(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseSaveFile(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString chooseFolder(const QString&, const QString&) override { return {}; }

private:
    ui::QtServices m_desktop;
};

const QString kNoPdfApplication = QStringLiteral("A pdf application such as Adobe Reader is required.");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class HelpDesktopTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    QString at(const QString& relative) const { return m_root.filePath(relative); }
    // Where the viewer writes its name and its arguments, one a line.
    QString viewerLog() const { return at(QStringLiteral("viewer.log")); }
    QString viewer() const { return at(QStringLiteral("bin/viewer")); }
    // Where the desktop's opener notes that it was started.
    QString openerLog() const { return at(QStringLiteral("opener.log")); }

    // A desktop entry for the viewer under `name`, handling `types`.
    QByteArray entry(const QString& name, const QString& types, const QString& extra = {}) const {
        return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=\"%2\" %1 %f\nMimeType=%3\n%4")
            .arg(name, viewer(), types, extra)
            .toUtf8();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        // The folders of the desktop: the user's and the system's, none of the machine's own.
        qputenv("XDG_CONFIG_HOME", at(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", at(QStringLiteral("sysconfig")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", at(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_DATA_DIRS", at(QStringLiteral("sysdata")).toLocal8Bit());
        qputenv("XDG_CURRENT_DESKTOP", "Testdesk");
        qputenv("TMPDIR", at(QStringLiteral("tmp")).toLocal8Bit());
        QVERIFY(QDir().mkpath(at(QStringLiteral("tmp"))));
        // File types come from the system's MIME database, seen through the
        // desktop's system folder.
        QVERIFY(QDir().mkpath(at(QStringLiteral("sysdata"))));
        QVERIFY(QFile::link(QStringLiteral("/usr/share/mime"), at(QStringLiteral("sysdata/mime"))));
        QVERIFY(writeFile(viewer(), QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n")
                                        .arg(viewerLog())
                                        .toUtf8()));
        QVERIFY(QFile::setPermissions(viewer(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        // The desktop's opener: starts, finds no application, fails (3).
        const QString opener = at(QStringLiteral("bin/xdg-open"));
        QVERIFY(writeFile(opener, QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\nexit 3\n").arg(openerLog()).toUtf8()));
        QVERIFY(QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("PATH", at(QStringLiteral("bin")).toLocal8Bit() + ':' + qgetenv("PATH"));
    }

    void init() {
        for (const char* folder : {"config", "sysconfig", "data/applications", "sysdata/applications"})
            QDir(at(QString::fromLatin1(folder))).removeRecursively();
        QFile::remove(viewerLog());
        QFile::remove(openerLog());
    }

    // Each case: the desktop's files (path, content pairs) and what Help does
    // with them: the viewer that shows the guide, or the message.
    void help_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("opensWith"); // empty: no application, the message instead

        const QString pdf = QStringLiteral("application/pdf;");
        QTest::newRow("no application at all") << QStringList{} << QString();
        QTest::newRow("the only application takes other types")
            << QStringList{"sysdata/applications/pictures.desktop", entry("Pictures", "image/png;")} << QString();
        QTest::newRow("an application for PDF")
            << QStringList{"sysdata/applications/reader.desktop", entry("Reader", pdf)} << "Reader";
        QTest::newRow("an application for PDF under another of its names")
            << QStringList{"data/applications/old.desktop", entry("Old", "application/x-pdf;")} << "Old";
        QTest::newRow("its program is not installed")
            << QStringList{"sysdata/applications/reader.desktop",
                           QStringLiteral("[Desktop Entry]\nType=Application\nName=R\nExec=/nonexistent/reader %f\n"
                                          "MimeType=application/pdf;\n")}
            << QString();
        QTest::newRow("it is hidden")
            << QStringList{"sysdata/applications/reader.desktop", entry("Reader", pdf, "Hidden=true\n")} << QString();
        QTest::newRow("it runs in a terminal")
            << QStringList{"sysdata/applications/reader.desktop", entry("Reader", pdf, "Terminal=true\n")} << QString();
        QTest::newRow("the user removed the association")
            << QStringList{"sysdata/applications/reader.desktop", entry("Reader", pdf), "config/mimeapps.list",
                           "[Removed Associations]\napplication/pdf=reader.desktop;\n"}
            << QString();
        QTest::newRow("the user added an association")
            << QStringList{"data/applications/viewer.desktop", entry("Viewer", "text/plain;"), "config/mimeapps.list",
                           "[Added Associations]\napplication/pdf=viewer.desktop;\n"}
            << "Viewer";
        QTest::newRow("the default of two")
            << QStringList{"sysdata/applications/a.desktop", entry("First", pdf),
                           "sysdata/applications/b.desktop", entry("Second", pdf),
                           "config/mimeapps.list", "[Default Applications]\napplication/pdf=b.desktop\n"}
            << "Second";
        QTest::newRow("the default is not installed, another application is")
            << QStringList{"sysdata/applications/a.desktop", entry("First", pdf), "config/mimeapps.list",
                           "[Default Applications]\napplication/pdf=gone.desktop;\n"}
            << "First";
        QTest::newRow("this desktop's default before the common one")
            << QStringList{"sysdata/applications/a.desktop", entry("First", pdf),
                           "sysdata/applications/b.desktop", entry("Second", pdf),
                           "sysconfig/mimeapps.list", "[Default Applications]\napplication/pdf=a.desktop\n",
                           "sysconfig/testdesk-mimeapps.list", "[Default Applications]\napplication/pdf=b.desktop\n"}
            << "Second";
        QTest::newRow("an application in a subfolder")
            << QStringList{"sysdata/applications/vendor/reader.desktop", entry("Vendor", pdf), "config/mimeapps.list",
                           "[Default Applications]\napplication/pdf=vendor-reader.desktop\n"}
            << "Vendor";
    }
    void help() {
        QFETCH(QStringList, files);
        QFETCH(QString, opensWith);
        for (qsizetype i = 0; i + 1 < files.size(); i += 2) QVERIFY(writeFile(at(files[i]), files[i + 1].toUtf8()));

        DesktopServices services;
        diagnostics::openGuide(services);

        if (opensWith.isEmpty()) {
            QCOMPARE(services.messages, QStringList{kNoPdfApplication});
            QTest::qWait(100);
            QVERIFY(!QFile::exists(viewerLog())); // nothing was started
            QVERIFY(!QFile::exists(openerLog()));
            return;
        }
        QVERIFY2(services.messages.isEmpty(), qPrintable(services.messages.join(u'|')));
        // The viewer was started with the guide the Help button wrote.
        QTRY_VERIFY(QFile::exists(viewerLog()) && !readAll(viewerLog()).isEmpty());
        QCOMPARE(QString::fromUtf8(readAll(viewerLog())), opensWith + u'\n' + diagnostics::guidePath() + u'\n');
    }

    // The Exec line of a desktop entry becomes a program and its arguments.
    void commandLines_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("command");
        const QString file = QStringLiteral("/tmp/My Guide.pdf");
        QTest::newRow("file code") << "viewer %f" << QStringList{"viewer", file};
        QTest::newRow("list and URL codes") << "viewer --new %U" << QStringList{"viewer", "--new", file};
        QTest::newRow("quoted program with a blank")
            << "\"/opt/My Viewer/view\" %F" << QStringList{"/opt/My Viewer/view", file};
        QTest::newRow("escapes inside quotes") << "sh -c \"echo \\\"\\$1\\\"\" %f"
                                               << QStringList{"sh", "-c", "echo \"$1\"", file};
        QTest::newRow("no file code: the file is added") << "viewer --fullscreen"
                                                         << QStringList{"viewer", "--fullscreen", file};
        QTest::newRow("icon, name, entry and percent")
            << "viewer %i --title=%c --from=%k 100%% %f"
            << QStringList{"viewer", "--icon", "viewer-icon", "--title=Viewer", "--from=/apps/viewer.desktop", "100%",
                           file};
        QTest::newRow("deprecated codes are dropped") << "viewer %d %m %f" << QStringList{"viewer", file};
        QTest::newRow("an unterminated quote") << "\"viewer %f" << QStringList{};
        QTest::newRow("nothing") << "" << QStringList{};
    }
    void commandLines() {
        QFETCH(QString, exec);
        QFETCH(QStringList, command);
        const ui::DesktopApplication app{QStringLiteral("viewer.desktop"), QStringLiteral("/apps/viewer.desktop"),
                                         QStringLiteral("Viewer"), exec, QStringLiteral("viewer-icon")};
        QCOMPARE(ui::commandFor(app, QStringLiteral("/tmp/My Guide.pdf")), command);
    }
};

QTEST_MAIN(HelpDesktopTest)
#include "test_help_desktop.moc"
