#pragma once
// The help the main window shows over its empty device grid when a search
// finds nothing: what to check, with this PC's own adapters named. It appears
// kNoReplyMs after a search that no controller has answered, and goes as soon
// as a controller appears, a new search starts or the list is emptied (an
// adapter change or refresh). The count label below the grid keeps its
// "Found 0 Device(s)".
//
//   help->setSituationSource([&] { return NoDevicesHelp::Situation{...}; });
//   help->searchStarted();   // after every poll that went out
//   help->dismiss();         // a controller answered, the list was emptied

#include <QFrame>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QLabel;
class QTimer;

namespace vantrel::app {

class NoDevicesHelp : public QFrame {
    Q_OBJECT
public:
    // Replies come within a second; after this long without one, the search found nothing.
    static constexpr int kNoReplyMs = 3000;

    struct Adapter {
        QString address; // dotted IPv4
        QString mask;
        QString network; // address AND mask
    };
    struct Situation {
        Adapter chosen;        // the adapter the search went out through
        QList<Adapter> others; // the PC's other listed adapters
    };
    using SituationSource = std::function<Situation()>;
    // The situation of the listed adapters (same index in the three lists),
    // the one at `chosen` being the adapter the search went out through.
    static Situation situationOf(const QStringList& addresses, const QStringList& masks,
                                 const QStringList& networks, int chosen);

    explicit NoDevicesHelp(QWidget* parent = nullptr);

    // Where the help learns the adapters when it decides that nothing was found.
    void setSituationSource(SituationSource source) { m_source = std::move(source); }

    void searchStarted();
    void dismiss();

    // The help for `situation`, as rich text (the addresses are escaped).
    static QString helpText(const Situation& situation);

    // --- controls (objectName = member name) ---------------------------------
    QLabel* lblNoDevicesHelp = nullptr;
    QTimer* tmrNoReply = nullptr;

private:
    void tmrNoReplyTimer();

    SituationSource m_source;
};

} // namespace vantrel::app
