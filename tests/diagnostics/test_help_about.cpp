// Help and About as the user meets them: the guide is written to the
// temporary folder and handed to the system's viewer (answered here by the
// scripted services), and each edition's About window shows its version line
// and its logo, sized and centred.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "diagnostics/AboutWindows.h"
#include "diagnostics/Guide.h"
#include "ui/testing/ScriptedServices.h"

using namespace vantrel::diagnostics;
using vantrel::ui::MessageKind;
using vantrel::ui::OpenResult;
using vantrel::ui::testing::ScriptedServices;

namespace {

QByteArray guideResource() {
    QFile f(QStringLiteral(":/Guide"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The temporary-files folder, pointed at a fresh folder for one test.
class TempFolder {
public:
    TempFolder() : m_old(qgetenv("TMPDIR")) { qputenv("TMPDIR", m_dir.path().toLocal8Bit()); }
    ~TempFolder() { qputenv("TMPDIR", m_old); }
    QString path() const { return m_dir.path(); }
    QString guide() const { return m_dir.path() + QStringLiteral("/Nodalux Configuration Guide.pdf"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

std::unique_ptr<AboutWindowBase> makeAbout(int brand, const QString& version) {
    switch (brand) {
    case 0: return std::make_unique<TAboutWin>(version);
    case 1: return std::make_unique<TAboutWinBrand1>(version);
    case 2: return std::make_unique<TAboutWinBrand2>(version);
    case 4: return std::make_unique<TAboutWinBrand4>(version);
    default: return nullptr;
    }
}

} // namespace

class HelpAboutTest : public QObject {
    Q_OBJECT

private slots:
    void theGuideIsARealPdf() {
        const QByteArray pdf = guideResource();
        QVERIFY2(pdf.startsWith("%PDF-1.4"), pdf.left(16).constData());
        QVERIFY2(pdf.size() > 20000, qPrintable(QString::number(pdf.size())));
        // Several pages: discovery, adapters, configuration, testing, firmware, troubleshooting.
        QVERIFY2(pdf.count("/Type /Page\n") >= 6, "the guide has at least six pages");
    }

    void helpWritesTheGuideAndHandsItToTheViewer() {
        TempFolder tmp;
        ScriptedServices services;
        services.queueOpenResult(OpenResult::Opened);
        openGuide(services);
        QCOMPARE(guidePath(), tmp.guide());
        QCOMPARE(services.openedFiles, QStringList{tmp.guide()});
        QCOMPARE(fileBytes(tmp.guide()), guideResource());
        QVERIFY(services.messages.isEmpty());
        // Nothing but the guide is left behind in the folder.
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files), QStringList{"Nodalux Configuration Guide.pdf"});
    }

    void anOlderCopyIsReplaced() {
        TempFolder tmp;
        {
            QFile old(tmp.guide());
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older guide, longer than nothing");
        }
        ScriptedServices services;
        openGuide(services);
        openGuide(services); // a second click writes and opens it again
        QCOMPARE(fileBytes(tmp.guide()), guideResource());
        QCOMPARE(services.openedFiles, (QStringList{tmp.guide(), tmp.guide()}));
        QVERIFY(services.messages.isEmpty());
    }

    void noPdfViewerShowsTheMessage() {
        TempFolder tmp;
        ScriptedServices services;
        services.queueOpenResult(OpenResult::NoApplication);
        openGuide(services);
        QCOMPARE(services.messages.size(), 1);
        QCOMPARE(services.messages[0].kind, MessageKind::Plain);
        QCOMPARE(services.messages[0].text, QStringLiteral("A pdf application such as Adobe Reader is required."));
        QCOMPARE(services.openedFiles.size(), 1);
    }

    void otherOpenFailuresAreNotReported() {
        TempFolder tmp;
        ScriptedServices services;
        services.queueOpenResult(OpenResult::Failed);
        openGuide(services);
        QVERIFY(services.messages.isEmpty());
    }

    void whenTheGuideCannotBeWrittenNothingElseIsOpened() {
        // The guide's name is taken by a folder: the guide cannot be written,
        // and what is there is no guide to open.
        TempFolder tmp;
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("Nodalux Configuration Guide.pdf")));
        ScriptedServices services;
        openGuide(services);
        QVERIFY(services.openedFiles.isEmpty());
        QVERIFY(services.messages.isEmpty());
    }

    void withoutATemporaryFolderNothingIsOpened() {
        TempFolder tmp;
        qputenv("TMPDIR", (tmp.path() + QStringLiteral("/missing")).toLocal8Bit());
        ScriptedServices services;
        openGuide(services);
        QVERIFY(services.openedFiles.isEmpty());
        QVERIFY(services.messages.isEmpty());
    }

    void aboutWindows_data() {
        QTest::addColumn<int>("brand");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QSize>("logo"); // width x height
        QTest::addColumn<bool>("hasVersion");
        QTest::newRow("edition 0") << 0 << QSize(344, 268) << QSize(262, 65) << true;
        QTest::newRow("edition 1") << 1 << QSize(344, 247) << QSize(231, 65) << true;
        QTest::newRow("edition 2") << 2 << QSize(344, 258) << QSize(197, 65) << false;
        QTest::newRow("edition 4") << 4 << QSize(344, 191) << QSize(258, 66) << true;
    }
    void aboutWindows() {
        QFETCH(int, brand);
        QFETCH(QSize, client);
        QFETCH(QSize, logo);
        QFETCH(bool, hasVersion);
        const auto about = makeAbout(brand, QStringLiteral("2.3.23"));
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.get()));
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        QCOMPARE(about->size(), client);

        auto* image = about->findChild<QLabel*>(QStringLiteral("Image1"));
        QVERIFY(image);
        QCOMPARE(image->size(), logo);
        QCOMPARE(image->x(), (client.width() - logo.width()) / 2);
        QVERIFY(!image->pixmap().isNull());

        auto* version = about->findChild<QLabel*>(QStringLiteral("Label1"));
        QCOMPARE(version != nullptr, hasVersion);
        if (version) {
            QCOMPARE(version->text(), QStringLiteral("Version 2.3.23"));
            QVERIFY(version->isVisible());
            QVERIFY2(version->y() >= image->geometry().bottom(), "the version line is under the logo");
            QCOMPARE(version->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        }
        auto* close = about->findChild<QPushButton*>(QStringLiteral("btnClose"));
        QVERIFY(close);
        // Every text is plain text, shown whole, above the Close button.
        for (QLabel* label : about->findChildren<QLabel*>()) {
            if (label == image) continue;
            const QByteArray nameBytes = label->objectName().toLatin1();
            const char* name = nameBytes.constData();
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QVERIFY2(label->height() >= label->heightForWidth(label->width()), name);
            QVERIFY2(label->x() >= 0 && label->geometry().right() < client.width(), name);
            QVERIFY2(label->y() > image->geometry().bottom() && label->geometry().bottom() < close->y(), name);
        }

        QCOMPARE(close->text(), QStringLiteral("Close"));
        QVERIFY2(close->geometry().right() > client.width() / 2 && close->geometry().bottom() > client.height() / 2,
                 "Close sits at the bottom right");
        QTest::mouseClick(close, Qt::LeftButton);
        QCOMPARE(about->result(), 8);
        QVERIFY(!about->isVisible());
    }

    void versionLineHasNoLeadingZeros() {
        TAboutWin about(QStringLiteral("2.3.3"));
        QCOMPARE(about.Label1->text(), QStringLiteral("Version 2.3.3"));
    }

    void aboutShownThroughTheServicesEndsWithClose() {
        TAboutWin about(QStringLiteral("2.3.23"));
        ScriptedServices services;
        services.queueModal([](QDialog& dialog) {
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btnClose")), Qt::LeftButton);
            return dialog.result();
        });
        QCOMPARE(services.showModal(about), 8);
        QCOMPARE(services.modals.size(), 1);
        QCOMPARE(services.modals[0].className, QStringLiteral("vantrel::diagnostics::TAboutWin"));
    }
};

QTEST_MAIN(HelpAboutTest)
#include "test_help_about.moc"
