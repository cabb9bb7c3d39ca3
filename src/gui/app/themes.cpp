#include "app/themes.h"

#include <QApplication>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>

namespace {

void setDisabled(QPalette &palette, const QColor &text, const QColor &highlight,
                 const QColor &highlightedText)
{
    palette.setColor(QPalette::Disabled, QPalette::Text, text);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, text);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, text);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, highlight);
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, highlightedText);
}

QPalette neonPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor("#0a0a0a"));
    p.setColor(QPalette::Base, QColor("#0b0b0b"));
    p.setColor(QPalette::AlternateBase, QColor("#121212"));
    p.setColor(QPalette::WindowText, QColor("#fdfdfd"));
    p.setColor(QPalette::Text, QColor("#f7f7f7"));
    p.setColor(QPalette::PlaceholderText, QColor(180, 180, 180));
    p.setColor(QPalette::Button, QColor("#121212"));
    p.setColor(QPalette::ButtonText, QColor("#ffffff"));
    p.setColor(QPalette::ToolTipBase, QColor("#111111"));
    p.setColor(QPalette::ToolTipText, QColor("#f5f5f5"));
    p.setColor(QPalette::Highlight, QColor("#ff2d95"));
    p.setColor(QPalette::HighlightedText, QColor("#000000"));
    p.setColor(QPalette::BrightText, QColor("#ffd400"));
    p.setColor(QPalette::Link, QColor("#00d9ff"));
    p.setColor(QPalette::LinkVisited, QColor("#a64dff"));
    setDisabled(p, QColor(120, 120, 120), QColor("#333333"), QColor(180, 180, 180));
    return p;
}

const char *const kNeonStyleSheet = R"(
QToolTip { color: #ffffff; background-color: #111; border: 1px solid #ff2d95; }
QMenu { background-color: #0f0f0f; color: #f5f5f5; }
QMenu::item { padding: 4px 20px; }
QMenu::item:selected { background-color: #ff2d95; color: #000000; }
QMenu::item:disabled { color: #6f6f73; }
QMenu::separator { height: 1px; background: #2a2a2a; margin: 4px 6px; }
QStatusBar { background-color: #0a0a0a; }
QPushButton { background-color: #151515; border: 1px solid #ff2d95; padding: 6px 10px; border-radius: 6px; }
QPushButton:hover { border-color: #ffd400; }
QPushButton:pressed { background-color: #0f0f0f; }
QCheckBox::indicator:checked { background-color: #ffd400; }
QCheckBox::indicator:unchecked { background-color: #0f0f0f; border: 1px solid #444; }
QRadioButton::indicator:checked { background-color: #ff2d95; }
QTreeView::indicator:unchecked, QTableView::indicator:unchecked { border: 1px solid #666; background-color: #0f0f0f; }
QScrollBar { background: #0d0d0d; }
QScrollBar::handle { background: #00d9ff; min-height: 24px; min-width: 24px; border-radius: 4px; }
QScrollBar::handle:hover { background: #ffd400; }
QTabWidget::pane { border-top: 1px solid #ff2d95; }
QTabBar::tab { background: #111; color: #bbb; padding: 6px 14px; margin-right: 2px; border: 1px solid #222; border-bottom: 2px solid transparent; border-top-left-radius: 6px; border-top-right-radius: 6px; }
QTabBar::tab:hover { color: #ffffff; border: 1px solid #333; border-bottom: 2px solid #ffd400; }
QTabBar::tab:selected { color: #000000; background: #ff2d95; font-weight: 600; }
QLineEdit, QTextEdit, QPlainTextEdit, QComboBox, QSpinBox, QDoubleSpinBox, QDateTimeEdit { background-color: #0e0e0e; color: #f7f7f7; border: 1px solid #333; border-radius: 6px; padding: 4px 6px; selection-background-color: #00d9ff; selection-color: #000000; }
QLineEdit:focus, QTextEdit:focus, QPlainTextEdit:focus, QComboBox:focus, QSpinBox:focus, QDoubleSpinBox:focus, QDateTimeEdit:focus { border: 1px solid #ffd400; outline: none; }
)";

QPalette darkPalette()
{
    QPalette p;
    const QColor text(220, 220, 220);
    p.setColor(QPalette::Window, QColor(37, 37, 38));
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    p.setColor(QPalette::ToolTipBase, QColor(45, 45, 48));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
    p.setColor(QPalette::Button, QColor(45, 45, 48));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(255, 80, 80));
    p.setColor(QPalette::Highlight, QColor(10, 132, 255));
    p.setColor(QPalette::HighlightedText, Qt::black);
    setDisabled(p, QColor(127, 127, 127), QColor(60, 60, 60), QColor(180, 180, 180));
    return p;
}

const char *const kDarkStyleSheet = R"(
QTreeView::indicator:unchecked, QTableView::indicator:unchecked { border: 1px solid #777; background-color: #1e1e1e; }
QToolTip { color: #ddd; background-color: #2d2d30; border: 1px solid #555; }
QMenu { background-color: #2d2d30; color: #ddd; }
QMenu::item { padding: 4px 20px; }
QMenu::item:selected { background-color: #3a3a3d; }
QMenu::item:disabled { color: #6f6f73; }
QMenu::separator { height: 1px; background: #3a3a3d; margin: 4px 6px; }
QStatusBar { background-color: #252526; }
)";

const QString themeKey = QStringLiteral("apparence/theme");

const struct
{
    Theme theme;
    const char *name;
} themeNames[] = {{Theme::Dark, "sombre"}, {Theme::Light, "clair"}, {Theme::Neon, "neon"}};

} // namespace

Theme storedTheme()
{
    const QString name = QSettings().value(themeKey).toString();
    for (const auto &entry : themeNames) {
        if (name == QLatin1String(entry.name))
            return entry.theme;
    }
    return Theme::Neon;
}

void storeTheme(Theme theme)
{
    for (const auto &entry : themeNames) {
        if (entry.theme == theme)
            QSettings().setValue(themeKey, QLatin1String(entry.name));
    }
}

void applyTheme(QApplication &app, Theme theme)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    switch (theme) {
    case Theme::Neon:
        app.setPalette(neonPalette());
        app.setStyleSheet(QLatin1String(kNeonStyleSheet));
        break;
    case Theme::Dark:
        app.setPalette(darkPalette());
        app.setStyleSheet(QLatin1String(kDarkStyleSheet));
        break;
    case Theme::Light: {
        QPalette p = app.style()->standardPalette();
        p.setColor(QPalette::Text, Qt::black);
        p.setColor(QPalette::WindowText, Qt::black);
        p.setColor(QPalette::ToolTipBase, p.color(QPalette::Base));
        p.setColor(QPalette::ToolTipText, p.color(QPalette::Text));
        app.setPalette(p);
        app.setStyleSheet(QString());
        break;
    }
    }
}
