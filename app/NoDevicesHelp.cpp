#include "app/NoDevicesHelp.h"

#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

namespace vantrel::app {

namespace {

constexpr int kPadding = 14;
const QString kUdpPort = QStringLiteral("49150");

QString esc(const QString& text) { return text.toHtmlEscaped(); }

QString adapterText(const NoDevicesHelp::Adapter& a) {
    return QStringLiteral("<b>%1</b> (network %2, mask %3)").arg(esc(a.address), esc(a.network), esc(a.mask));
}

QString command(const QString& text) { return QStringLiteral("&nbsp;&nbsp;<code>%1</code>").arg(esc(text)); }

} // namespace

NoDevicesHelp::NoDevicesHelp(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("pnlNoDevicesHelp"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xff, 0xf8, 0xe1));
    colours.setColor(QPalette::WindowText, QColor(0x1d, 0x2b, 0x3a));
    setPalette(colours);

    lblNoDevicesHelp = new QLabel(this);
    lblNoDevicesHelp->setObjectName(QStringLiteral("lblNoDevicesHelp"));
    lblNoDevicesHelp->setTextFormat(Qt::RichText);
    lblNoDevicesHelp->setWordWrap(true);
    lblNoDevicesHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The commands can be selected and copied.
    lblNoDevicesHelp->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->addWidget(lblNoDevicesHelp);

    tmrNoReply = new QTimer(this);
    tmrNoReply->setObjectName(QStringLiteral("tmrNoReply"));
    tmrNoReply->setSingleShot(true);
    tmrNoReply->setInterval(kNoReplyMs);
    connect(tmrNoReply, &QTimer::timeout, this, &NoDevicesHelp::tmrNoReplyTimer);

    hide();
}

void NoDevicesHelp::searchStarted() {
    hide();
    tmrNoReply->start();
}

void NoDevicesHelp::dismiss() {
    tmrNoReply->stop();
    hide();
}

void NoDevicesHelp::tmrNoReplyTimer() {
    if (!m_source) return;
    lblNoDevicesHelp->setText(helpText(m_source()));
    // As tall as the text, at the width the window gave the panel.
    const int height = heightForWidth(width());
    if (height > 0) resize(width(), height);
    show();
    raise();
}

NoDevicesHelp::Situation NoDevicesHelp::situationOf(const QStringList& addresses, const QStringList& masks,
                                                    const QStringList& networks, int chosen) {
    Situation situation;
    for (int i = 0; i < addresses.size(); ++i) {
        const Adapter adapter{addresses[i], masks.value(i), networks.value(i)};
        if (i == chosen)
            situation.chosen = adapter;
        else
            situation.others << adapter;
    }
    return situation;
}

QString NoDevicesHelp::helpText(const Situation& situation) {
    QStringList others;
    for (const Adapter& a : situation.others)
        if (a.network != situation.chosen.network) others << adapterText(a);

    QString text = QStringLiteral("<p><b>No controllers answered the search.</b> Check these, then press "
                                  "<b>Search</b> again:</p><ol>");
    text += QStringLiteral("<li><b>The adapter.</b> The search went out through %1. The controllers must be on "
                           "this network.</li>")
                .arg(adapterText(situation.chosen));
    if (others.isEmpty())
        text += QStringLiteral("<li><b>Other adapters.</b> This PC has no other adapter on a different network. "
                               "If the controllers are on another network, connect the PC to it and press "
                               "<b>Refresh Adapters</b>.</li>");
    else
        text += QStringLiteral("<li><b>Other adapters.</b> This PC also has %1. If the controllers are "
                               "connected there, choose it in <b>Select Adapter</b>.</li>")
                    .arg(others.join(QStringLiteral(", ")));
    text += QStringLiteral("<li><b>The firewall.</b> A firewall that blocks UDP port %1 hides every controller. "
                           "To open the port with ufw:<br>%2<br>or with firewalld:<br>%3<br>%4</li>")
                .arg(kUdpPort, command(QStringLiteral("sudo ufw allow %1/udp").arg(kUdpPort)),
                     command(QStringLiteral("sudo firewall-cmd --permanent --add-port=%1/udp").arg(kUdpPort)),
                     command(QStringLiteral("sudo firewall-cmd --reload")));
    text += QStringLiteral("<li><b>The cable or switch.</b> The controllers need power and a lit link LED, on the "
                           "same switch as the PC with no router between. Try another cable or switch "
                           "port.</li></ol>");
    return text;
}

} // namespace vantrel::app
