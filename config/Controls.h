#pragma once
// Small helpers the configuration windows use to create their controls: every
// control is named (objectName = the member's name), placed at a fixed
// position in device-independent pixels, and push buttons never act as the
// dialog's default button, so Enter in an edit only finishes the edit.

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QString>
#include <QTabWidget>

namespace vantrel::config::controls {

template <class W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

inline QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h = 22) {
    auto* l = named(new QLabel(text, parent), name);
    // Captions are the tool's own texts; texts from controllers are set
    // later and must never be read as markup.
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(x, y, w, h);
    return l;
}

inline QLineEdit* edit(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h = 24) {
    auto* e = named(new QLineEdit(text, parent), name);
    e->setGeometry(x, y, w, h);
    return e;
}

inline QPushButton* button(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                           int h = 26) {
    auto* b = named(new QPushButton(text, parent), name);
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setGeometry(x, y, w, h);
    return b;
}

inline QRadioButton* radio(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                           int h = 22) {
    auto* r = named(new QRadioButton(text, parent), name);
    r->setGeometry(x, y, w, h);
    return r;
}

inline QCheckBox* check(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h = 22) {
    auto* c = named(new QCheckBox(text, parent), name);
    c->setGeometry(x, y, w, h);
    return c;
}

inline QGroupBox* group(QWidget* parent, const QString& name, const QString& title, int x, int y, int w, int h) {
    auto* g = named(new QGroupBox(title, parent), name);
    g->setGeometry(x, y, w, h);
    return g;
}

inline QComboBox* combo(QWidget* parent, const QString& name, int x, int y, int w, int h = 24) {
    auto* c = named(new QComboBox(parent), name);
    c->setGeometry(x, y, w, h);
    return c;
}

inline QSlider* slider(QWidget* parent, const QString& name, Qt::Orientation orientation, int min, int max, int x,
                       int y, int w, int h) {
    auto* s = named(new QSlider(orientation, parent), name);
    s->setRange(min, max);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setGeometry(x, y, w, h);
    return s;
}

// The two pages of the Advanced windows, "Outputs 1-16" and "Outputs 17-32",
// in a tab control `TabControl1` (pages `TabItem1` and `TabItem2`).
inline QTabWidget* outputPages(QWidget* parent, QWidget*& first, QWidget*& second) {
    auto* tabs = named(new QTabWidget(parent), QStringLiteral("TabControl1"));
    first = named(new QWidget(tabs), QStringLiteral("TabItem1"));
    second = named(new QWidget(tabs), QStringLiteral("TabItem2"));
    tabs->addTab(first, QStringLiteral("Outputs 1-16"));
    tabs->addTab(second, QStringLiteral("Outputs 17-32"));
    return tabs;
}

// The ▲ and ▼ glyphs of the small stepping buttons.
inline QString upArrow() { return QStringLiteral("\u25B2"); }
inline QString downArrow() { return QStringLiteral("\u25BC"); }

} // namespace vantrel::config::controls
